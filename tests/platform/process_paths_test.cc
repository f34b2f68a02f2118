// The executable's directory and the per-user runtime directory.
#include "platform/process_paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/support/test_process.h"

namespace {

using test_support::ScopedEnv;

TEST(ProcessPaths, ExecutableDirHoldsThisTest) {
  std::string dir = platform::ExecutableDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir[0], '/');
  EXPECT_NE(dir.back(), '/');
  struct stat st;
  EXPECT_EQ(stat((dir + "/platform_process_paths_test").c_str(), &st), 0);
}

TEST(ProcessPaths, RuntimeDirPrefersXdgRuntimeDir) {
  test_support::TempDir dir("q-runtime");
  ScopedEnv env("XDG_RUNTIME_DIR", dir.path().c_str());
  EXPECT_EQ(platform::RuntimeDir(), dir.path());
}

TEST(ProcessPaths, RuntimeDirFallsBackToPrivateTmpDir) {
  ScopedEnv env("XDG_RUNTIME_DIR", nullptr);
  // A runtime directory that others can enter, or one of another user, is
  // passed over like a missing one.
  test_support::TempDir open("q-open-runtime"), foreign("q-foreign-runtime");
  ASSERT_EQ(chmod(open.path().c_str(), 0755), 0);
  // Only root can give a directory away; for others the mode case stands.
  const bool given_away = chown(foreign.path().c_str(), geteuid() + 1, getegid()) == 0;
  for (const char* value : {static_cast<const char*>(nullptr), "relative/dir", "/nonexistent",
                            open.path().c_str(), given_away ? foreign.path().c_str() : "/"}) {
    env.Set(value);
    std::string dir = platform::RuntimeDir();
    EXPECT_EQ(dir, "/tmp/quorbital-" + std::to_string(geteuid())) << (value ? value : "unset");
    struct stat st;
    ASSERT_EQ(lstat(dir.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
  }
}

TEST(ProcessPaths, RuntimeDirFallsBackToTheStateDirectoryWhenTheTmpNameIsTaken) {
  test_support::TempDir tmp("q-tmp");
  ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr), state("XDG_STATE_HOME", (tmp / "state").c_str()),
      cache("XDG_CACHE_HOME", (tmp / "cache").c_str());
  const std::string taken = tmp / ("quorbital-" + std::to_string(geteuid()));
  const std::string fallback = tmp / "state/quorbital-runtime";
  // Open to others, a link to a private directory, a plain file: none is used.
  ASSERT_EQ(mkdir(taken.c_str(), 0755), 0);
  EXPECT_EQ(platform::RuntimeDirWithTmp(tmp.path()), fallback);
  struct stat st;
  ASSERT_EQ(lstat(fallback.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_EQ(rmdir(taken.c_str()), 0);
  ASSERT_EQ(symlink(fallback.c_str(), taken.c_str()), 0);
  EXPECT_EQ(platform::RuntimeDirWithTmp(tmp.path()), fallback);
  // A fallback that is not private itself is refused too.
  ASSERT_EQ(chmod(fallback.c_str(), 0750), 0);
  EXPECT_EQ(platform::RuntimeDirWithTmp(tmp.path()), "");
  // Never in the cache directory, which the web processes may write.
  state.Set((tmp / "cache/state").c_str());
  EXPECT_EQ(platform::RuntimeDirWithTmp(tmp.path()), "");
  EXPECT_FALSE(std::filesystem::exists(tmp / "cache/state"));
}

}  // namespace
