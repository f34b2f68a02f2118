// Window calls on a browser's child window.
#include "engine/browser_window.h"

#include <gtk/gtk.h>

#include <algorithm>

#include "engine/browser_impl.h"

namespace engine {

LRESULT BrowserWindow::Dispatch(UINT msg, WPARAM, LPARAM) {
  if (msg == WM_CLOSE || msg == WM_DESTROY) browser_->Close();
  return 0;
}

void BrowserWindow::SetStyle(LONG style) {
  style_ = style;
  gtk_widget_set_visible(GTK_WIDGET(widget_), (style & WS_VISIBLE) != 0);
}

RECT BrowserWindow::ClientRect() const {
  RECT client;
  client.right = rect_.right - rect_.left;
  client.bottom = rect_.bottom - rect_.top;
  return client;
}

void BrowserWindow::Move(int x, int y, int width, int height, bool) {
  rect_ = {x, y, x + std::max(width, 0), y + std::max(height, 0)};
  Place();
}

void BrowserWindow::SetPos(HWND, int x, int y, int cx, int cy, UINT flags) {
  if (!(flags & SWP_NOMOVE)) {
    const int w = rect_.right - rect_.left, h = rect_.bottom - rect_.top;
    rect_ = {x, y, x + w, y + h};
  }
  if (!(flags & SWP_NOSIZE)) {
    rect_.right = rect_.left + std::max(cx, 0);
    rect_.bottom = rect_.top + std::max(cy, 0);
  }
  if (flags & SWP_HIDEWINDOW) SetStyle(style_ & ~static_cast<LONG>(WS_VISIBLE));
  if (flags & SWP_SHOWWINDOW) SetStyle(style_ | static_cast<LONG>(WS_VISIBLE));
  Place();
}

void BrowserWindow::Place() {
  if (platform::NativeWindow* parent = platform::LookupWindow(parent_)) {
    parent->PlaceChild(widget_, rect_);
  }
}

}  // namespace engine
