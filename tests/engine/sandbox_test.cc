// The trial run of bubblewrap and what is remembered of it: a stand-in
// binary counts its runs.
#include "engine/sandbox.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

class SandboxTrial : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "qsandbox-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    runtime_ = dir_ / "runtime";
    fs::create_directory(runtime_);
    bwrap_ = dir_ / "bwrap";
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A bwrap that notes each run and ends with status.
  void MakeBwrap(int status) {
    const fs::path next = dir_ / "bwrap.next";
    std::ofstream(next) << "#!/bin/sh\necho run >> '" << (dir_ / "runs").string() << "'\nexit "
                        << status << "\n";
    fs::permissions(next, fs::perms::owner_all);
    fs::rename(next, bwrap_);  // a new file, as an upgrade makes
  }
  int Runs() const {
    std::ifstream in(dir_ / "runs");
    return static_cast<int>(std::count(std::istreambuf_iterator<char>(in), {}, '\n'));
  }
  std::string Trial() { return engine::RememberedBubblewrapFailure(bwrap_, runtime_); }

  fs::path dir_, runtime_, bwrap_;
};

TEST_F(SandboxTrial, ASuccessIsRememberedForTheSameBinaryOnly) {
  MakeBwrap(0);
  EXPECT_FALSE(engine::SandboxKnownWithoutTrial(bwrap_, runtime_));
  EXPECT_EQ(Trial(), "");
  EXPECT_TRUE(engine::SandboxKnownWithoutTrial(bwrap_, runtime_));
  EXPECT_EQ(Trial(), "");
  EXPECT_EQ(Runs(), 1);
  MakeBwrap(0);
  EXPECT_FALSE(engine::SandboxKnownWithoutTrial(bwrap_, runtime_));
  EXPECT_EQ(Trial(), "");
  EXPECT_EQ(Runs(), 2);
  // No runtime directory: nothing remembered, the trial runs each time.
  EXPECT_EQ(engine::RememberedBubblewrapFailure(bwrap_, ""), "");
  EXPECT_EQ(Runs(), 3);
}

TEST_F(SandboxTrial, AFailureOrAnAnswerSomeoneElseWroteIsNotTaken) {
  MakeBwrap(1);
  EXPECT_NE(Trial(), "");
  EXPECT_NE(Trial(), "");
  EXPECT_EQ(Runs(), 2);
  // A success remembered, then the file replaced by a link to a copy of it.
  MakeBwrap(0);
  EXPECT_EQ(Trial(), "");
  const fs::path file = runtime_ / "quorbital-sandbox-trial";
  fs::copy_file(file, dir_ / "copy");
  fs::remove(file);
  fs::create_symlink(dir_ / "copy", file);
  EXPECT_FALSE(engine::SandboxKnownWithoutTrial(bwrap_, runtime_));
  EXPECT_EQ(Trial(), "");
  EXPECT_EQ(Runs(), 4);
}

}  // namespace
