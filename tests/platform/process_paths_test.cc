// The executable's directory and the per-user runtime directory.
#include "platform/process_paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

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

TEST(ProcessPaths, ExecutableDirHoldsThisTest) {
  std::string dir = platform::ExecutableDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir[0], '/');
  EXPECT_NE(dir.back(), '/');
  struct stat st;
  EXPECT_EQ(stat((dir + "/platform_process_paths_test").c_str(), &st), 0);
}

TEST(ProcessPaths, RuntimeDirPrefersXdgRuntimeDir) {
  EnvGuard guard("XDG_RUNTIME_DIR");
  char tmpl[] = "/tmp/qrt-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  setenv("XDG_RUNTIME_DIR", tmpl, 1);
  EXPECT_EQ(platform::RuntimeDir(), tmpl);
  rmdir(tmpl);
}

TEST(ProcessPaths, RuntimeDirFallsBackToPrivateTmpDir) {
  EnvGuard guard("XDG_RUNTIME_DIR");
  for (const char* value : {"", "relative/dir", "/nonexistent/runtime"}) {
    if (*value)
      setenv("XDG_RUNTIME_DIR", value, 1);
    else
      unsetenv("XDG_RUNTIME_DIR");
    std::string dir = platform::RuntimeDir();
    EXPECT_EQ(dir, "/tmp/quorbital-" + std::to_string(geteuid())) << value;
    struct stat st;
    ASSERT_EQ(lstat(dir.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
  }
}

}  // namespace
