// CWindowWnd: a native top-level window of the toolkit with a window
// procedure (HandleMessage). Each window is one GTK top-level drawn without
// the window manager's decorations; its skin draws the caption. All calls
// may be made from any thread: they are carried out on the main thread, in
// the order each thread made them, and Create and ShowModal wait for it.
#pragma once

#include <memory>

#include "platform/windows.h"

namespace ui {
class WindowHost;
struct ModalState;
}  // namespace ui

class CWindowWnd {
 public:
  CWindowWnd();
  virtual ~CWindowWnd();
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  HWND GetHWND() const { return hwnd_; }
  operator HWND() const { return hwnd_; }  // NOLINT

  // Creates the window (hidden until shown; WS_VISIBLE shows it once the
  // creating call has returned and the loop runs, so a window can still be
  // centred or hidden first). CW_USEDEFAULT for x or y centres it on the
  // screen; for the width or height it takes the skin's size. WM_CREATE
  // and, for skinned windows, InitWindow run before Create returns, and a
  // first WM_SIZE follows. Returns the handle, or null.
  HWND Create(HWND owner, const wchar_t* name, DWORD style, DWORD ex_style, int x = CW_USEDEFAULT,
              int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT,
              HMENU menu = nullptr);
  HWND Create(HWND owner, const wchar_t* name, DWORD style, DWORD ex_style, const RECT& rc,
              HMENU menu = nullptr);

  void ShowWindow(bool show = true, bool take_focus = true);
  // Shows the window modal to its owner and returns when it has closed,
  // with the result given to Close. From a worker thread the window runs on
  // the main thread while the worker waits. (UINT)-1 when there is no window.
  UINT ShowModal();
  // Posts WM_CLOSE with wParam = result.
  void Close(UINT result = IDOK);
  // Centres the window over its owner, or over the screen without one.
  void CenterWindow();
  // The window icon from res/icon_<id>.png beside the executable.
  void SetIcon(UINT res_id);
  void ResizeClient(int cx = -1, int cy = -1);

  LRESULT SendMessage(UINT msg, WPARAM wparam = 0, LPARAM lparam = 0);
  LRESULT PostMessage(UINT msg, WPARAM wparam = 0, LPARAM lparam = 0);

 protected:
  virtual const wchar_t* GetWindowClassName() const = 0;
  virtual const wchar_t* GetSuperClassName() const;
  virtual UINT GetClassStyle() const;
  // The window procedure. This default is the system's own processing:
  // WM_CLOSE destroys the window, WM_SYSCOMMAND maximises, restores,
  // minimises or closes (SC_CLOSE sends WM_CLOSE), WM_NCLBUTTONDBLCLK toggles
  // maximisation, and WM_KEYDOWN closes on Alt+F4 (SC_CLOSE). Any other key
  // that reaches this default goes on to the native child with the keyboard
  // focus (the browser): a window takes a key by handling WM_KEYDOWN itself.
  virtual LRESULT HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam);
  // After the last message (WM_NCDESTROY); the object may delete itself.
  virtual void OnFinalMessage(HWND hwnd);

  // Destroys the native window now (WM_DESTROY, WM_NCDESTROY, then
  // OnFinalMessage).
  void DestroyWindow();
  // Whether Create was given CW_USEDEFAULT for the size.
  bool HasDefaultSize() const;
  bool IsMaximized() const;

 private:
  friend class ui::WindowHost;
  HWND CreateOnMainThread(HWND owner, const wchar_t* name, DWORD style, DWORD ex_style, int x,
                          int y, int cx, int cy);
  bool BeginModal(const std::shared_ptr<ui::ModalState>& state);

  HWND hwnd_ = nullptr;
  ui::WindowHost* host_ = nullptr;
  std::shared_ptr<ui::ModalState> modal_;
  UINT close_result_ = 0;
  bool destroying_ = false;
  // Set by the default processing of WM_KEYDOWN: the window left the key.
  bool key_unused_ = false;
};
