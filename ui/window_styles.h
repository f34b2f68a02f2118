// The styles the client's windows are created with, and the masks that take
// the main window's frame away for full screen and give it back. The code
// reads as these names; the numbers stay where the bits are defined.
#pragma once

#include "platform/windows.h"

// A top-level window with caption, system menu, sizing border and minimise and
// maximise boxes, shown as soon as it exists: the main window and the download
// list window.
constexpr DWORD kFrameWindowStyle = WS_VISIBLE | WS_OVERLAPPEDWINDOW;

// The toolkit's dialog: a captioned pop-up with a system menu that cannot be
// resized, clipping its children and siblings: the update window.
constexpr DWORD kDialogWindowStyle =
    WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU;

// Full screen keeps every bit of the style except the frame's (caption,
// system menu, sizing border, minimise and maximise boxes), then adds WS_POPUP.
constexpr DWORD kFullScreenKeepMask = ~WS_OVERLAPPEDWINDOW;

// Leaving full screen keeps every bit except WS_POPUP, then adds the frame
// window style back.
constexpr DWORD kFramedKeepMask = ~WS_POPUP;
