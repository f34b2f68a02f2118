// The main window's remembered placement and page zoom in window.ini.
#include "mainwnd/window_placement.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "mainwnd/page_zoom.h"
#include "tests/support/test_process.h"

namespace fs = std::filesystem;

namespace {

using test_support::WriteText;

// A temporary folder for the settings file.
class Placement : public ::testing::Test {
 protected:
  test_support::TempDir tmp_{"qplace"};
  fs::path root_ = tmp_.path();
};

TEST_F(Placement, RemembersAPlacementAndRefusesUnsoundOnes) {
  const std::string file = (root_ / "config/quorbital/window.ini").string();
  RECT rect{};
  EXPECT_FALSE(LoadRestoredRect(file, &rect)) << "no file yet";
  ASSERT_TRUE(SaveRestoredRect(file, RECT{-50, 20, 850, 620}));
  ASSERT_TRUE(LoadRestoredRect(file, &rect));
  EXPECT_EQ((std::vector<LONG>{rect.left, rect.top, rect.right, rect.bottom}),
            (std::vector<LONG>{-50, 20, 850, 620}));
  for (const char* bad : {"10,10,0,600", "10,10,900", "10,10,900,600,1", "a,b,c,d",
                          "10,10,90000,600", "99999999,10,900,600", ""}) {
    WriteText(file, std::string("[window]\nrestored=") + bad + "\n");
    EXPECT_FALSE(LoadRestoredRect(file, &rect)) << bad;
  }
}

TEST_F(Placement, KeepsTheZoomBesideThePlacementAndOnlyOneOfTheSteps) {
  const std::string file = (root_ / "config/quorbital/window.ini").string();
  EXPECT_EQ(LoadZoomPercent(file), 0) << "no file yet";
  ASSERT_TRUE(SaveRestoredRect(file, RECT{10, 20, 910, 620}));
  ASSERT_TRUE(SaveZoomPercent(file, 125));
  EXPECT_EQ(LoadZoomPercent(file), 125);
  RECT rect{};
  EXPECT_TRUE(LoadRestoredRect(file, &rect)) << "the placement stays";
  ASSERT_TRUE(SaveZoomPercent(file, 0));
  EXPECT_EQ(LoadZoomPercent(file), 0) << "the start size is not kept";
  EXPECT_TRUE(LoadRestoredRect(file, &rect));
  for (const char* bad : {"120", "40", "400", "125x", "-100", ""}) {
    WriteText(file, std::string("[window]\nzoom=") + bad + "\n");
    EXPECT_EQ(LoadZoomPercent(file), 0) << bad;
  }
}

TEST(PageZoom, StepsThroughTheUsualLevelsAndStopsAtTheEnds) {
  EXPECT_EQ(NextZoomStep(100, true), 110);
  EXPECT_EQ(NextZoomStep(100, false), 90);
  EXPECT_EQ(NextZoomStep(115, true), 125) << "between two steps";
  EXPECT_EQ(NextZoomStep(115, false), 110);
  EXPECT_EQ(NextZoomStep(300, true), 300);
  EXPECT_EQ(NextZoomStep(50, false), 50);
  for (int percent : kZoomSteps) EXPECT_EQ(ZoomPercentOf(ZoomLevelOf(percent)), percent);
  EXPECT_DOUBLE_EQ(ZoomLevelOf(100), 0);
}

TEST(WindowPlacement, APlaceCountsWhenEnoughOfTheTitleStripIsOnAScreen) {
  const std::vector<RECT> screens{{0, 0, 1920, 1080}, {1920, 0, 3200, 1024}};
  EXPECT_TRUE(IsOnScreen({100, 80, 1000, 680}, screens));
  EXPECT_TRUE(IsOnScreen({2000, 500, 2900, 1100}, screens)) << "on the second screen";
  EXPECT_TRUE(IsOnScreen({-800, 0, 200, 600}, screens)) << "partly off the left edge";
  EXPECT_FALSE(IsOnScreen({-950, 0, 50, 600}, screens)) << "50 pixels of the strip";
  EXPECT_FALSE(IsOnScreen({100, 1075, 1000, 1675}, screens)) << "the strip below the screen";
  EXPECT_FALSE(IsOnScreen({4000, 100, 4900, 700}, screens)) << "a screen that is gone";
  EXPECT_FALSE(IsOnScreen({100, 80, 1000, 680}, {})) << "no screens known";
}

}  // namespace
