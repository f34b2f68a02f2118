// The data directory from the environment, the locations composed from it,
// and removal of the page bundle's tree.
#include "app/data_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "app/locations.h"
#include "tests/support/test_process.h"

namespace {

using test_support::ScopedEnv;

TEST(DataDir, UnderXdgDataHomeWhenSet) {
  ScopedEnv xdg("XDG_DATA_HOME", "/x/data"), home("HOME", "/home/u");
  EXPECT_EQ(GetDataDir(), L"/x/data/vexalio");
  EXPECT_EQ(GetDataDirA(), "/x/data/vexalio");
  std::wstring data = GetDataDir();
  EXPECT_EQ(data + kCacheDir, L"/x/data/vexalio/cache");
  EXPECT_EQ(data + kStartPage, L"/x/data/vexalio/contentEditor/index.html");
  EXPECT_EQ(data + kVersionFile, L"/x/data/vexalio/version.ini");
  EXPECT_EQ(GetDataDirA() + kEditorDirA, "/x/data/vexalio/contentEditor");
}

TEST(DataDir, UnderHomeWithoutXdgDataHome) {
  test_support::TempDir dir("q-home");
  const std::string home_li = dir / "李";
  mkdir(home_li.c_str(), 0700);
  ScopedEnv xdg("XDG_DATA_HOME", nullptr), home("HOME", home_li.c_str());
  EXPECT_EQ(GetDataDirA(), home_li + "/.local/share/vexalio");
  EXPECT_TRUE(GetDataDir().ends_with(L"/李/.local/share/vexalio"));
}

TEST(DataDir, EmptyWhenTheFolderCannotBeHad) {
  // A folder name longer than the platform's path limit fails the query.
  ScopedEnv xdg("XDG_DATA_HOME", ("/" + std::string(300, 'd')).c_str());
  EXPECT_EQ(GetDataDir(), L"");
  EXPECT_EQ(GetDataDirA(), "");
  // So does a home that is missing or the root: never "/vexalio".
  xdg.Set(nullptr);
  ScopedEnv home("HOME", "/");
  EXPECT_EQ(GetDataDir(), L"");
  home.Set("/nonexistent-home");
  EXPECT_EQ(GetDataDirA(), "");
}

TEST(RemoveDirectoryTree, RemovesTheBundleTreeOnly) {
  test_support::TempDir dir("q-datadir");
  const std::string& data = dir.path();
  std::string editor = data + kEditorDirA;
  ASSERT_EQ(mkdir(editor.c_str(), 0755), 0);
  ASSERT_EQ(mkdir((editor + "/editor").c_str(), 0755), 0);
  std::ofstream(editor + "/index.html") << "<p>start</p>";
  std::ofstream(editor + "/editor/index.html") << "<p>editor</p>";
  std::ofstream(data + "/version.ini") << "[versionInformation]\nbuild=1\n";
  EXPECT_EQ(RemoveDirectoryTree(editor), 0);
  struct stat st;
  EXPECT_NE(stat(editor.c_str(), &st), 0);
  EXPECT_EQ(stat((data + "/version.ini").c_str(), &st), 0);
  // A path that is not there is reported, not ignored.
  EXPECT_NE(RemoveDirectoryTree(editor), 0);
  EXPECT_NE(RemoveDirectoryTree(""), 0);
}

TEST(Locations, FixedNames) {
  EXPECT_EQ(std::wstring(L"/x") + kOfflineEditorPrefix,
            L"/x/contentEditor/editor/index.html?channel=offline&file=");
  EXPECT_EQ(std::wstring(kMainWndClass), L"main_wnd_class");
  EXPECT_EQ(std::wstring(kMainWndTitle), L"Quorbital");
  EXPECT_EQ(std::wstring(kMutexName), L"TEST_MUTEXT_NAME");
  EXPECT_EQ(std::wstring(kBundleJobName), kBundleArchive);
}

}  // namespace
