// What the window manager says about a top-level window on an X display.
// GDK counts a window as mapped, and as in the state it asked for, as soon
// as it asks; only the window manager's own answer says that the window is
// on the screen, so a test that places, clicks or sizes a window waits for
// that answer first.
#pragma once

#include <gtk/gtk.h>

#include <vector>

namespace test_support {

// The window's property of format 32 (as longs), or nothing.
inline std::vector<long> WindowProperty(GtkWidget* window, const char* name) {
  GdkWindow* gw = window != nullptr ? gtk_widget_get_window(window) : nullptr;
  std::vector<long> values;
  if (gw == nullptr) return values;
  GdkAtom type = GDK_NONE;
  gint format = 0;
  gint length = 0;
  guchar* data = nullptr;
  if (gdk_property_get(gw, gdk_atom_intern(name, FALSE), GDK_NONE, 0, 64, FALSE, &type, &format,
                       &length, &data) &&
      data != nullptr && format == 32) {
    const auto* longs = reinterpret_cast<const long*>(data);
    values.assign(longs, longs + length / static_cast<gint>(sizeof(long)));
  }
  g_free(data);
  return values;
}

// Whether the window manager has taken the window and shows it: it sets the
// window's WM_STATE property to NormalState (1) when it maps a window it
// manages.
inline bool ShownByWindowManager(GtkWidget* window) {
  const std::vector<long> state = WindowProperty(window, "WM_STATE");
  return !state.empty() && state[0] == 1;
}

// Whether the window manager shows the window and keeps it above the
// others, as it publishes in the window's _NET_WM_STATE.
inline bool KeptAboveByWindowManager(GtkWidget* window) {
  if (!ShownByWindowManager(window)) return false;
  // GDK hands properties of type ATOM over as its own atoms.
  GdkAtom above = gdk_atom_intern_static_string("_NET_WM_STATE_ABOVE");
  for (long atom : WindowProperty(window, "_NET_WM_STATE")) {
    if (reinterpret_cast<GdkAtom>(atom) == above) return true;  // NOLINT: an atom is a pointer
  }
  return false;
}

}  // namespace test_support
