// The desktop's display: opening it, and where its screens are.
#pragma once

#include <vector>

#include "platform/windows.h"

namespace platform {

// Opens the display the session names (WAYLAND_DISPLAY, DISPLAY) for the
// toolkit; false when there is none that answers. Main thread, before any
// window.
bool OpenDisplay();

// The rectangles of the display's screens, in screen coordinates; empty
// without a display. Main thread.
std::vector<RECT> ScreenRects();

}  // namespace platform
