// Starting another program from a test: the client's own binary, a peer
// program or a local server. The child gets pipes on its standard input and
// output, and it never outlives the object that started it.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/main_loop.h"

extern char** environ;

namespace test_support {

class ChildProcess {
 public:
  // argv[0] is a path, or a name looked up in PATH. env changes the child's
  // environment: "NAME=value" sets a variable, a bare "NAME" removes it.
  explicit ChildProcess(const std::vector<std::string>& argv,
                        const std::vector<std::string>& env = {}) {
    int in[2];
    int out[2];
    if (argv.empty() || pipe2(in, O_CLOEXEC) != 0) return;
    if (pipe2(out, O_CLOEXEC) != 0) {
      close(in[0]);
      close(in[1]);
      return;
    }
    std::vector<std::string> envs;
    for (char** e = environ; *e != nullptr; ++e) {
      if (!Overridden(*e, env)) envs.emplace_back(*e);
    }
    for (const auto& change : env) {
      if (change.find('=') != std::string::npos) envs.push_back(change);
    }
    std::vector<char*> args = Pointers(argv);
    std::vector<char*> envp = Pointers(envs);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    if (posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    stdin_ = in[1];
    stdout_ = out[0];
  }
  ~ChildProcess() {
    CloseInput();
    Kill();
    if (stdout_ >= 0) close(stdout_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }

  // The next line of output without its newline; "" after timeout_ms or at
  // the end of the output.
  std::string ReadLine(int timeout_ms = kEventWaitMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      const auto newline = buffer_.find('\n');
      if (newline != std::string::npos) {
        std::string line = buffer_.substr(0, newline);
        buffer_.erase(0, newline + 1);
        return line;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      pollfd p{stdout_, POLLIN, 0};
      if (stdout_ < 0) return std::string();
      if (poll(&p, 1, static_cast<int>(std::max<long>(left.count(), 0))) <= 0) {
        if (left.count() <= 0) return std::string();
        continue;
      }
      if (!ReadSome()) return std::string();
    }
  }

  // ReadLine while the main loop runs, for a child that needs this process's
  // windows to answer before it writes.
  std::string PumpReadLine(int timeout_ms = kEventWaitMs) {
    std::string line;
    bool got = false;
    PumpUntil(
        [&] {
          if (buffer_.find('\n') == std::string::npos && !Readable()) return false;
          line = ReadLine(0);
          got = true;
          return true;
        },
        timeout_ms);
    return got ? line : std::string();
  }

  void WriteLine(const std::string& line) {
    const std::string text = line + "\n";
    if (stdin_ >= 0 && write(stdin_, text.data(), text.size()) < 0) return;
  }

  // A child that reads its input to the end takes this as its cue to end.
  void CloseInput() {
    if (stdin_ >= 0) close(stdin_);
    stdin_ = -1;
  }

  // Exit status once the child ends by itself (128 + signal when a signal
  // ended it); -1 when it is still running after timeout_ms.
  int Wait(int timeout_ms = kEventWaitMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (pid_ > 0) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        exit_status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        break;
      }
      if (std::chrono::steady_clock::now() >= deadline) return -1;
      // Keeps a talkative child from filling its output pipe and stopping.
      if (Readable()) ReadSome();
      usleep(2000);
    }
    return exit_status_;
  }

  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  static bool Overridden(const char* entry, const std::vector<std::string>& env) {
    const char* eq = std::strchr(entry, '=');
    const size_t len = eq ? static_cast<size_t>(eq - entry) : std::strlen(entry);
    for (const auto& change : env) {
      if (change.compare(0, change.find('='), entry, len) == 0) return true;
    }
    return false;
  }
  static std::vector<char*> Pointers(const std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (const auto& s : strings) out.push_back(const_cast<char*>(s.c_str()));
    out.push_back(nullptr);
    return out;
  }
  // Appends what the output holds to the buffer; false at its end.
  bool ReadSome() {
    char chunk[4096];
    const ssize_t n = read(stdout_, chunk, sizeof(chunk));
    if (n <= 0) return false;
    buffer_.append(chunk, static_cast<size_t>(n));
    return true;
  }
  bool Readable() const {
    pollfd p{stdout_, POLLIN, 0};
    return stdout_ >= 0 && poll(&p, 1, 0) > 0;
  }

  pid_t pid_ = -1;
  int stdin_ = -1;
  int stdout_ = -1;
  int exit_status_ = -1;
  std::string buffer_;
};

}  // namespace test_support
