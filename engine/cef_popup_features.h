// What a page asked of a new window it wanted to open.
#pragma once

struct CefPopupFeatures {
  int x = 0;
  bool xSet = false;
  int y = 0;
  bool ySet = false;
  int width = 0;
  bool widthSet = false;
  int height = 0;
  bool heightSet = false;
};
