// Extracting a planned bundle archive into the staging directory, in one or
// two shards.
#include "update/bundle_extract.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <set>
#include <thread>

#include "platform/log.h"
#include "update/archive_file.h"

namespace {

constexpr std::size_t kReadBufferSize = std::size_t{256} * 1024;
// A second thread pays for itself only for an archive of some size.
constexpr std::size_t kLeastEntriesForTwo = 64;
constexpr std::uint64_t kLeastBytesForTwo = std::uint64_t{4} << 20;

// The bytes every thread may still write, and whether the others should
// stop because one has failed.
struct Budget {
  explicit Budget(std::uint64_t most) : max(most) {}
  // Takes bytes from what is left; false (taking nothing) past the bound.
  bool Take(std::uint64_t bytes) {
    std::uint64_t before = written.load();
    do {
      if (bytes > max - before) return false;
    } while (!written.compare_exchange_weak(before, before + bytes));
    return true;
  }
  const std::uint64_t max;
  std::atomic<std::uint64_t> written{0};
  std::atomic<bool> failed{false};
};

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// Writes entries below one directory descriptor. Directories are created and
// entered one level at a time and never through a link, so nothing written
// can end up outside the staging directory. The bytes written are counted as
// they are written, whatever the archive declares, and never pass the budget.
class StagingWriter {
 public:
  StagingWriter(unzFile zip, int rootFd, Budget& budget)
      : zip_(zip), root_(rootFd), budget_(budget), buffer_(kReadBufferSize) {}
  ~StagingWriter() { DropCachedDir(); }
  StagingWriter(const StagingWriter&) = delete;
  StagingWriter& operator=(const StagingWriter&) = delete;

  bool Write(const PlannedEntry& entry) {
    if (entry.skipped) return true;
    if (entry.directory) return OpenDir(entry.components, entry.components.size()) >= 0;
    const int dirFd = OpenDir(entry.components, entry.components.size() - 1);
    return dirFd >= 0 && WriteFile(dirFd, entry);
  }
  // Why the last Write failed.
  UnpackResult failure() const { return failure_; }

 private:
  void DropCachedDir() {
    if (cachedFd_ >= 0) close(cachedFd_);
    cachedFd_ = -1;
    cachedKey_.clear();
  }

  // The directory of the first count components, created as needed. Entries
  // of one directory usually follow each other, so the last one is kept open.
  int OpenDir(const std::vector<std::string>& components, std::size_t count) {
    if (count == 0) return root_;
    std::string key;
    for (std::size_t i = 0; i < count; ++i) key += components[i] + '/';
    if (cachedFd_ >= 0 && key == cachedKey_) return cachedFd_;
    DropCachedDir();
    int current = root_;
    for (std::size_t i = 0; i < count; ++i) {
      const char* part = components[i].c_str();
      if (mkdirat(current, part, 0777) != 0 && errno != EEXIST) {
        failure_ = WriteFailure();
        if (current != root_) close(current);
        return -1;
      }
      const int next = openat(current, part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (next < 0) failure_ = WriteFailure();
      if (current != root_) close(current);
      if (next < 0) return -1;
      current = next;
    }
    cachedFd_ = current;
    cachedKey_ = key;
    return current;
  }

  bool WriteFile(int dirFd, const PlannedEntry& entry) {
    const char* name = entry.components.back().c_str();
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int raw = openat(dirFd, name, kFlags, 0666);
    // A later entry of the same name replaces the earlier one.
    if (raw < 0 && errno == EEXIST && unlinkat(dirFd, name, 0) == 0) {
      raw = openat(dirFd, name, kFlags, 0666);
    }
    ScopedFd fd(raw);
    if (fd.get() < 0) {
      failure_ = WriteFailure();
      return false;
    }
    failure_ = UnpackResult::kBroken;
    if (unzOpenCurrentFile(zip_) != UNZ_OK) return false;
    std::uint64_t total = 0;
    bool ok = true;
    for (;;) {
      const int got =
          unzReadCurrentFile(zip_, buffer_.data(), static_cast<unsigned>(buffer_.size()));
      if (got < 0) {
        ok = false;
        break;
      }
      if (got == 0) break;
      const auto bytes = static_cast<std::uint64_t>(got);
      if (!budget_.Take(bytes)) {
        platform::LogWarning("bundle: the archive unpacks to more than %llu bytes",
                             static_cast<unsigned long long>(budget_.max));
        failure_ = UnpackResult::kTooLarge;
        ok = false;
        break;
      }
      if (!WriteAll(fd.get(), buffer_.data(), static_cast<std::size_t>(got))) {
        failure_ = WriteFailure();
        ok = false;
        break;
      }
      total += bytes;
    }
    // Closing the entry checks its CRC once all of its data was read.
    const bool whole = unzCloseCurrentFile(zip_) == UNZ_OK;
    if (!ok) return false;
    if (!whole || total != entry.size) return false;  // still kBroken
    // Start writing the data out now, so that putting the whole staging on
    // disk at the end mostly waits for writes already under way.
    sync_file_range(fd.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
    ApplyTimes(fd.get(), entry.time);
    if (entry.readOnly) {
      struct stat st;
      if (fstat(fd.get(), &st) == 0) fchmod(fd.get(), st.st_mode & ~(S_IWUSR | S_IWGRP | S_IWOTH));
    }
    if (close(fd.Release()) == 0) return true;
    failure_ = WriteFailure();
    return false;
  }

  // Archive times are local times, as the archive's own systems write them.
  // Entries of a bundle mostly share their hour, whose start is looked up
  // once (the conversion reads the zone's rules again on every call).
  void ApplyTimes(int fd, const tm_unz& time) {
    const long hour =
        ((static_cast<long>(time.tm_year) * 12 + static_cast<long>(time.tm_mon)) * 31 +
         static_cast<long>(time.tm_mday)) *
            24 +
        static_cast<long>(time.tm_hour);
    if (hour != cachedHour_) {
      std::tm local{};
      local.tm_hour = static_cast<int>(time.tm_hour);
      local.tm_mday = static_cast<int>(time.tm_mday);
      local.tm_mon = static_cast<int>(time.tm_mon);
      local.tm_year = static_cast<int>(time.tm_year) - 1900;
      local.tm_isdst = -1;
      cachedHour_ = hour;
      cachedHourStart_ = std::mktime(&local);
    }
    if (cachedHourStart_ == static_cast<std::time_t>(-1)) return;
    const std::time_t seconds = cachedHourStart_ + static_cast<std::time_t>(time.tm_min) * 60 +
                                static_cast<std::time_t>(time.tm_sec);
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    futimens(fd, times);
  }

  unzFile zip_;
  int root_;
  Budget& budget_;
  UnpackResult failure_ = UnpackResult::kWriteFailed;
  std::vector<char> buffer_;
  int cachedFd_ = -1;
  std::string cachedKey_;
  long cachedHour_ = -1;
  std::time_t cachedHourStart_ = -1;
};

std::string NameOf(const PlannedEntry& entry) {
  std::string name;
  for (const auto& part : entry.components) name += "/" + part;
  return name;
}

// Extracts plan[begin, end) in archive order, from the entry at begin on;
// ends early (with kInstalled) once another shard has failed.
UnpackResult ExtractShard(unzFile zip, int rootFd, Budget& budget,
                          const std::vector<PlannedEntry>& plan, std::size_t begin,
                          std::size_t end) {
  if (begin >= end) return UnpackResult::kInstalled;
  StagingWriter writer(zip, rootFd, budget);
  unz64_file_pos position = plan[begin].position;
  int rc = unzGoToFilePos64(zip, &position);
  for (std::size_t i = begin; i < end; ++i) {
    if (budget.failed.load()) return UnpackResult::kInstalled;
    if (rc != UNZ_OK) return UnpackResult::kBroken;
    if (!writer.Write(plan[i])) {
      const int error = errno;
      const UnpackResult failure = writer.failure();
      platform::LogWarning("bundle: cannot extract %s: %s", NameOf(plan[i]).c_str(),
                           failure == UnpackResult::kBroken     ? "the archive is damaged"
                           : failure == UnpackResult::kTooLarge ? "too many bytes"
                                                                : std::strerror(error));
      return failure;
    }
    rc = unzGoToNextFile(zip);
  }
  // The last shard ends with the archive.
  if (end == plan.size() && rc != UNZ_END_OF_LIST_OF_FILE) return UnpackResult::kBroken;
  return UnpackResult::kInstalled;
}

// The directory an entry lands in; "" for the data directory itself, which
// is also what an entry naming the data directory (no components) is.
std::string DirectoryOf(const PlannedEntry& entry) {
  std::string dir;
  const std::size_t count = entry.directory || entry.components.empty()
                                ? entry.components.size()
                                : entry.components.size() - 1;
  for (std::size_t i = 0; i < count; ++i) dir += entry.components[i] + '/';
  return dir;
}

}  // namespace

// What a failed write means for the user: a full disk, or another failure.
UnpackResult WriteFailure() {
  return errno == ENOSPC || errno == EDQUOT ? UnpackResult::kNoSpace : UnpackResult::kWriteFailed;
}

std::size_t SecondShardStart(const std::vector<PlannedEntry>& plan, unsigned threads) {
  if (threads == 1 || plan.size() < 2) return 0;
  std::uint64_t total = 0;
  for (const auto& entry : plan) total += entry.size;
  if (threads == 0 && (plan.size() < kLeastEntriesForTwo || total < kLeastBytesForTwo ||
                       std::thread::hardware_concurrency() < 2)) {
    return 0;
  }
  std::uint64_t bytes = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i + 1 < plan.size(); ++i) {
    bytes += plan[i].size;
    if (2 * bytes >= total && DirectoryOf(plan[i]) != DirectoryOf(plan[i + 1])) {
      start = i + 1;
      break;
    }
  }
  if (start == 0) return 0;
  std::set<std::string> first;
  for (std::size_t i = 0; i < start; ++i) {
    if (!plan[i].skipped && !plan[i].directory) first.insert(NameOf(plan[i]));
  }
  for (std::size_t i = start; i < plan.size(); ++i) {
    if (!plan[i].skipped && !plan[i].directory && first.count(NameOf(plan[i])) != 0) return 0;
  }
  return start;
}

UnpackResult ExtractPlannedEntries(int archiveFd, unzFile zip, int rootFd, std::uint64_t maxBytes,
                                   unsigned threads, const std::vector<PlannedEntry>& plan) {
  Budget budget(maxBytes);
  const std::size_t split = SecondShardStart(plan, threads);
  unzFile second = split == 0 ? nullptr : OpenArchive(archiveFd);
  if (second == nullptr) return ExtractShard(zip, rootFd, budget, plan, 0, plan.size());
  UnpackResult later = UnpackResult::kInstalled;
  std::thread worker([&] {
    later = ExtractShard(second, rootFd, budget, plan, split, plan.size());
    if (later != UnpackResult::kInstalled) budget.failed = true;
  });
  const UnpackResult earlier = ExtractShard(zip, rootFd, budget, plan, 0, split);
  if (earlier != UnpackResult::kInstalled) budget.failed = true;
  worker.join();
  unzClose(second);
  return earlier != UnpackResult::kInstalled ? earlier : later;
}
