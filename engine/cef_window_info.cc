// Placement of a browser window as a child.
#include "engine/cef_window_info.h"

void CefWindowInfo::SetAsChild(HWND parent, const RECT& rect) {
  parent_window = parent;
  style = kChildStyle;
  x = rect.left;
  y = rect.top;
  width = rect.right - rect.left;
  height = rect.bottom - rect.top;
}
