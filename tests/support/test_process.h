// Test helpers for code that reads the environment or its own process: a
// scoped environment variable, a scoped temporary directory, and starting
// this test binary again as a child with chosen arguments.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace test_support {

// Sets (or, with nullptr, unsets) a variable until the end of the scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    Set(value);
  }
  ~ScopedEnv() { Set(had_ ? old_.c_str() : nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  void Set(const char* value) {
    if (value != nullptr)
      setenv(name_.c_str(), value, 1);
    else
      unsetenv(name_.c_str());
  }

 private:
  std::string name_;
  bool had_ = false;
  std::string old_;
};

// A fresh directory under /tmp, removed with everything in it at the end.
class TempDir {
 public:
  explicit TempDir(const char* tag = "q-test") {
    std::string pattern = std::string("/tmp/") + tag + "-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::string SelfPath() {
  char exe[4096];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe));
  return std::string(exe, n > 0 ? static_cast<size_t>(n) : 0);
}

// Writes text to path, making the folders on the way.
inline void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// Starts this binary (through program, argv[0], default itself) with the
// arguments and Q_TEST_CHILD=mode, waits, and returns what the child wrote to
// the file named in Q_TEST_OUT. The child side is ChildMode() below, called
// from a static initialiser so it runs before any test. exit_ok reports
// whether the child ended with status 0.
inline std::string RunChild(const char* mode, const std::vector<std::string>& args,
                            std::string program = "", bool* exit_ok = nullptr) {
  if (program.empty()) program = SelfPath();
  TempDir dir("q-child");
  const std::string out = dir / "out";
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), args.begin(), args.end());
  ChildProcess child(argv, {std::string("Q_TEST_CHILD=") + mode, "Q_TEST_OUT=" + out});
  const int status = child.Wait();
  if (exit_ok != nullptr) *exit_ok = status == 0;
  return ReadFile(out);
}

// The mode this process was started in by RunChild, or empty.
inline std::string ChildMode() {
  const char* mode = std::getenv("Q_TEST_CHILD");
  return mode != nullptr ? mode : "";
}

// Writes the child's answer and ends the child.
[[noreturn]] inline void ChildAnswer(const std::string& answer) {
  {
    std::ofstream out(std::getenv("Q_TEST_OUT"), std::ios::binary);
    out << answer;
  }
  _exit(0);
}

}  // namespace test_support
