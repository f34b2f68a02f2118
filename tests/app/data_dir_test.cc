// The data directory from the environment, the locations composed from it,
// and removal of the page bundle's tree.
#include "app/data_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "app/locations.h"

namespace {

class EnvGuard {
 public:
  explicit EnvGuard(const char* name) : name_(name) {
    const char* v = std::getenv(name);
    had_ = v != nullptr;
    if (had_) old_ = v;
  }
  ~EnvGuard() {
    if (had_)
      setenv(name_, old_.c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

TEST(DataDir, UnderXdgDataHomeWhenSet) {
  EnvGuard xdg("XDG_DATA_HOME"), home("HOME");
  setenv("XDG_DATA_HOME", "/x/data", 1);
  setenv("HOME", "/home/u", 1);
  EXPECT_EQ(GetDataDir(), L"/x/data/vexalio");
  EXPECT_EQ(GetDataDirA(), "/x/data/vexalio");
  std::wstring data = GetDataDir();
  EXPECT_EQ(data + kCacheDir, L"/x/data/vexalio/cache");
  EXPECT_EQ(data + kStartPage, L"/x/data/vexalio/contentEditor/index.html");
  EXPECT_EQ(data + kVersionFile, L"/x/data/vexalio/version.ini");
  EXPECT_EQ(GetDataDirA() + kEditorDirA, "/x/data/vexalio/contentEditor");
}

TEST(DataDir, UnderHomeWithoutXdgDataHome) {
  EnvGuard xdg("XDG_DATA_HOME"), home("HOME");
  unsetenv("XDG_DATA_HOME");
  setenv("HOME", "/home/u", 1);
  EXPECT_EQ(GetDataDir(), L"/home/u/.local/share/vexalio");
  setenv("HOME", "/home/李", 1);
  EXPECT_EQ(GetDataDir(), L"/home/李/.local/share/vexalio");
  EXPECT_EQ(GetDataDirA(), "/home/李/.local/share/vexalio");
}

TEST(DataDir, EmptyWhenTheFolderCannotBeHad) {
  EnvGuard xdg("XDG_DATA_HOME");
  // A folder name longer than the platform's path limit fails the query.
  setenv("XDG_DATA_HOME", ("/" + std::string(300, 'd')).c_str(), 1);
  EXPECT_EQ(GetDataDir(), L"");
  EXPECT_EQ(GetDataDirA(), "");
}

TEST(RemoveDirectoryTree, RemovesTheBundleTreeOnly) {
  char tmpl[] = "/tmp/q-datadir-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  std::string data = tmpl;
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
  std::system(("rm -rf " + data).c_str());
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
