// The window calls over the window table: local windows are reached through
// their NativeWindow on the main thread; handles of other processes' windows
// go to the copy-data channel.
#include <gdk/gdk.h>

#include <cerrno>

#include "platform/copydata_channel.h"
#include "platform/main_thread.h"
#include "platform/native_window.h"
#include "platform/windows.h"

namespace {

// The screen as a window: its rectangle is the primary monitor's.
class DesktopWindow : public platform::NativeWindow {
 public:
  std::wstring ClassName() const override { return L"#32769"; }
  std::wstring Title() const override { return L""; }
  LRESULT Dispatch(UINT, WPARAM, LPARAM) override { return 0; }
  LONG Style() const override { return static_cast<LONG>(WS_POPUP | WS_VISIBLE); }
  void SetStyle(LONG) override {}
  RECT WindowRect() const override {
    RECT rc{0, 0, 1024, 768};
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr) return rc;
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (monitor == nullptr) monitor = gdk_display_get_monitor(display, 0);
    if (monitor == nullptr) return rc;
    GdkRectangle r;
    gdk_monitor_get_geometry(monitor, &r);
    return {r.x, r.y, r.x + r.width, r.y + r.height};
  }
  RECT ClientRect() const override {
    RECT rc = WindowRect();
    return {0, 0, rc.right - rc.left, rc.bottom - rc.top};
  }
  void Move(int, int, int, int, bool) override {}
  void SetPos(HWND, int, int, int, int, UINT) override {}
  HWND Parent() const override { return nullptr; }
  void* NativeHandle() const override { return nullptr; }
};

HWND g_desktop = nullptr;

// Runs fn on the main thread (at once when already there) and returns its
// value.
template <class T, class Fn>
T OnMain(Fn fn) {
  T result{};
  platform::RunOnMainThread([&] { result = fn(); });
  return result;
}

bool Matches(const std::wstring& have, LPCWSTR want) { return want == nullptr || have == want; }

}  // namespace

HWND FindWindowW(LPCWSTR class_name, LPCWSTR window_name) {
  HWND found = OnMain<HWND>([&]() -> HWND {
    for (HWND hwnd : platform::LocalWindows()) {
      if (hwnd == g_desktop) continue;
      platform::NativeWindow* w = platform::LookupWindow(hwnd);
      if (w != nullptr && Matches(w->ClassName(), class_name) && Matches(w->Title(), window_name))
        return hwnd;
    }
    return nullptr;
  });
  if (found != nullptr) return found;
  return platform::channel::FindRemoteWindow(class_name, window_name);
}

BOOL IsWindow(HWND hwnd) {
  if (hwnd == nullptr) return FALSE;
  if (platform::channel::IsRemoteHandle(hwnd))
    return platform::channel::IsRemoteWindowAlive(hwnd) ? TRUE : FALSE;
  return OnMain<BOOL>(
      [&]() -> BOOL { return platform::LookupWindow(hwnd) != nullptr ? TRUE : FALSE; });
}

LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (hwnd == nullptr) return 0;
  if (platform::channel::IsRemoteHandle(hwnd))
    return platform::channel::SendRemoteMessage(hwnd, msg, wparam, lparam);
  return OnMain<LRESULT>([&]() -> LRESULT {
    platform::NativeWindow* w = platform::LookupWindow(hwnd);
    return w != nullptr ? w->Dispatch(msg, wparam, lparam) : 0;
  });
}

LRESULT SendMessageTimeoutW(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT flags,
                            UINT timeout_ms, ULONG_PTR* result) {
  if (result != nullptr) *result = 0;
  if (hwnd == nullptr) return 0;
  if (platform::channel::IsRemoteHandle(hwnd)) {
    LRESULT value = 0;
    const int bound = timeout_ms > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(timeout_ms);
    const bool abort_if_hung = (flags & SMTO_ABORTIFHUNG) != 0;
    if (!platform::channel::SendRemoteMessageWithin(hwnd, msg, wparam, lparam, bound, abort_if_hung,
                                                    &value)) {
      SetLastError(errno == ETIMEDOUT ? ERROR_TIMEOUT : ERROR_INVALID_HANDLE);
      return 0;
    }
    if (result != nullptr) *result = static_cast<ULONG_PTR>(value);
    return 1;
  }
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  LRESULT value = SendMessageW(hwnd, msg, wparam, lparam);
  if (result != nullptr) *result = static_cast<ULONG_PTR>(value);
  return 1;
}

BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (hwnd == nullptr || platform::channel::IsRemoteHandle(hwnd)) return FALSE;
  // The window is looked up when the message is delivered: one destroyed in
  // the meantime gets nothing.
  platform::PostToMainThread([hwnd, msg, wparam, lparam] {
    if (platform::NativeWindow* w = platform::LookupWindow(hwnd)) w->Dispatch(msg, wparam, lparam);
  });
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return OnMain<BOOL>([&]() -> BOOL {
    platform::NativeWindow* w = platform::LookupWindow(hwnd);
    if (w == nullptr) return FALSE;
    w->Move(x, y, width, height, repaint != FALSE);
    return TRUE;
  });
}

BOOL SetWindowPos(HWND hwnd, HWND insert_after, int x, int y, int cx, int cy, UINT flags) {
  return OnMain<BOOL>([&]() -> BOOL {
    platform::NativeWindow* w = platform::LookupWindow(hwnd);
    if (w == nullptr) return FALSE;
    w->SetPos(insert_after, x, y, cx, cy, flags);
    return TRUE;
  });
}

LONG GetWindowLongW(HWND hwnd, int index) {
  return OnMain<LONG>([&]() -> LONG {
    platform::NativeWindow* w = platform::LookupWindow(hwnd);
    if (w == nullptr) return 0;
    if (index == GWL_STYLE) return w->Style();
    if (index == GWL_EXSTYLE) return w->ExStyle();
    return 0;
  });
}

LONG SetWindowLongW(HWND hwnd, int index, LONG value) {
  return OnMain<LONG>([&]() -> LONG {
    platform::NativeWindow* w = platform::LookupWindow(hwnd);
    if (w == nullptr) return 0;
    if (index == GWL_STYLE) {
      LONG old = w->Style();
      w->SetStyle(value);
      return old;
    }
    if (index == GWL_EXSTYLE) {
      LONG old = w->ExStyle();
      w->SetExStyle(value);
      return old;
    }
    return 0;
  });
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  if (rect == nullptr) return FALSE;
  return OnMain<BOOL>([&]() -> BOOL {
    platform::NativeWindow* w = platform::LookupWindow(hwnd);
    if (w == nullptr) return FALSE;
    *rect = w->ClientRect();
    return TRUE;
  });
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  if (rect == nullptr) return FALSE;
  return OnMain<BOOL>([&]() -> BOOL {
    platform::NativeWindow* w = platform::LookupWindow(hwnd);
    if (w == nullptr) return FALSE;
    *rect = w->WindowRect();
    return TRUE;
  });
}

BOOL IsWindowVisible(HWND hwnd) {
  return (static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)) & WS_VISIBLE) != 0 ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
  return (static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)) & WS_MINIMIZE) != 0 ? TRUE : FALSE;
}

HWND GetDesktopWindow() {
  return OnMain<HWND>([] {
    if (g_desktop == nullptr) g_desktop = platform::RegisterWindow(new DesktopWindow);
    return g_desktop;
  });
}

HWND GetParent(HWND hwnd) {
  return OnMain<HWND>([&]() -> HWND {
    platform::NativeWindow* w = platform::LookupWindow(hwnd);
    return w != nullptr ? w->Parent() : nullptr;
  });
}

void PostQuitMessage(int /*exit_code*/) {
  if (platform::IsMainThread()) {
    platform::QuitApplicationLoop();
  } else {
    platform::PostToMainThread([] { platform::QuitApplicationLoop(); });
  }
}
