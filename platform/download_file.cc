// The download's file: an O_TMPFILE file in the target's folder, linked to
// its name when complete; a short hidden name where unnamed files are not
// supported. The folder is opened by its path for each step and closed
// right after.
#include "platform/download_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
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

// The folder, held for one step.
class Folder {
 public:
  explicit Folder(const std::string& path)
      : fd_(open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)) {}
  ~Folder() {
    if (fd_ >= 0) close(fd_);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

void SetUnnamedDownloadFilesForTesting(bool allowed) { g_unnamed_allowed = allowed; }

bool DownloadFile::Open(const std::string& target) {
  // A file opened before goes first.
  Discard();
  unnamed_ = false;
  const size_t slash = target.rfind('/');
  folder_ = slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
  name_ = slash == std::string::npos ? target : target.substr(slash + 1);
  const Folder folder(folder_);
  if (folder.fd() < 0) return false;
  // An unnamed file is named through /proc; without it (and without the
  // privilege to name it otherwise) it could not be kept at all.
  static const bool proc_mounted = access("/proc/self/fd", X_OK) == 0;
  if (g_unnamed_allowed && proc_mounted) {
    // The mode is subject to the umask and the folder's default ACL, as for
    // any file the user's programs create.
    fd_ = openat(folder.fd(), ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
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
    fd_ = openat(folder.fd(), temp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                 0666);
    if (fd_ >= 0) return true;
    if (errno != EEXIST) break;
  }
  temp_.clear();
  return false;
}

bool DownloadFile::LinkUnnamed(int dir, const char* name) {
  // Linking through /proc needs no privilege; linking the descriptor itself
  // does, and serves where the /proc path cannot be used.
  char proc[64];
  std::snprintf(proc, sizeof(proc), "/proc/self/fd/%d", fd_);
  if (linkat(AT_FDCWD, proc, dir, name, AT_SYMLINK_FOLLOW) == 0) return true;
  if (errno == EEXIST) return false;
  const int first = errno;
  if (linkat(fd_, "", dir, name, AT_EMPTY_PATH) == 0) return true;
  if (errno != EEXIST) errno = first;
  return false;
}

bool DownloadFile::ReplaceByTemporaryName(int dir) {
  bool linked = false;
  for (int attempt = 0; attempt < kNameAttempts && !linked; ++attempt) {
    temp_ = TemporaryName();
    linked = LinkUnnamed(dir, temp_.c_str());
    if (!linked && errno != EEXIST) break;
  }
  if (!linked) {
    temp_.clear();
    return false;
  }
  if (renameat(dir, temp_.c_str(), dir, name_.c_str()) == 0) {
    temp_.clear();
    return true;
  }
  return false;  // Discard removes the temporary name
}

bool DownloadFile::Place() {
  if (fd_ < 0) return false;
  bool ok = false;
  {
    const Folder folder(folder_);
    if (folder.fd() < 0) {
      // errno says why
    } else if (unnamed_) {
      // A target that does not exist yet is linked directly, so no other
      // name ever appears; an existing one is replaced through a short
      // hidden name.
      ok = LinkUnnamed(folder.fd(), name_.c_str()) ||
           (errno == EEXIST && ReplaceByTemporaryName(folder.fd()));
    } else {
      ok = renameat(folder.fd(), temp_.c_str(), folder.fd(), name_.c_str()) == 0;
      if (ok) temp_.clear();
    }
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

bool CopyFileStart(int from, int to, std::uint64_t length) {
  off_t in = 0;
  off_t out = 0;
  // In the kernel where it can (within one file system, often without
  // copying at all); by hand between file systems that cannot.
  while (static_cast<std::uint64_t>(in) < length) {
    const ssize_t n = copy_file_range(from, &in, to, &out, length - in, 0);
    if (n > 0) continue;
    if (n == 0) {
      errno = EIO;  // the source is shorter than it should be
      return false;
    }
    if (errno == EINTR) continue;
    if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
    char buffer[1 << 16];
    while (static_cast<std::uint64_t>(in) < length) {
      const size_t want = static_cast<size_t>(
          std::min<std::uint64_t>(sizeof(buffer), length - static_cast<std::uint64_t>(in)));
      const ssize_t got = pread(from, buffer, want, in);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        if (got == 0) errno = EIO;
        return false;
      }
      for (ssize_t done = 0; done < got;) {
        const ssize_t put = pwrite(to, buffer + done, got - done, out);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return false;
        done += put;
        out += put;
      }
      in += got;
    }
  }
  return true;
}

void DownloadFile::Discard() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!temp_.empty()) {
    const Folder folder(folder_);
    if (folder.fd() >= 0) unlinkat(folder.fd(), temp_.c_str(), 0);
  }
  temp_.clear();
}

}  // namespace platform
