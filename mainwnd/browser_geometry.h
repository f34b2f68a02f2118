// Where the browser child sits in the main window's client area.
#pragma once

#include "platform/windows.h"

// Outside full screen the browser leaves the 24-pixel title strip free; a
// window that is not maximised also keeps a 1-pixel border left, right and
// below. width is the new client width; height_for_maximized the new client
// height and height_now the client height the window has at this moment
// (restored windows take their height from the current client rectangle).
inline RECT BrowserChildRect(bool maximized, int width, int height_for_maximized, int height_now) {
  if (maximized) return RECT{0, 24, width, height_for_maximized};
  return RECT{1, 24, 1 + (width - 2), 24 + (height_now - 25)};
}
