// Where the browser sits in the main window, restored and maximised.
#include "mainwnd/browser_geometry.h"

#include <gtest/gtest.h>

namespace {

TEST(BrowserGeometry, LeavesTheTitleStripAndABorderWhenRestored) {
  RECT r = BrowserChildRect(false, 1000, 700, 700);
  EXPECT_EQ(r.left, 1);
  EXPECT_EQ(r.top, 24);
  EXPECT_EQ(r.right - r.left, 998);
  EXPECT_EQ(r.bottom - r.top, 675);
  // Restored windows take the height from the current client rectangle.
  r = BrowserChildRect(false, 1000, 123, 700);
  EXPECT_EQ(r.bottom - r.top, 675);
}

TEST(BrowserGeometry, CoversAllButTheTitleStripWhenMaximised) {
  RECT r = BrowserChildRect(true, 1920, 1040, 500);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 24);
  EXPECT_EQ(r.right, 1920);
  EXPECT_EQ(r.bottom - r.top, 1016);
}

}  // namespace
