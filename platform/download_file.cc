// The download's file: an O_TMPFILE file in the target's folder, linked to
// its name when complete; a short hidden name where unnamed files are not
// supported.
#include "platform/download_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>

namespace platform {
namespace {

std::atomic<bool> g_unnamed_allowed{true};

constexpr int kNameAttempts = 100;

// A fresh short hidden name; the random part makes a clash with another
// download in the same folder unlikely, and a clash is retried anyway.
std::string TemporaryName() {
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937 rng{std::random_device{}()};
  std::uniform_int_distribution<int> pick(0, sizeof(kChars) - 2);
  std::string name = kDownloadTempPrefix;
  for (int i = 0; i < 8; ++i) name += kChars[pick(rng)];
  return name;
}

}  // namespace

void SetUnnamedDownloadFilesForTesting(bool allowed) { g_unnamed_allowed = allowed; }

DownloadFile::~DownloadFile() {
  Discard();
  if (dir_ >= 0) close(dir_);
}

bool DownloadFile::Open(const std::string& target) {
  // A file opened before goes first.
  Discard();
  if (dir_ >= 0) close(dir_);
  dir_ = -1;
  unnamed_ = false;
  const size_t slash = target.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
  name_ = slash == std::string::npos ? target : target.substr(slash + 1);
  dir_ = open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (dir_ < 0) return false;
  // An unnamed file is named through /proc; without it (and without the
  // privilege to name it otherwise) it could not be kept at all.
  static const bool proc_mounted = access("/proc/self/fd", X_OK) == 0;
  if (g_unnamed_allowed && proc_mounted) {
    // The mode is subject to the umask and the folder's default ACL, as for
    // any file the user's programs create.
    fd_ = openat(dir_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      unnamed_ = true;
      return true;
    }
    // Kernels and file systems without unnamed files say so in one of these
    // ways; anything else is a real failure of the folder.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
  }
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    temp_ = TemporaryName();
    fd_ = openat(dir_, temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ >= 0) return true;
    if (errno != EEXIST) break;
  }
  temp_.clear();
  return false;
}

bool DownloadFile::LinkUnnamed(const char* name) {
  // Linking through /proc needs no privilege; linking the descriptor itself
  // does, and serves where the /proc path cannot be used.
  char proc[64];
  std::snprintf(proc, sizeof(proc), "/proc/self/fd/%d", fd_);
  if (linkat(AT_FDCWD, proc, dir_, name, AT_SYMLINK_FOLLOW) == 0) return true;
  if (errno == EEXIST) return false;
  const int first = errno;
  if (linkat(fd_, "", dir_, name, AT_EMPTY_PATH) == 0) return true;
  if (errno != EEXIST) errno = first;
  return false;
}

bool DownloadFile::ReplaceByTemporaryName() {
  bool linked = false;
  for (int attempt = 0; attempt < kNameAttempts && !linked; ++attempt) {
    temp_ = TemporaryName();
    linked = LinkUnnamed(temp_.c_str());
    if (!linked && errno != EEXIST) break;
  }
  if (!linked) {
    temp_.clear();
    return false;
  }
  if (renameat(dir_, temp_.c_str(), dir_, name_.c_str()) == 0) {
    temp_.clear();
    return true;
  }
  return false;  // Discard removes the temporary name
}

bool DownloadFile::Place() {
  if (fd_ < 0) return false;
  bool ok = false;
  if (unnamed_) {
    // A target that does not exist yet is linked directly, so no other name
    // ever appears; an existing one is replaced through a short hidden name.
    ok = LinkUnnamed(name_.c_str()) || (errno == EEXIST && ReplaceByTemporaryName());
  } else {
    ok = renameat(dir_, temp_.c_str(), dir_, name_.c_str()) == 0;
    if (ok) temp_.clear();
  }
  if (!ok) {
    const int error = errno;
    Discard();
    errno = error;
    return false;
  }
  close(fd_);
  fd_ = -1;
  return true;
}

void DownloadFile::Discard() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!temp_.empty()) unlinkat(dir_, temp_.c_str(), 0);
  temp_.clear();
}

}  // namespace platform
