// The local application-data folder from the environment, and the recursive
// delete that removes links but never what they point to.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/windows.h"
#include "tests/support/test_process.h"

namespace {

using test_support::ScopedEnv;

std::string FolderA() {
  char path[MAX_PATH] = "untouched";
  if (!SHGetSpecialFolderPathA(nullptr, path, CSIDL_LOCAL_APPDATA, FALSE)) return "<failed>";
  return path;
}

TEST(SHGetSpecialFolderPath, LocalAppDataFromTheEnvironment) {
  test_support::TempDir dir("q-shell");
  const std::string home_u = dir / "u", home_cn = dir / "用户";
  mkdir(home_u.c_str(), 0700);
  mkdir(home_cn.c_str(), 0700);
  ScopedEnv xdg("XDG_DATA_HOME", "/x/data/"), home("HOME", home_u.c_str());
  EXPECT_EQ(FolderA(), "/x/data");
  wchar_t wide[MAX_PATH];
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, wide, CSIDL_LOCAL_APPDATA, FALSE));
  EXPECT_EQ(std::wstring(wide), L"/x/data");

  xdg.Set("relative/ignored");
  EXPECT_EQ(FolderA(), home_u + "/.local/share");
  xdg.Set(nullptr);
  home.Set((home_cn + "/").c_str());
  EXPECT_EQ(FolderA(), home_cn + "/.local/share");
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, wide, CSIDL_LOCAL_APPDATA, FALSE));
  EXPECT_TRUE(std::wstring(wide).ends_with(L"/用户/.local/share"));

  // The settings folder follows the same rules with its own variable.
  char settings[MAX_PATH];
  ScopedEnv config("XDG_CONFIG_HOME", nullptr);
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, settings, CSIDL_APPDATA, FALSE));
  EXPECT_EQ(std::string(settings), home_cn + "/.config");
  config.Set("/x/config");
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, settings, CSIDL_APPDATA, FALSE));
  EXPECT_EQ(std::string(settings), "/x/config");

  // Without HOME the user's entry in the password database is asked.
  home.Set(nullptr);
  std::string folder = FolderA();
  EXPECT_EQ(folder.substr(0, 1), "/");
  EXPECT_EQ(folder.substr(folder.size() - 13), "/.local/share");
}

TEST(SHGetSpecialFolderPath, NoFolderWithoutAUsableHome) {
  // A home that is the root, relative or missing would put the folder where
  // it does not belong; the query fails instead.
  ScopedEnv xdg("XDG_DATA_HOME", nullptr), home("HOME", "/");
  for (const char* value : {"/", "//", "relative/home", "/nonexistent-home-of-nobody"}) {
    home.Set(value);
    EXPECT_EQ(FolderA(), "<failed>") << value;
  }
}

TEST(SHGetSpecialFolderPath, TooLongOrUnknownFails) {
  ScopedEnv xdg("XDG_DATA_HOME", ("/" + std::string(300, 'd')).c_str());
  EXPECT_EQ(FolderA(), "<failed>");
  wchar_t wide[MAX_PATH];
  EXPECT_FALSE(SHGetSpecialFolderPathW(nullptr, wide, CSIDL_LOCAL_APPDATA, FALSE));
  char path[MAX_PATH];
  EXPECT_FALSE(SHGetSpecialFolderPathA(nullptr, path, 0x05, FALSE));
}

TEST(SHGetSpecialFolderPath, CreateFlagMakesTheFolder) {
  test_support::TempDir dir("q-shell");
  std::string folder = dir / "a/b";
  ScopedEnv xdg("XDG_DATA_HOME", folder.c_str());
  char path[MAX_PATH];
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, path, CSIDL_LOCAL_APPDATA, TRUE));
  struct stat st;
  EXPECT_EQ(stat(folder.c_str(), &st), 0);
}

class Delete : public ::testing::Test {
 protected:
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

  test_support::TempDir dir_{"q-delete"};
  std::string root_ = dir_.path();
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
