// The first-start installation of the bundle shipped with the client.
#include "mainwnd/default_bundle.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

#include "tests/support/test_process.h"

namespace fs = std::filesystem;

namespace {

using test_support::ReadFile;
using test_support::WriteText;

class DefaultBundle : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteText(root_ / "shipped/contentEditor/index.html", "default start");
    WriteText(root_ / "shipped/contentEditor/editor/index.html", "default editor");
  }

  test_support::TempDir tmp_{"qbundle"};
  fs::path root_ = tmp_.path();
  std::string data_ = (root_ / "data/vexalio").string();
};

TEST_F(DefaultBundle, InstallsIntoAnEmptyDataDirectoryWithoutABuildNumber) {
  ASSERT_TRUE(InstallDefaultBundle((root_ / "shipped").string(), data_));
  EXPECT_EQ(ReadFile(fs::path(data_) / "contentEditor/index.html"), "default start");
  EXPECT_EQ(ReadFile(fs::path(data_) / "contentEditor/editor/index.html"), "default editor");
  EXPECT_FALSE(fs::exists(fs::path(data_) / "version.ini"));
  for (const auto& entry : fs::directory_iterator(data_)) {
    EXPECT_EQ(entry.path().filename(), "contentEditor") << "no staging folder is left";
  }
}

TEST_F(DefaultBundle, NeverOverwritesAnInstalledBundle) {
  WriteText(fs::path(data_) / "contentEditor/index.html", "updated start");
  ASSERT_TRUE(InstallDefaultBundle((root_ / "shipped").string(), data_));
  EXPECT_EQ(ReadFile(fs::path(data_) / "contentEditor/index.html"), "updated start");
  EXPECT_FALSE(fs::exists(fs::path(data_) / "contentEditor/editor/index.html"));
}

TEST_F(DefaultBundle, CompletesAFolderWithoutAStartPageKeepingItsFiles) {
  WriteText(fs::path(data_) / "contentEditor/editor/index.html", "kept editor");
  ASSERT_TRUE(InstallDefaultBundle((root_ / "shipped").string(), data_));
  EXPECT_EQ(ReadFile(fs::path(data_) / "contentEditor/index.html"), "default start");
  EXPECT_EQ(ReadFile(fs::path(data_) / "contentEditor/editor/index.html"), "kept editor");
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
