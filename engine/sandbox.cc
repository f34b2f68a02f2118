// The web processes' confinement: the forcing variable and a trial run of
// bubblewrap.
#include "engine/sandbox.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/log.h"

extern char** environ;

namespace engine {
namespace {

// bubblewrap sets its namespaces up in milliseconds; a machine too busy to do
// it in this time is taken as one where it cannot.
constexpr auto kTrialBound = std::chrono::seconds(3);

}  // namespace

std::optional<bool> ForcedSandbox(const char* value) {
  if (value == nullptr) return std::nullopt;
  if (std::strcmp(value, "on") == 0) return true;
  if (std::strcmp(value, "off") == 0) return false;
  return std::nullopt;
}

std::string BubblewrapFailure(const std::string& bwrap) {
  if (access(bwrap.c_str(), X_OK) != 0) return bwrap + " is not installed";
  std::vector<std::string> args = {bwrap,
                                   "--unshare-pid",
                                   "--unshare-net",
                                   "--unshare-ipc",
                                   "--unshare-uts",
                                   "--die-with-parent",
                                   "--ro-bind",
                                   "/",
                                   "/",
                                   "--proc",
                                   "/proc",
                                   "--dev",
                                   "/dev",
                                   "/bin/true"};
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return bwrap + " cannot be started (" + std::strerror(error) + ")";
  const auto deadline = std::chrono::steady_clock::now() + kTrialBound;
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0) return bwrap + " could not be waited for";
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return bwrap + " did not finish in time";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return std::string();
  return bwrap + " cannot make namespaces here (user namespaces may be disabled)";
}

const SandboxChoice& ProcessSandbox() {
  static const SandboxChoice choice = [] {
    SandboxChoice made;
    if (std::optional<bool> forced = ForcedSandbox(std::getenv(kSandboxVariable))) {
      made.confined = *forced;
      made.forced = true;
      made.reason = std::string(kSandboxVariable) + "=" + (*forced ? "on" : "off");
      return made;
    }
    made.reason = BubblewrapFailure(kBubblewrap);
    made.confined = made.reason.empty();
    return made;
  }();
  return choice;
}

}  // namespace engine
