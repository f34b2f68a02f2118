// Shell calls over the file system: the per-user application-data folders
// (local data and settings) and the recursive delete of the shell's file
// operation.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/log.h"
#include "platform/process_paths.h"
#include "platform/windows.h"

namespace {

// $variable when set and absolute, else the home folder followed by
// fallback; no trailing '/'. Empty without a usable home (see HomeDir):
// never a folder under the root.
std::string XdgFolder(const char* variable, const char* fallback) {
  std::string folder;
  const char* xdg = std::getenv(variable);
  if (xdg != nullptr && xdg[0] == '/') {
    folder = xdg;
  } else {
    std::string home = platform::HomeDir();
    if (home.empty()) return std::string();
    folder = home + fallback;
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

bool MakeDirectories(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/') continue;
    std::string part = path.substr(0, i);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

// Local application data is the desktop's data folder ($XDG_DATA_HOME);
// the user's application settings are its configuration folder
// ($XDG_CONFIG_HOME).
bool FolderPath(int csidl, BOOL create, std::string& folder) {
  if ((csidl & 0xFF) == CSIDL_LOCAL_APPDATA) {
    folder = XdgFolder("XDG_DATA_HOME", "/.local/share");
  } else if ((csidl & 0xFF) == CSIDL_APPDATA) {
    folder = XdgFolder("XDG_CONFIG_HOME", "/.config");
  } else {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (folder.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  if (create && !MakeDirectories(folder)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return true;
}

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
      return ERROR_ACCESS_DENIED;
    default:
      return ERROR_WRITE_FAULT;
  }
}

// Removes name inside the directory dir_fd, and everything beneath it when it
// is a directory. Symbolic links are removed themselves, never followed: each
// directory is opened with O_NOFOLLOW relative to its parent's descriptor, so
// a link swapped in during the walk cannot lead outside the tree. Goes on past
// failures and returns the first error (0 when all went).
DWORD RemoveAt(int dir_fd, const char* name) {
  struct stat st;
  if (fstatat(dir_fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return ErrorFromErrno(errno);
  if (!S_ISDIR(st.st_mode)) {
    return unlinkat(dir_fd, name, 0) == 0 ? 0 : ErrorFromErrno(errno);
  }
  int fd = openat(dir_fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    // Replaced by a link or a file since the check: remove that instead.
    if (errno == ELOOP || errno == ENOTDIR)
      return unlinkat(dir_fd, name, 0) == 0 ? 0 : ErrorFromErrno(errno);
    return ErrorFromErrno(errno);
  }
  DIR* dir = fdopendir(fd);
  if (dir == nullptr) {
    DWORD error = ErrorFromErrno(errno);
    close(fd);
    return error;
  }
  // Names first, then removal, so the directory is not read while it changes.
  std::vector<std::string> entries;
  while (struct dirent* entry = readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    entries.emplace_back(entry->d_name);
  }
  DWORD first_error = 0;
  for (const auto& entry : entries) {
    DWORD error = RemoveAt(dirfd(dir), entry.c_str());
    if (first_error == 0) first_error = error;
  }
  closedir(dir);
  if (unlinkat(dir_fd, name, AT_REMOVEDIR) != 0 && first_error == 0)
    first_error = ErrorFromErrno(errno);
  return first_error;
}

DWORD RemovePath(const std::string& path) {
  if (path.empty()) return ERROR_INVALID_PARAMETER;
  struct stat st, root;
  if (lstat(path.c_str(), &st) != 0) return ErrorFromErrno(errno);
  if (stat("/", &root) == 0 && st.st_dev == root.st_dev && st.st_ino == root.st_ino) {
    platform::LogWarning("SHFileOperationA: refusing to delete the root directory");
    return ERROR_ACCESS_DENIED;
  }
  // Split into parent and last name; trailing slashes belong to neither.
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  size_t slash = trimmed.rfind('/');
  std::string parent =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : trimmed.substr(0, slash));
  std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
  if (name == "." || name == "..") return ERROR_INVALID_PARAMETER;
  int parent_fd = open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (parent_fd < 0) return ErrorFromErrno(errno);
  DWORD error = RemoveAt(parent_fd, name.c_str());
  close(parent_fd);
  return error;
}

}  // namespace

BOOL SHGetSpecialFolderPathW(HWND, LPWSTR path, int csidl, BOOL create) {
  if (path == nullptr) return FALSE;
  std::string folder;
  if (!FolderPath(csidl, create, folder)) return FALSE;
  int n = MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, path, static_cast<int>(MAX_PATH));
  if (n <= 0) {
    path[0] = L'\0';
    return FALSE;
  }
  return TRUE;
}

BOOL SHGetSpecialFolderPathA(HWND, LPSTR path, int csidl, BOOL create) {
  if (path == nullptr) return FALSE;
  std::string folder;
  if (!FolderPath(csidl, create, folder)) return FALSE;
  if (folder.size() >= MAX_PATH) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    path[0] = '\0';
    return FALSE;
  }
  std::memcpy(path, folder.c_str(), folder.size() + 1);
  return TRUE;
}

int SHFileOperationA(SHFILEOPSTRUCTA* operation) {
  if (operation == nullptr || operation->pFrom == nullptr || operation->wFunc != FO_DELETE)
    return static_cast<int>(ERROR_INVALID_PARAMETER);
  operation->fAnyOperationsAborted = FALSE;
  const char* p = operation->pFrom;
  if (*p == '\0') return static_cast<int>(ERROR_INVALID_PARAMETER);
  DWORD first_error = 0;
  for (; *p != '\0'; p += std::strlen(p) + 1) {
    DWORD error = RemovePath(p);
    if (error != 0) platform::LogWarning("SHFileOperationA: cannot delete %s (error %u)", p, error);
    if (first_error == 0) first_error = error;
  }
  return static_cast<int>(first_error);
}
