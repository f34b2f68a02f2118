// The main window's two file dialogs and the hook that places the save dialog.
#pragma once

#include <cstddef>
#include <string>

#include "platform/windows.h"
#include "ui/dui_string.h"

// Modal save dialog, opened in the user's download folder, suggesting the
// plain file name of suggestedName; it asks before an existing file is
// replaced. The chosen full path or empty.
CDuiString ShowSaveFileDialog(const CDuiString& suggestedName);

// The longest suggested name, in bytes of UTF-8, that file systems take.
inline constexpr std::size_t kMaxSuggestedNameBytes = 200;
// name reduced to a plain file name: no folder parts (the text after the
// last '/' or '\', or a slash drawn like them: U+FF0F, U+2215, U+2044,
// U+29F8), no leading dots, no control or format characters (Unicode
// category Cf: bidirectional marks, zero-width characters), and at most
// kMaxSuggestedNameBytes bytes of UTF-8, cut between characters.
std::wstring PlainFileName(const std::wstring& name);
// Modal open dialog for documents; the chosen full path or empty.
CDuiString ShowOpenFileDialog();
// Hook procedure of the save dialog: places the dialog frame when it opens.
UINT_PTR DialogPlacementHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Where the placement hook moves a dialog frame: centred on the reference
// rectangle as seen from the frame's client origin (cx, cy).
POINT DialogPlacement(LONG cx, LONG cy, const RECT& frame_client, const RECT& reference);
