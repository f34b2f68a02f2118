// The executable's directory and the per-user runtime directory.
#include "platform/process_paths.h"

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

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

}  // namespace

std::string RuntimeDir() {
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  if (xdg != nullptr && xdg[0] == '/') {
    struct stat st;
    if (stat(xdg, &st) == 0 && S_ISDIR(st.st_mode)) return xdg;
  }
  std::string dir = "/tmp/quorbital-" + std::to_string(geteuid());
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    Log("cannot create runtime directory %s (errno %d)", dir.c_str(), errno);
    return std::string();
  }
  // Someone else may have made the name first, or made it a link: refuse it
  // rather than share locks and sockets through it.
  if (!IsPrivateDirectory(dir)) {
    Log("runtime directory %s is not a private directory of this user", dir.c_str());
    return std::string();
  }
  return dir;
}

}  // namespace platform
