// The local application-data folder from the environment, and the recursive
// delete that removes links but never what they point to.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/windows.h"

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

std::string FolderA() {
  char path[MAX_PATH] = "untouched";
  if (!SHGetSpecialFolderPathA(nullptr, path, CSIDL_LOCAL_APPDATA, FALSE)) return "<failed>";
  return path;
}

TEST(SHGetSpecialFolderPath, LocalAppDataFromTheEnvironment) {
  EnvGuard xdg("XDG_DATA_HOME"), home("HOME");
  setenv("XDG_DATA_HOME", "/x/data/", 1);
  setenv("HOME", "/home/u", 1);
  EXPECT_EQ(FolderA(), "/x/data");
  wchar_t wide[MAX_PATH];
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, wide, CSIDL_LOCAL_APPDATA, FALSE));
  EXPECT_EQ(std::wstring(wide), L"/x/data");

  setenv("XDG_DATA_HOME", "relative/ignored", 1);
  EXPECT_EQ(FolderA(), "/home/u/.local/share");
  unsetenv("XDG_DATA_HOME");
  setenv("HOME", "/home/用户/", 1);
  EXPECT_EQ(FolderA(), "/home/用户/.local/share");
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, wide, CSIDL_LOCAL_APPDATA, FALSE));
  EXPECT_EQ(std::wstring(wide), L"/home/用户/.local/share");

  // Without HOME the user's entry in the password database is asked.
  unsetenv("HOME");
  std::string folder = FolderA();
  EXPECT_EQ(folder.substr(0, 1), "/");
  EXPECT_EQ(folder.substr(folder.size() - 13), "/.local/share");
}

TEST(SHGetSpecialFolderPath, TooLongOrUnknownFails) {
  EnvGuard xdg("XDG_DATA_HOME");
  setenv("XDG_DATA_HOME", ("/" + std::string(300, 'd')).c_str(), 1);
  EXPECT_EQ(FolderA(), "<failed>");
  wchar_t wide[MAX_PATH];
  EXPECT_FALSE(SHGetSpecialFolderPathW(nullptr, wide, CSIDL_LOCAL_APPDATA, FALSE));
  char path[MAX_PATH];
  EXPECT_FALSE(SHGetSpecialFolderPathA(nullptr, path, 0x05, FALSE));
}

TEST(SHGetSpecialFolderPath, CreateFlagMakesTheFolder) {
  EnvGuard xdg("XDG_DATA_HOME");
  char tmpl[] = "/tmp/q-shell-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  std::string folder = std::string(tmpl) + "/a/b";
  setenv("XDG_DATA_HOME", folder.c_str(), 1);
  char path[MAX_PATH];
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, path, CSIDL_LOCAL_APPDATA, TRUE));
  struct stat st;
  EXPECT_EQ(stat(folder.c_str(), &st), 0);
  std::system(("rm -rf " + std::string(tmpl)).c_str());
}

class Delete : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/q-delete-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
  }
  void TearDown() override { std::system(("chmod -R u+rwx " + root_ + "; rm -rf " + root_).c_str()); }

  void Touch(const std::string& path) { std::ofstream(root_ + "/" + path) << "x"; }
  void Dir(const std::string& path) { mkdir((root_ + "/" + path).c_str(), 0755); }
  bool Exists(const std::string& path) {
    struct stat st;
    return lstat((root_ + "/" + path).c_str(), &st) == 0;
  }
  int Remove(const std::string& list) {
    SHFILEOPSTRUCTA op;
    op.wFunc = FO_DELETE;
    op.pFrom = list.c_str();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;
    return SHFileOperationA(&op);
  }
  std::string Path(const std::string& p) { return root_ + "/" + p; }

  std::string root_;
};

TEST_F(Delete, RemovesTreesAndFilesOfTheList) {
  Dir("tree");
  Dir("tree/sub");
  Dir("tree/sub/deeper");
  Dir("tree/empty");
  Touch("tree/a");
  Touch("tree/sub/b");
  Touch("tree/sub/deeper/.hidden");
  Touch("single");
  Touch("kept");
  std::string list = Path("tree") + '\0' + Path("single") + '\0' + '\0';
  EXPECT_EQ(Remove(list), 0);
  EXPECT_FALSE(Exists("tree"));
  EXPECT_FALSE(Exists("single"));
  EXPECT_TRUE(Exists("kept"));
}

TEST_F(Delete, NeverFollowsSymbolicLinks) {
  Dir("outside");
  Touch("outside/precious");
  Dir("tree");
  ASSERT_EQ(symlink(Path("outside").c_str(), Path("tree/dirlink").c_str()), 0);
  ASSERT_EQ(symlink(Path("outside/precious").c_str(), Path("tree/filelink").c_str()), 0);
  ASSERT_EQ(symlink("/nonexistent", Path("tree/dangling").c_str()), 0);
  ASSERT_EQ(symlink(Path("outside").c_str(), Path("toplink").c_str()), 0);
  EXPECT_EQ(Remove(Path("tree") + '\0' + '\0'), 0);
  EXPECT_EQ(Remove(Path("toplink") + '\0' + '\0'), 0);
  EXPECT_FALSE(Exists("tree"));
  EXPECT_FALSE(Exists("toplink"));
  EXPECT_TRUE(Exists("outside/precious"));
}

TEST_F(Delete, ReportsMissingPathsAndBadRequests) {
  EXPECT_NE(Remove(Path("missing") + '\0' + '\0'), 0);
  Touch("there");
  // The rest of the list is still done after a failure.
  EXPECT_NE(Remove(Path("missing") + '\0' + Path("there") + '\0' + '\0'), 0);
  EXPECT_FALSE(Exists("there"));
  EXPECT_NE(Remove(std::string(2, '\0')), 0);
  EXPECT_NE(Remove(std::string("/") + '\0' + '\0'), 0);
  EXPECT_NE(SHFileOperationA(nullptr), 0);
  SHFILEOPSTRUCTA copy;
  copy.wFunc = FO_COPY;
  copy.pFrom = "x\0";
  EXPECT_NE(SHFileOperationA(&copy), 0);
}

}  // namespace
