// The first-start installation of the bundle shipped with the client.
#include "mainwnd/default_bundle.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

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

TEST_F(DefaultBundle, WithoutAShippedBundleOrDataDirectoryNothingHappens) {
  EXPECT_FALSE(InstallDefaultBundle((root_ / "missing").string(), data_));
  EXPECT_FALSE(fs::exists(data_));
  EXPECT_FALSE(InstallDefaultBundle((root_ / "shipped").string(), ""));
}

}  // namespace
