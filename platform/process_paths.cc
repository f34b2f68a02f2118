// The executable's directory and the per-user runtime directory.
#include "platform/process_paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/log.h"

namespace platform {

std::string ExecutableDir() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (n <= 0) return ".";
  std::string path(buffer, static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

namespace {

bool IsPrivateDirectory(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 0077) == 0;
}

bool IsUsableHome(const char* path) {
  if (path == nullptr || path[0] != '/') return false;
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  struct stat st;
  return trimmed != "/" && stat(trimmed.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// dir made with mode 0700 (its parents too, when missing) and checked to be a
// private directory of this user; empty when it is not.
std::string PrivateDirectory(const std::string& dir) {
  for (size_t i = 1; i <= dir.size(); ++i) {
    if (i < dir.size() && dir[i] != '/') continue;
    if (mkdir(dir.substr(0, i).c_str(), 0700) != 0 && errno != EEXIST) {
      LogWarning("cannot create runtime directory %s (errno %d)", dir.c_str(), errno);
      return std::string();
    }
  }
  // Someone else may have made the name first, or made it a link: refuse it
  // rather than share locks and sockets through it.
  if (!IsPrivateDirectory(dir)) {
    LogWarning("runtime directory %s is not a private directory of this user", dir.c_str());
    return std::string();
  }
  return dir;
}

// $variable when it is an absolute path, else home followed by fallback;
// without trailing '/', empty when neither can be had.
std::string UserDirectory(const char* variable, const std::string& home, const char* fallback) {
  const char* value = std::getenv(variable);
  std::string dir;
  if (value != nullptr && value[0] == '/') {
    dir = value;
  } else if (!home.empty()) {
    dir = home + fallback;
  }
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

}  // namespace

std::string HomeDir() {
  std::string path;
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') {
    if (!IsUsableHome(home)) return std::string();
    path = home;
  } else {
    std::vector<char> buffer(16384);
    struct passwd pw;
    struct passwd* result = nullptr;
    if (getpwuid_r(geteuid(), &pw, buffer.data(), buffer.size(), &result) != 0 ||
        result == nullptr || !IsUsableHome(result->pw_dir)) {
      return std::string();
    }
    path = result->pw_dir;
  }
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

namespace {

std::mutex g_given_mutex;
std::string g_given_runtime_dir;

}  // namespace

void UseRuntimeDir(const std::string& dir) {
  std::lock_guard<std::mutex> lock(g_given_mutex);
  g_given_runtime_dir = dir;
}

std::string RuntimeDir() {
  {
    std::lock_guard<std::mutex> lock(g_given_mutex);
    if (!g_given_runtime_dir.empty()) return g_given_runtime_dir;
  }
  return RuntimeDirWithTmp("/tmp");
}

std::string RuntimeDirWithTmp(const std::string& tmp) {
  // The session's runtime directory only when it is this user's alone: in
  // one that another user made or can enter, that user could take the names
  // of the window registry's sockets and of the locks before us.
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  if (xdg != nullptr && xdg[0] == '/') {
    struct stat st;
    if (stat(xdg, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid() &&
        (st.st_mode & 0777) == 0700) {
      return xdg;
    }
    static std::atomic<bool> warned{false};
    if (!warned.exchange(true)) {
      LogWarning("XDG_RUNTIME_DIR %s is not a directory of this user with mode 0700; not used",
                 xdg);
    }
  }
  std::string dir = PrivateDirectory(tmp + "/quorbital-" + std::to_string(geteuid()));
  if (!dir.empty()) return dir;
  // The name in /tmp is taken: the user's state directory is out of others'
  // reach, so the page bridge and the program's mutex still work. Not the
  // cache directory: the web processes' sandbox may write there, and the
  // second start's channel must stay out of its reach.
  const std::string home = HomeDir();
  const std::string state = UserDirectory("XDG_STATE_HOME", home, "/.local/state");
  const std::string cache = UserDirectory("XDG_CACHE_HOME", home, "/.cache");
  if (state.empty() || (!cache.empty() && (state == cache || state.rfind(cache + "/", 0) == 0))) {
    LogWarning("no runtime directory: the state directory is missing or inside the cache");
    return std::string();
  }
  return PrivateDirectory(state + "/quorbital-runtime");
}

}  // namespace platform
