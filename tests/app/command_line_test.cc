// The document path taken from real command lines, and the program mutex seen
// from a second process.
#include "app/command_line.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/windows.h"

namespace {

std::string ToUtf8(const std::wstring& w) {
  if (w.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), s.data(), n, nullptr,
                      nullptr);
  return s;
}

// Started as a child by a test below, this binary does the child's part
// before any test runs and ends: it writes the document path, or whether the
// program mutex already existed, to the file named in Q_TEST_OUT.
const bool kIsChild = [] {
  const char* mode = std::getenv("Q_TEST_CHILD");
  if (mode == nullptr) return false;
  std::ofstream out(std::getenv("Q_TEST_OUT"), std::ios::binary);
  if (std::string(mode) == "document") {
    out << "[" << ToUtf8(DocumentPathFromCommandLine()) << "]";
  } else if (std::string(mode) == "mutex") {
    out << (CreateProgramMutex() ? "existed" : "new");
  }
  out.close();
  _exit(0);
}();

std::string SelfPath() {
  char exe[4096];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe));
  return std::string(exe, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string RunChild(const char* mode, const std::vector<std::string>& args,
                     const std::string& runtime_dir = "") {
  char out_path[] = "/tmp/q-cmdline-XXXXXX";
  int fd = mkstemp(out_path);
  EXPECT_GE(fd, 0);
  close(fd);
  std::string self = SelfPath();
  pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv{self.data()};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    setenv("Q_TEST_CHILD", mode, 1);
    setenv("Q_TEST_OUT", out_path, 1);
    if (!runtime_dir.empty()) setenv("XDG_RUNTIME_DIR", runtime_dir.c_str(), 1);
    execv(self.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::ifstream in(out_path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  unlink(out_path);
  return content.str();
}

TEST(DocumentPathFromCommandLine, OnlyASingleArgumentIsTheDocument) {
  EXPECT_EQ(RunChild("document", {}), "[]");
  EXPECT_EQ(RunChild("document", {"/home/u/a.zv"}), "[/home/u/a.zv]");
  EXPECT_EQ(RunChild("document", {"/home/u/a.zv", "/home/u/b.zv"}), "[]");
  EXPECT_EQ(RunChild("document", {"/home/u/my docs/课件 1.zv"}), "[/home/u/my docs/课件 1.zv]");
  // Any file is handed on; the main window decides what to do with it.
  EXPECT_EQ(RunChild("document", {"notes.txt"}), "[notes.txt]");
  EXPECT_EQ(RunChild("document", {"say \"hi\" \\"}), "[say \"hi\" \\]");
  EXPECT_EQ(RunChild("document", {""}), "[]");
}

TEST(CreateProgramMutex, SecondProcessSeesTheFirst) {
  char runtime[] = "/tmp/q-runtime-XXXXXX";
  ASSERT_NE(mkdtemp(runtime), nullptr);
  // Each child ends before the next starts, so the mutex is always new.
  EXPECT_EQ(RunChild("mutex", {}, runtime), "new");
  EXPECT_EQ(RunChild("mutex", {}, runtime), "new");
  // While this process holds it, a child sees it already there.
  std::string old_runtime = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
  setenv("XDG_RUNTIME_DIR", runtime, 1);
  EXPECT_FALSE(CreateProgramMutex());
  EXPECT_EQ(RunChild("mutex", {}, runtime), "existed");
  if (old_runtime.empty())
    unsetenv("XDG_RUNTIME_DIR");
  else
    setenv("XDG_RUNTIME_DIR", old_runtime.c_str(), 1);
  std::system(("rm -rf " + std::string(runtime)).c_str());
}

}  // namespace
