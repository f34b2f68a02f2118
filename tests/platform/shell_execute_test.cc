// ShellExecuteW "open": what would be launched for a file, for the file
// manager command with a folder, and the refusals.
#include "platform/shell_execute.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/windows.h"

namespace fs = std::filesystem;

namespace {

class ShellExecute : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("qshell-" + std::to_string(getpid()));
    fs::create_directories(dir_ / "my docs");
    std::ofstream(dir_ / "my docs" / "课件 1.zv") << "x";
    platform::SetShellLaunchHookForTesting(
        [this](const std::vector<std::string>& argv) { launched_.push_back(argv); });
  }
  void TearDown() override {
    platform::SetShellLaunchHookForTesting(nullptr);
    fs::remove_all(dir_);
  }
  static bool Succeeded(HINSTANCE result) { return reinterpret_cast<std::intptr_t>(result) > 32; }
  // The test folder's name is plain ASCII, so widening it byte by byte is exact.
  std::wstring Wide(const std::string& tail) const {
    const std::string dir = dir_.string();
    return std::wstring(dir.begin(), dir.end()) + L"/my docs" +
           (tail.empty() ? L"" : L"/课件 1.zv");
  }
  std::string DirUri() const { return "file://" + dir_.string(); }

  fs::path dir_;
  std::vector<std::vector<std::string>> launched_;
};

TEST_F(ShellExecute, OpensAFileAndAFolderThroughTheDesktop) {
  const std::wstring file = Wide("file");
  EXPECT_TRUE(
      Succeeded(ShellExecuteW(nullptr, L"open", file.c_str(), L"", nullptr, SW_SHOWNORMAL)));
  const std::wstring folder = Wide("");
  EXPECT_TRUE(Succeeded(
      ShellExecuteW(nullptr, L"open", L"explorer.exe", folder.c_str(), nullptr, SW_SHOWNORMAL)));
  // A relative name is taken in the directory given.
  EXPECT_TRUE(Succeeded(
      ShellExecuteW(nullptr, L"open", L"课件 1.zv", nullptr, folder.c_str(), SW_SHOWNORMAL)));
  const std::string file_uri = DirUri() + "/my%20docs/%E8%AF%BE%E4%BB%B6%201.zv";
  ASSERT_EQ(launched_.size(), 3u);
  EXPECT_EQ(launched_[0], (std::vector<std::string>{"gio", "open", file_uri}));
  EXPECT_EQ(launched_[1], (std::vector<std::string>{"gio", "open", DirUri() + "/my%20docs"}));
  EXPECT_EQ(launched_[2], launched_[0]);
}

TEST_F(ShellExecute, RefusesMissingTargetsAndOtherVerbs) {
  const std::wstring missing = Wide("") + L"/gone.zv";
  EXPECT_EQ(ShellExecuteW(nullptr, L"open", missing.c_str(), L"", nullptr, SW_SHOWNORMAL),
            reinterpret_cast<HINSTANCE>(2));
  EXPECT_EQ(
      ShellExecuteW(nullptr, L"open", L"explorer.exe", missing.c_str(), nullptr, SW_SHOWNORMAL),
      reinterpret_cast<HINSTANCE>(3));
  const std::wstring file = Wide("file");
  EXPECT_FALSE(
      Succeeded(ShellExecuteW(nullptr, L"print", file.c_str(), L"", nullptr, SW_SHOWNORMAL)));
  EXPECT_FALSE(Succeeded(ShellExecuteW(nullptr, L"open", nullptr, L"", nullptr, SW_SHOWNORMAL)));
  EXPECT_FALSE(Succeeded(ShellExecuteW(nullptr, L"open", L"", L"", nullptr, SW_SHOWNORMAL)));
  EXPECT_TRUE(launched_.empty());
}

TEST_F(ShellExecute, HandsUrlsOnAsTheyAre) {
  EXPECT_TRUE(Succeeded(ShellExecuteW(nullptr, L"open", L"https://example.invalid/a?b=1", nullptr,
                                      nullptr, SW_SHOWNORMAL)));
  ASSERT_EQ(launched_.size(), 1u);
  EXPECT_EQ(launched_[0][2], "https://example.invalid/a?b=1");
}

}  // namespace
