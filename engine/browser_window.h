// The native window behind a browser's window handle: it places the browser's
// view inside its parent top-level (through the parent's child-widget calls)
// so that MoveWindow and SetWindowPos on the handle move the browser.
#pragma once

#include "platform/native_window.h"

namespace engine {

class BrowserImpl;

class BrowserWindow : public platform::NativeWindow {
 public:
  BrowserWindow(BrowserImpl* browser, HWND parent, void* widget, const RECT& rect, LONG style)
      : browser_(browser), parent_(parent), widget_(widget), rect_(rect), style_(style) {}

  std::wstring ClassName() const override { return L"CefBrowserWindow"; }
  std::wstring Title() const override { return std::wstring(); }
  // WM_CLOSE and WM_DESTROY end the browser, as destroying a child window
  // would; everything else is ignored.
  LRESULT Dispatch(UINT msg, WPARAM wparam, LPARAM lparam) override;
  LONG Style() const override { return style_; }
  void SetStyle(LONG style) override;
  RECT WindowRect() const override { return rect_; }
  RECT ClientRect() const override;
  void Move(int x, int y, int width, int height, bool repaint) override;
  void SetPos(HWND insert_after, int x, int y, int cx, int cy, UINT flags) override;
  HWND Parent() const override { return parent_; }
  void* NativeHandle() const override { return widget_; }

 private:
  void Place();

  BrowserImpl* browser_;  // owns this window
  HWND parent_;
  void* widget_;
  RECT rect_;
  LONG style_;
};

}  // namespace engine
