// Where a new browser's window goes: a child of a window of this process, at
// a rectangle in the parent's client coordinates.
#pragma once

#include "platform/windows.h"

class CefWindowInfo {
 public:
  // The child style a browser window gets (WS_CHILD | WS_CLIPCHILDREN |
  // WS_CLIPSIBLINGS | WS_TABSTOP | WS_VISIBLE).
  static constexpr DWORD kChildStyle = 0x56010000;

  void SetAsChild(HWND parent, const RECT& rect);

  HWND parent_window = nullptr;
  DWORD style = 0;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};
