// What the desktop asks of the skins' looks: its text size (the text
// scaling factor, GTK's gtk-xft-dpi, which GNOME's "large text" raises) and
// its high-contrast theme (GTK's HighContrast and HighContrastInverse).
// Internal to the toolkit; main thread.
#pragma once

#include <functional>

namespace ui {

enum class Contrast {
  kNormal,
  kHigh,         // dark text on light ground
  kHighInverse,  // light text on dark ground
};

// The desktop's text size against the usual 96 dots an inch: 1.5 for large
// text of 144. 1 without a display; within 0.5 and 3.
double DesktopTextScale();
// The desktop's contrast: its GTK theme (GTK_THEME, which GTK itself honours
// first, else the theme setting), a dark variant inverting it.
Contrast DesktopContrast();
// changed runs (from the loop) whenever either of them changes.
void WatchDesktopLook(std::function<void()> changed);

}  // namespace ui
