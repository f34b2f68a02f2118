// The contract between the platform's window calls and the windows that live
// in this process: the toolkit's top-level windows and the engine's browser
// child implement NativeWindow and register themselves in the window table.
// Every method is called on the main thread.
#pragma once

#include <string>
#include <vector>

#include "platform/windows.h"

namespace platform {

class NativeWindow {
 public:
  virtual ~NativeWindow() = default;

  virtual std::wstring ClassName() const = 0;
  virtual std::wstring Title() const = 0;

  // Delivers one message to the window's procedure and returns its result.
  virtual LRESULT Dispatch(UINT msg, WPARAM wparam, LPARAM lparam) = 0;

  virtual LONG Style() const = 0;
  virtual void SetStyle(LONG style) = 0;
  virtual LONG ExStyle() const { return 0; }
  virtual void SetExStyle(LONG /*style*/) {}

  // Outer rectangle in screen coordinates (children: in the parent's client
  // coordinates) and the client rectangle, which always starts at (0, 0).
  virtual RECT WindowRect() const = 0;
  virtual RECT ClientRect() const = 0;

  // MoveWindow and SetWindowPos. Coordinates are screen coordinates for
  // top-level windows and parent client coordinates for child windows.
  virtual void Move(int x, int y, int width, int height, bool repaint) = 0;
  virtual void SetPos(HWND insert_after, int x, int y, int cx, int cy, UINT flags) = 0;

  virtual HWND Parent() const = 0;

  // Native child widgets (the browser view) placed over the client area of a
  // top-level window at a rectangle in client coordinates. Toolkit windows
  // support this; other windows return false and ignore the rest.
  // The engine's browser view is such a child; its window handle (a child
  // window whose Parent() is this window) moves it through PlaceChild. The
  // browser ends, and its client hears OnBeforeClose, when the view is
  // destroyed, when the top-level's GTK window is unrealized (which
  // gtk_widget_destroy does before any "destroy" handler runs), or when the
  // child handle is sent WM_DESTROY, so a window whose final message waits
  // for the browser to be gone must do one of these first.
  virtual bool AddChild(void* /*widget*/, const RECT& /*rect*/) { return false; }
  virtual void PlaceChild(void* /*widget*/, const RECT& /*rect*/) {}
  virtual void RemoveChild(void* /*widget*/) {}

  // The toolkit object behind the window (a GtkWidget*), so that dialogs can
  // be made transient for it. May be null.
  virtual void* NativeHandle() const = 0;
  // The widget that holds the keyboard focus when the window has it
  // (SetFocus, GetFocus); by default the native handle itself.
  virtual void* FocusWidget() const { return NativeHandle(); }

  // Shows the window and asks for it to come to the front with a launcher's
  // start-up notification id ("" for none); platform/startup_notification.h.
  virtual void Activate(const std::string& /*startup_id*/) {}
};

// The window table: handles are never reused, so a stale handle stays invalid.
// All functions are for the main thread.
HWND RegisterWindow(NativeWindow* window);
void UnregisterWindow(HWND hwnd);
NativeWindow* LookupWindow(HWND hwnd);
std::vector<HWND> LocalWindows();  // in creation order

}  // namespace platform
