// Page zoom levels.
#include "mainwnd/page_zoom.h"

#include <algorithm>
#include <cmath>
#include <iterator>

int NextZoomStep(int percent, bool up) {
  if (up) {
    const int* next = std::upper_bound(std::begin(kZoomSteps), std::end(kZoomSteps), percent);
    return next == std::end(kZoomSteps) ? std::max(percent, kMaxZoom) : *next;
  }
  const int* at = std::lower_bound(std::begin(kZoomSteps), std::end(kZoomSteps), percent);
  return at == std::begin(kZoomSteps) ? std::min(percent, kMinZoom) : *(at - 1);
}

double ZoomLevelOf(int percent) { return std::log(percent / 100.0) / std::log(1.2); }

int ZoomPercentOf(double level) {
  return static_cast<int>(std::lround(std::pow(1.2, level) * 100));
}
