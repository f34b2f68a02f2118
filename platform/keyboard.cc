// Keyboard calls: the state of the modifier keys, and which window of this
// process has the keyboard focus.
#include "platform/keyboard.h"

#include <gtk/gtk.h>

#include <atomic>

#include "platform/main_thread.h"
#include "platform/native_window.h"
#include "platform/windows.h"

namespace {

// The modifiers of the key message being handled, or -1 outside one.
std::atomic<int> g_scoped_modifiers{-1};

constexpr SHORT kDown = static_cast<SHORT>(0x8000);

unsigned ModifiersNow() {
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr) return 0;
  const guint state = gdk_keymap_get_modifier_state(gdk_keymap_get_for_display(display));
  unsigned modifiers = 0;
  if (state & GDK_SHIFT_MASK) modifiers |= platform::kShiftDown;
  if (state & GDK_CONTROL_MASK) modifiers |= platform::kControlDown;
  if (state & GDK_MOD1_MASK) modifiers |= platform::kAltDown;
  return modifiers;
}

GtkWidget* FocusWidgetOf(platform::NativeWindow* window) {
  if (window == nullptr) return nullptr;
  void* widget = window->FocusWidget();
  return widget != nullptr && GTK_IS_WIDGET(widget) ? GTK_WIDGET(widget) : nullptr;
}

HWND FocusedWindow() {
  for (HWND hwnd : platform::LocalWindows()) {
    GtkWidget* widget = FocusWidgetOf(platform::LookupWindow(hwnd));
    if (widget != nullptr && gtk_widget_has_focus(widget)) return hwnd;
  }
  return nullptr;
}

}  // namespace

namespace platform {

KeyStateScope::KeyStateScope(unsigned modifiers) : previous_(g_scoped_modifiers.load()) {
  g_scoped_modifiers = static_cast<int>(modifiers);
}

KeyStateScope::~KeyStateScope() { g_scoped_modifiers = previous_; }

}  // namespace platform

SHORT GetKeyState(int virtual_key) {
  const int scoped = g_scoped_modifiers.load();
  const unsigned modifiers = scoped >= 0 ? static_cast<unsigned>(scoped) : ModifiersNow();
  switch (static_cast<UINT>(virtual_key)) {
    case VK_SHIFT:
    case VK_LSHIFT:
    case VK_RSHIFT:
      return (modifiers & platform::kShiftDown) ? kDown : 0;
    case VK_CONTROL:
    case VK_LCONTROL:
    case VK_RCONTROL:
      return (modifiers & platform::kControlDown) ? kDown : 0;
    case VK_MENU:
    case VK_LMENU:
    case VK_RMENU:
      return (modifiers & platform::kAltDown) ? kDown : 0;
    case VK_CAPITAL: {
      GdkDisplay* display = gdk_display_get_default();
      return display != nullptr &&
                     gdk_keymap_get_caps_lock_state(gdk_keymap_get_for_display(display))
                 ? 1
                 : 0;
    }
    default:
      return 0;
  }
}

HWND SetFocus(HWND hwnd) {
  HWND previous = nullptr;
  platform::RunOnMainThread([&] {
    previous = FocusedWindow();
    GtkWidget* widget = FocusWidgetOf(platform::LookupWindow(hwnd));
    if (widget != nullptr) gtk_widget_grab_focus(widget);
  });
  return previous;
}

HWND GetFocus() {
  HWND focused = nullptr;
  platform::RunOnMainThread([&] { focused = FocusedWindow(); });
  return focused;
}
