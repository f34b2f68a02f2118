// The main window's arithmetic, its remembered placement and its
// first-start bundle installation.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "mainwnd/browser_geometry.h"
#include "mainwnd/default_bundle.h"
#include "mainwnd/file_dialogs.h"
#include "mainwnd/page_zoom.h"
#include "mainwnd/window_placement.h"

namespace fs = std::filesystem;

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

TEST(DialogPlacement, CentresOnTheReferenceRoundingTowardZero) {
  // A 400x300 dialog client centred on a 1001x701 reference at (10, 20).
  POINT p = DialogPlacement(10, 20, RECT{0, 0, 400, 300}, RECT{0, 0, 1001, 701});
  EXPECT_EQ(p.x, 10 + 300);
  EXPECT_EQ(p.y, 20 + 200);
  // A reference smaller than the dialog moves it up and left; -1/2 is 0.
  p = DialogPlacement(100, 100, RECT{0, 0, 401, 301}, RECT{0, 0, 400, 300});
  EXPECT_EQ(p.x, 100);
  EXPECT_EQ(p.y, 100);
  // With its own client rectangle as reference the frame stays at (cx, cy).
  p = DialogPlacement(50, 60, RECT{0, 0, 400, 300}, RECT{0, 0, 400, 300});
  EXPECT_EQ(p.x, 50);
  EXPECT_EQ(p.y, 60);
}

TEST(PlainFileName, KeepsOnlyAPlainNameOfAtMost200Bytes) {
  EXPECT_EQ(PlainFileName(L"a b.pdf"), L"a b.pdf");
  EXPECT_EQ(PlainFileName(L"../../.bashrc"), L"bashrc");
  EXPECT_EQ(PlainFileName(L"/home/u/.profile"), L"profile");
  EXPECT_EQ(PlainFileName(L"..\\x\\..config"), L"config");
  // Slashes drawn like the separator are separators too.
  EXPECT_EQ(PlainFileName(L"\uFF0F..\uFF0Fetc\uFF0Fpasswd"), L"passwd");
  EXPECT_EQ(PlainFileName(L"a\u2215b\u2044c\u29F8.d.pdf"), L"d.pdf");
  EXPECT_EQ(PlainFileName(L"dir/"), L"");
  EXPECT_EQ(PlainFileName(L".."), L"");
  EXPECT_EQ(PlainFileName(L"a\nb\tc.pdf"), L"abc.pdf");
  EXPECT_EQ(PlainFileName(L"v1.2.pdf"), L"v1.2.pdf") << "inner dots stay";
  // Format characters would show the name as another one: "invoice\u202Efdp.exe"
  // reads as "invoiceexe.pdf".
  EXPECT_EQ(PlainFileName(L"invoice\u202Efdp.exe"), L"invoicefdp.exe");
  EXPECT_EQ(PlainFileName(L"\u200B.\u2066a\u200Fb\uFEFF\u2069\u00AD\U000E0001.pdf"), L"ab.pdf");
  // 200 bytes of UTF-8 at most, cut before a character that would not fit:
  // 66 three-byte characters are 198 bytes, a 67th would make 201.
  std::wstring long_name(70, L'文');
  EXPECT_EQ(PlainFileName(long_name), std::wstring(66, L'文'));
  EXPECT_EQ(PlainFileName(std::wstring(250, L'a')), std::wstring(200, L'a'));
  EXPECT_EQ(PlainFileName(std::wstring(199, L'a') + L"\U0001F600"), std::wstring(199, L'a'));
}

class DefaultBundle : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ =
        fs::temp_directory_path() /
        ("qbundle-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(root_);
    Write(root_ / "shipped/contentEditor/index.html", "default start");
    Write(root_ / "shipped/contentEditor/editor/index.html", "default editor");
    data_ = (root_ / "data/vexalio").string();
  }
  void TearDown() override { fs::remove_all(root_); }

  static void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path root_;
  std::string data_;
};

TEST_F(DefaultBundle, InstallsIntoAnEmptyDataDirectoryWithoutABuildNumber) {
  ASSERT_TRUE(InstallDefaultBundle((root_ / "shipped").string(), data_));
  EXPECT_EQ(Read(fs::path(data_) / "contentEditor/index.html"), "default start");
  EXPECT_EQ(Read(fs::path(data_) / "contentEditor/editor/index.html"), "default editor");
  EXPECT_FALSE(fs::exists(fs::path(data_) / "version.ini"));
  for (const auto& entry : fs::directory_iterator(data_)) {
    EXPECT_EQ(entry.path().filename(), "contentEditor") << "no staging folder is left";
  }
}

TEST_F(DefaultBundle, NeverOverwritesAnInstalledBundle) {
  Write(fs::path(data_) / "contentEditor/index.html", "updated start");
  ASSERT_TRUE(InstallDefaultBundle((root_ / "shipped").string(), data_));
  EXPECT_EQ(Read(fs::path(data_) / "contentEditor/index.html"), "updated start");
  EXPECT_FALSE(fs::exists(fs::path(data_) / "contentEditor/editor/index.html"));
}

TEST_F(DefaultBundle, CompletesAFolderWithoutAStartPageKeepingItsFiles) {
  Write(fs::path(data_) / "contentEditor/editor/index.html", "kept editor");
  ASSERT_TRUE(InstallDefaultBundle((root_ / "shipped").string(), data_));
  EXPECT_EQ(Read(fs::path(data_) / "contentEditor/index.html"), "default start");
  EXPECT_EQ(Read(fs::path(data_) / "contentEditor/editor/index.html"), "kept editor");
}

TEST_F(DefaultBundle, AFailureToWriteTellsWhatItMeansToAPerson) {
  std::error_code cause = std::make_error_code(std::errc::permission_denied);
  EXPECT_EQ(DataFolderProblemOf(cause), DataFolderProblem::kNotWritable);
  cause = std::make_error_code(std::errc::read_only_file_system);
  EXPECT_EQ(DataFolderProblemOf(cause), DataFolderProblem::kNotWritable);
  cause = std::error_code(ENOSPC, std::system_category());
  EXPECT_EQ(DataFolderProblemOf(cause), DataFolderProblem::kFull);
  cause = std::error_code(EDQUOT, std::system_category());
  EXPECT_EQ(DataFolderProblemOf(cause), DataFolderProblem::kFull);
  EXPECT_EQ(DataFolderProblemOf(std::error_code(EIO, std::system_category())),
            DataFolderProblem::kNone);
}

// A temporary folder for the settings file.
using Placement = DefaultBundle;

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
    Write(file, std::string("[window]\nrestored=") + bad + "\n");
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
    Write(file, std::string("[window]\nzoom=") + bad + "\n");
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

TEST_F(DefaultBundle, WithoutAShippedBundleOrDataDirectoryNothingHappens) {
  EXPECT_FALSE(InstallDefaultBundle((root_ / "missing").string(), data_));
  EXPECT_FALSE(fs::exists(data_));
  EXPECT_FALSE(InstallDefaultBundle((root_ / "shipped").string(), ""));
}

}  // namespace
