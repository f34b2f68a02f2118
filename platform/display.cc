// The display and its screens, over GDK.
#include "platform/display.h"

#include <gtk/gtk.h>

namespace platform {

bool OpenDisplay() { return gtk_init_check(nullptr, nullptr); }

std::vector<RECT> ScreenRects() {
  std::vector<RECT> screens;
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr) return screens;
  for (int i = 0; i < gdk_display_get_n_monitors(display); ++i) {
    GdkRectangle r;
    gdk_monitor_get_geometry(gdk_display_get_monitor(display, i), &r);
    screens.push_back(RECT{r.x, r.y, r.x + r.width, r.y + r.height});
  }
  return screens;
}

}  // namespace platform
