// Window calls for the engine tests over this process's window table, for
// builds where the toolkit's own window calls are not linked. Every
// definition is weak: the platform's real calls take precedence.
#include "platform/native_window.h"

__attribute__((weak)) HWND FindWindowW(LPCWSTR class_name, LPCWSTR window_name) {
  for (HWND hwnd : platform::LocalWindows()) {
    platform::NativeWindow* w = platform::LookupWindow(hwnd);
    if (class_name && w->ClassName() != class_name) continue;
    if (window_name && w->Title() != window_name) continue;
    return hwnd;
  }
  return nullptr;
}

__attribute__((weak)) BOOL IsWindow(HWND hwnd) { return platform::LookupWindow(hwnd) != nullptr; }

__attribute__((weak)) LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  platform::NativeWindow* w = platform::LookupWindow(hwnd);
  return w ? w->Dispatch(msg, wparam, lparam) : 0;
}

__attribute__((weak)) BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height,
                                      BOOL repaint) {
  platform::NativeWindow* w = platform::LookupWindow(hwnd);
  if (!w) return FALSE;
  w->Move(x, y, width, height, repaint != FALSE);
  return TRUE;
}
