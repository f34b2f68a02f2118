// The page zoom of the main window: the levels Ctrl+plus and Ctrl+minus step
// through, from 50 % to 300 % as browsers have them. Pages start at 100 %:
// the engine already draws their text at the desktop's text size.
#pragma once

// The zoom levels in percent, smallest first.
inline constexpr int kZoomSteps[] = {50, 67, 75, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300};
inline constexpr int kMinZoom = kZoomSteps[0];
inline constexpr int kMaxZoom = kZoomSteps[sizeof(kZoomSteps) / sizeof(kZoomSteps[0]) - 1];
inline constexpr int kDefaultZoom = 100;

// The next step above (up) or below percent; percent itself at either end.
// A level between two steps goes to the next step in that direction.
int NextZoomStep(int percent, bool up);

// The engine's zoom level (0 for 100 %, each unit a factor of 1.2) for a
// percentage, and back (rounded to a whole percent).
double ZoomLevelOf(int percent);
int ZoomPercentOf(double level);
