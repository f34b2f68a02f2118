// The main window's two file dialogs and the hook that places the save dialog.
#pragma once

#include "platform/windows.h"
#include "ui/dui_string.h"

// Modal save dialog suggesting a file name; the chosen full path or empty.
CDuiString ShowSaveFileDialog(const CDuiString& suggestedName);
// Modal open dialog for documents; the chosen full path or empty.
CDuiString ShowOpenFileDialog();
// Hook procedure of the save dialog: places the dialog frame when it opens.
UINT_PTR DialogPlacementHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Where the placement hook moves a dialog frame: centred on the reference
// rectangle as seen from the frame's client origin (cx, cy).
POINT DialogPlacement(LONG cx, LONG cy, const RECT& frame_client, const RECT& reference);
