// Scratch names of the client in the data directory, the lock that marks a
// client working with them, and the removal of what dead runs left.
#include "update/work_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "app/data_dir.h"
#include "platform/download_file.h"
#include "platform/folder_names.h"
#include "platform/log.h"

namespace {

// Exact names: the update check's reply and the downloaded bundle archive.
const char* const kWorkNames[] = {"updateinfo.txt", "updatehtml.zip"};
// Name prefixes: bundle staging, the first-start copy of the default bundle,
// files being downloaded, and the profile's own temporary file.
const char* const kWorkPrefixes[] = {".bundle-staging-", ".contentEditor.default-",
                                     platform::kDownloadTempPrefix, ".version.ini."};

// A cleaning client holds the lock only for a moment; a working one waits
// that long at most and then works without it.
constexpr auto kLockWait = std::chrono::seconds(2);

}  // namespace

bool IsClientWorkName(const std::string& name) {
  for (const char* exact : kWorkNames) {
    if (name == exact) return true;
  }
  for (const char* prefix : kWorkPrefixes) {
    if (name.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

void RemoveWorkTree(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found) {
    RemoveDirectoryTree(path);
  }
}

DataDirWork::DataDirWork(const std::string& dataDir) {
  fd_ = open(dataDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) return;  // nothing there yet to clean up or to protect
  const auto end = std::chrono::steady_clock::now() + kLockWait;
  while (flock(fd_, LOCK_SH | LOCK_NB) != 0) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > end) {
      platform::Log("data: working in %s without its lock", dataDir.c_str());
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

DataDirWork::~DataDirWork() {
  if (fd_ >= 0) close(fd_);
}

int RemoveStaleWorkFiles(const std::string& dataDir) {
  const int fd = open(dataDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return 0;
  // Another client holding the lock is working with its own files now.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return 0;
  }
  std::vector<std::string> stale;
  for (const auto& name : platform::FolderNames(dataDir)) {
    if (IsClientWorkName(name)) stale.push_back(dataDir + "/" + name);
  }
  for (const auto& path : stale) {
    platform::Log("data: removing %s left by an earlier run", path.c_str());
    RemoveWorkTree(path);
  }
  close(fd);
  return static_cast<int>(stale.size());
}
