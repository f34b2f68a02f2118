// Extracting a planned bundle archive into the installation's staging
// directory: each entry below one directory descriptor, never through a
// link, with the bytes written counted against a bound. A large archive is
// extracted by two threads at once, each with its own handle on the archive.
#pragma once

#include <minizip/unzip.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "update/unpack_bundle.h"

// One archive entry as the installation will write it.
struct PlannedEntry {
  std::vector<std::string> components;  // path below the data directory
  bool directory = false;
  bool skipped = false;  // links and special files are never created
  bool readOnly = false;
  std::uint64_t size = 0;
  tm_unz time{};
  unz64_file_pos position{};  // where the entry is in the archive
};

// Closes its descriptor when it goes out of scope.
class ScopedFd {
 public:
  explicit ScopedFd(int fd) : fd_(fd) {}
  ~ScopedFd() {
    if (fd_ >= 0) close(fd_);
  }
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;
  int get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// What the errno of a failed write means for the user: a full disk, or
// another failure.
UnpackResult WriteFailure();

// Where the second of two shards begins, or 0 for one shard: past half of
// the bytes, at a change of directory, so that the entries of one directory
// stay in one shard in archive order; 0 as well when a name would be written
// by both shards (an archive that holds it twice, the later one replacing
// the earlier), or when the archive is too small to be worth a second thread
// unless threads asks for two.
std::size_t SecondShardStart(const std::vector<PlannedEntry>& plan, unsigned threads);

// Writes every entry of plan below rootFd, with at most maxBytes of data in
// all. threads: 0 picks by the archive and the machine, 1 or 2 ask for that
// many. Returns kInstalled, or the first failure met (another thread stops
// at its next entry then): kBroken for a damaged entry, kTooLarge past
// maxBytes, kNoSpace or kWriteFailed for a failure to write.
// archiveFd is the archive's file, which a second thread opens again.
UnpackResult ExtractPlannedEntries(int archiveFd, unzFile zip, int rootFd, std::uint64_t maxBytes,
                                   unsigned threads, const std::vector<PlannedEntry>& plan);
