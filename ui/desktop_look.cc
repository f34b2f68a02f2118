// The desktop's text size and contrast, from GTK's settings.
#include "ui/desktop_look.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace ui {
namespace {

constexpr double kUsualDpi = 96.0;

std::vector<std::function<void()>>& Watchers() {
  static std::vector<std::function<void()>> watchers;
  return watchers;
}

void OnSettingChanged(GObject*, GParamSpec*, gpointer) {
  // A copy: a watcher may add another.
  const std::vector<std::function<void()>> watchers = Watchers();
  for (const auto& changed : watchers) changed();
}

}  // namespace

double DesktopTextScale() {
  GtkSettings* settings = gtk_settings_get_default();
  if (settings == nullptr) return 1;
  int xft_dpi = -1;
  g_object_get(settings, "gtk-xft-dpi", &xft_dpi, nullptr);
  if (xft_dpi <= 0) return 1;
  double scale = xft_dpi / 1024.0 / kUsualDpi;
  // GDK_DPI_SCALE scales the text of every GTK program the same way.
  if (const char* env = std::getenv("GDK_DPI_SCALE")) {
    const double extra = g_ascii_strtod(env, nullptr);
    if (extra > 0) scale *= extra;
  }
  return std::clamp(scale, 0.5, 3.0);
}

Contrast DesktopContrast() {
  GtkSettings* settings = gtk_settings_get_default();
  std::string theme;
  bool dark = false;
  if (const char* env = std::getenv("GTK_THEME"); env != nullptr && *env != '\0') {
    theme = env;
    const size_t colon = theme.find(':');
    if (colon != std::string::npos) {
      dark = theme.substr(colon + 1) == "dark";
      theme.resize(colon);
    }
  } else if (settings != nullptr) {
    g_autofree gchar* name = nullptr;
    gboolean prefer_dark = FALSE;
    g_object_get(settings, "gtk-theme-name", &name, "gtk-application-prefer-dark-theme",
                 &prefer_dark, nullptr);
    theme = name != nullptr ? name : "";
    dark = prefer_dark;
  }
  if (theme == "HighContrastInverse") return Contrast::kHighInverse;
  if (theme == "HighContrast") return dark ? Contrast::kHighInverse : Contrast::kHigh;
  return Contrast::kNormal;
}

void WatchDesktopLook(std::function<void()> changed) {
  GtkSettings* settings = gtk_settings_get_default();
  if (settings == nullptr) return;
  if (Watchers().empty()) {
    for (const char* name : {"notify::gtk-xft-dpi", "notify::gtk-theme-name",
                             "notify::gtk-application-prefer-dark-theme"})
      g_signal_connect(settings, name, G_CALLBACK(OnSettingChanged), nullptr);
  }
  Watchers().push_back(std::move(changed));
}

}  // namespace ui
