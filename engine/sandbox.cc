// The web processes' confinement: the forcing variable and a trial run of
// bubblewrap, whose success is remembered for the boot.
#include "engine/sandbox.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/log.h"
#include "platform/process_paths.h"

extern char** environ;

namespace engine {
namespace {

// bubblewrap sets its namespaces up in milliseconds; a machine too busy to do
// it in this time is taken as one where it cannot.
constexpr auto kTrialBound = std::chrono::seconds(3);
// The file, in the runtime directory, that remembers a trial that succeeded.
constexpr char kTrialFile[] = "quorbital-sandbox-trial";
constexpr std::size_t kMaxKeySize = 1024;

std::string FirstLine(const char* path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

// What the trial's answer depends on: this boot, the binary (a new one is
// another program) and the kernel's settings for user namespaces, which
// may change while the machine runs. Empty when the binary cannot be seen.
std::string TrialKey(const std::string& bwrap) {
  struct stat st;
  if (stat(bwrap.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::string();
  std::ostringstream key;
  key << "boot " << FirstLine("/proc/sys/kernel/random/boot_id") << "\nbwrap " << bwrap << ' '
      << st.st_dev << ' ' << st.st_ino << ' ' << st.st_size << ' ' << st.st_mode << ' '
      << st.st_mtim.tv_sec << '.' << st.st_mtim.tv_nsec << ' ' << st.st_ctim.tv_sec << '.'
      << st.st_ctim.tv_nsec << "\nuserns " << FirstLine("/proc/sys/user/max_user_namespaces") << ' '
      << FirstLine("/proc/sys/kernel/unprivileged_userns_clone") << '\n';
  return key.str();
}

// Whether file holds key: a regular file of this user, never through a link.
bool Remembered(const std::string& file, const std::string& key) {
  const int fd = open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  char text[kMaxKeySize + 1];
  ssize_t size = -1;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid()) {
    size = read(fd, text, sizeof(text));
  }
  close(fd);
  return size >= 0 && static_cast<std::size_t>(size) == key.size() &&
         key.compare(0, key.size(), text, static_cast<std::size_t>(size)) == 0;
}

// Writes key to file whole or not at all (a temporary file renamed over it).
void Remember(const std::string& file, const std::string& key) {
  std::string temporary = file + ".XXXXXX";
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return;
  const bool written = write(fd, key.data(), key.size()) == static_cast<ssize_t>(key.size());
  if (close(fd) != 0 || !written || rename(temporary.c_str(), file.c_str()) != 0) {
    unlink(temporary.c_str());
  }
}

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

namespace {

// What a trial of bwrap is remembered under in dir: the file and the key;
// an empty key when nothing can be remembered.
std::pair<std::string, std::string> TrialRecord(const std::string& bwrap, const std::string& dir) {
  std::string key = dir.empty() ? std::string() : TrialKey(bwrap);
  if (key.size() > kMaxKeySize) key.clear();
  return {dir + "/" + kTrialFile, key};
}

}  // namespace

std::string RememberedBubblewrapFailure(const std::string& bwrap, const std::string& dir) {
  const auto [file, key] = TrialRecord(bwrap, dir);
  if (key.empty()) return BubblewrapFailure(bwrap);
  if (Remembered(file, key)) {
    platform::Log("engine: bubblewrap worked earlier in this boot; no trial run");
    return std::string();
  }
  std::string failure = BubblewrapFailure(bwrap);
  if (failure.empty()) Remember(file, key);
  return failure;
}

bool SandboxKnownWithoutTrial(const std::string& bwrap, const std::string& dir) {
  if (ForcedSandbox(std::getenv(kSandboxVariable))) return true;
  const auto [file, key] = TrialRecord(bwrap, dir);
  return !key.empty() && Remembered(file, key);
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
    made.reason = RememberedBubblewrapFailure(kBubblewrap, platform::RuntimeDir());
    made.confined = made.reason.empty();
    return made;
  }();
  return choice;
}

}  // namespace engine
