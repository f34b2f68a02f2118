// Helpers of the benchmarks that start a program with private HOME and XDG
// directories and measure it and the processes it started: starting it in a
// process group of its own, reading memory (PSS) of its web processes, and
// ending the whole group.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace bench {

// A figure of /proc/<pid>/smaps_rollup in kB ("Pss:" is the proportional set
// size, "Pss_Anon:" its anonymous part), 0 when the process is gone.
inline long SmapsKb(pid_t pid, const std::string& field = "Pss:") {
  std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
  std::string key;
  long value = 0;
  while (in >> key) {
    if (key == field) {
      in >> value;
      return value;
    }
    in.ignore(1 << 20, '\n');
  }
  return 0;
}

struct ProcessInfo {
  pid_t pid = 0;
  std::string name;  // the kernel's short name (comm)
};

// Every process below root (children, grandchildren), read from /proc.
inline std::vector<ProcessInfo> Descendants(pid_t root) {
  std::map<pid_t, std::pair<pid_t, std::string>> table;  // pid: parent, name
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in(entry.path() / "stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto open = stat.find('('), close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos) continue;
    std::istringstream rest(stat.substr(close + 2));
    char state;
    pid_t parent = 0;
    rest >> state >> parent;
    table[std::stoi(name)] = {parent, stat.substr(open + 1, close - open - 1)};
  }
  std::vector<ProcessInfo> found;
  std::vector<pid_t> parents{root};
  while (!parents.empty()) {
    const pid_t parent = parents.back();
    parents.pop_back();
    for (const auto& [pid, info] : table) {
      if (info.first != parent) continue;
      parents.push_back(pid);
      found.push_back({pid, info.second});
    }
  }
  return found;
}

// A figure of smaps_rollup (as SmapsKb) in MB, summed over every WebKit web
// process below root.
inline double WebProcessesMb(pid_t root, const std::string& field = "Pss:") {
  double mb = 0;
  for (const ProcessInfo& p : Descendants(root)) {
    if (p.name.rfind("WebKitWebProc", 0) == 0) mb += SmapsKb(p.pid, field) / 1024.0;
  }
  return mb;
}

// This environment with HOME and XDG_* pointing into root (whose home,
// data, config, cache and runtime directories are created). A runtime
// directory given is used instead of root's: starts that share one are
// starts of one session, of which only the first tries the sandbox.
inline std::vector<std::string> PrivateEnvironment(const std::filesystem::path& root,
                                                   std::filesystem::path runtime = {}) {
  namespace fs = std::filesystem;
  if (runtime.empty()) runtime = root / "runtime";
  for (const char* dir : {"home", "data", "config", "cache"}) {
    fs::create_directories(root / dir);
  }
  fs::create_directories(runtime);
  fs::permissions(runtime, fs::perms::owner_all);
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string var = *e;
    if (var.rfind("HOME=", 0) == 0 || var.rfind("XDG_", 0) == 0 ||
        var.rfind("QUORBITAL_DEBUG=", 0) == 0)
      continue;
    env.push_back(var);
  }
  env.push_back("HOME=" + (root / "home").string());
  env.push_back("XDG_DATA_HOME=" + (root / "data").string());
  env.push_back("XDG_CONFIG_HOME=" + (root / "config").string());
  env.push_back("XDG_CACHE_HOME=" + (root / "cache").string());
  env.push_back("XDG_RUNTIME_DIR=" + runtime.string());
  return env;
}

// Starts args[0] in a process group of its own with env, its standard output
// thrown away (and its standard error too, into error_file when one is
// named); 0 when it cannot start.
inline pid_t SpawnGroup(std::vector<std::string> args, std::vector<std::string> env,
                        const std::string& error_file = std::string()) {
  std::vector<char*> argv, envp;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  if (!error_file.empty()) {
    posix_spawn_file_actions_addopen(&actions, 2, error_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
  }
  pid_t pid = 0;
  const int error = posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  return error == 0 ? pid : 0;
}

// Ends the program and everything it started (they share its process group),
// waiting at most five seconds before killing them.
inline void StopGroup(pid_t pid) {
  kill(-pid, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < deadline) {
    if (waitpid(pid, nullptr, WNOHANG) != 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(-pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

}  // namespace bench
