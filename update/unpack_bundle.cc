// Installation of a page-bundle archive. The archive is extracted into a
// private staging directory inside the data directory first and put on disk;
// the installed bundle is replaced by renames only once every entry extracted
// completely, so a broken download, a full disk, a hostile archive or a power
// cut leaves the old bundle and "version.ini" as they were or the new ones in
// full.
#include "update/unpack_bundle.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <minizip/unzip.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <limits>
#include <vector>

#include "app/data_dir.h"
#include "app/locations.h"
#include "platform/log.h"
#include "platform/windows.h"
#include "update/archive_file.h"
#include "update/bundle_extract.h"
#include "update/bundle_swap.h"
#include "update/entry_name.h"
#include "update/work_files.h"
#include "util/text_convert.h"

namespace {

constexpr char kStagingPrefix[] = ".bundle-staging-";
constexpr char kStartPage[] = "index.html";  // inside EditorDir
constexpr unsigned long kDosReadOnly = 0x01;
constexpr unsigned long kDosDirectory = 0x10;
constexpr unsigned long kHostUnix = 3;
constexpr unsigned long kHostMac = 19;

// Creates dir and its missing parents; the data directory may not exist yet.
bool MakeDirectories(const std::string& dir) {
  for (std::string::size_type pos = 1; pos <= dir.size(); ++pos) {
    if (pos == dir.size() || dir[pos] == '/') {
      const std::string part = dir.substr(0, pos);
      if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
  }
  struct stat st;
  return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Utf8ToWideName(const std::string& utf8, std::wstring& wide) {
  wide.clear();
  if (utf8.empty()) return true;
  const int count =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (count <= 0) return false;
  wide.resize(static_cast<std::size_t>(count));
  return MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                             count) == count;
}

// Entry names are written in UTF-8 whatever the locale: the engine takes file
// names to be UTF-8 when it turns paths into file URLs, and the pages refer
// to each other by those names.
bool WideToUtf8Name(const std::wstring& wide, std::string& utf8) {
  utf8.clear();
  const int count = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                        nullptr, 0, nullptr, nullptr);
  if (count <= 0) return false;
  utf8.resize(static_cast<std::size_t>(count));
  return WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(),
                             count, nullptr, nullptr) == count;
}

// Reads the entry under the archive's cursor into a plan. kUnsafeName when
// its name is absolute or climbs out of the data directory, kBroken when it
// cannot be read or written safely for another reason.
UnpackResult PlanEntry(unzFile zip, std::vector<char>& nameBuffer, PlannedEntry& entry) {
  unz_file_info64 info{};
  if (unzGetCurrentFileInfo64(zip, &info, nameBuffer.data(), nameBuffer.size(), nullptr, 0, nullptr,
                              0) != UNZ_OK) {
    return UnpackResult::kBroken;
  }
  // C-string semantics: a name ends at its first zero byte.
  const std::string raw(
      nameBuffer.data(),
      strnlen(nameBuffer.data(), std::min<std::size_t>(info.size_filename, nameBuffer.size())));
  std::wstring name;
  if (!Utf8ToWideName(raw, name)) return UnpackResult::kBroken;
  // An archive that names a place outside is refused whole rather than bent
  // into the data directory: it was not made as a bundle for it.
  if (EntryNameLeaves(name)) {
    platform::LogWarning("bundle: entry \"%s\" would leave the data directory", raw.c_str());
    return UnpackResult::kUnsafeName;
  }

  const unsigned long host = info.version >> 8;
  const unsigned long unixMode =
      (host == kHostUnix || host == kHostMac) ? (info.external_fa >> 16) & 0xFFFF : 0;
  const unsigned long type = unixMode & S_IFMT;
  entry.directory = (!name.empty() && (name.back() == L'/' || name.back() == L'\\')) ||
                    (info.external_fa & kDosDirectory) != 0 || type == S_IFDIR;
  // A symbolic link is never created: it could point anywhere, and the
  // bundle's pages need no aliases. Devices and pipes likewise.
  entry.skipped = !entry.directory && type != 0 && type != S_IFREG;
  entry.readOnly =
      (info.external_fa & kDosReadOnly) != 0 || (unixMode != 0 && (unixMode & S_IWUSR) == 0);
  entry.size = info.uncompressed_size;
  entry.time = info.tmu_date;

  std::vector<std::wstring> parts;
  if (!SplitEntryName(MakeSafeEntryName(name), parts)) {
    platform::LogWarning("bundle: entry \"%s\" would leave the data directory", raw.c_str());
    return UnpackResult::kUnsafeName;
  }
  // An entry that names the data directory itself has nothing to create.
  if (parts.empty()) {
    entry.skipped = true;
    return UnpackResult::kInstalled;
  }
  std::wstring joined;
  for (const auto& part : parts) {
    if (!joined.empty()) joined += L'/';
    joined += part;
  }
  std::string narrow;
  if (!WideToUtf8Name(joined, narrow)) return UnpackResult::kBroken;
  entry.components.clear();
  std::string::size_type start = 0;
  while (start <= narrow.size()) {
    auto end = narrow.find('/', start);
    if (end == std::string::npos) end = narrow.size();
    if (end > start) entry.components.push_back(narrow.substr(start, end - start));
    start = end + 1;
  }
  for (const auto& part : entry.components) {
    if (part == "." || part == "..") return UnpackResult::kUnsafeName;
  }
  if (entry.components.empty()) return UnpackResult::kBroken;
  // The user's settings, the engine's data and the client's own scratch
  // files are never the archive's to write.
  const std::string& top = entry.components.front();
  if (top == kVersionFileA + 1 || top == kCacheDirA + 1 || IsClientWorkName(top)) {
    entry.skipped = true;
  }
  return UnpackResult::kInstalled;
}

bool IsStartPage(const PlannedEntry& entry) {
  return !entry.skipped && !entry.directory && entry.components.size() == 2 &&
         entry.components[0] == kEditorDirA + 1 && entry.components[1] == kStartPage;
}

// Reads the whole central directory. kUnsafeName for an entry whose name
// leaves the data directory; kBroken for a damaged directory, an entry that
// cannot be installed safely, or no start page (an archive
// without one would leave the client nothing to show); kTooManyEntries past
// maxEntries, counted as they are read rather than as the archive declares.
UnpackResult PlanArchive(unzFile zip, std::size_t maxEntries, std::vector<PlannedEntry>& plan) {
  std::vector<char> nameBuffer(65536 + 1);
  bool startPage = false;
  int rc = unzGoToFirstFile(zip);
  while (rc == UNZ_OK) {
    if (plan.size() >= maxEntries) {
      platform::LogWarning("bundle: the archive has more than %zu entries", maxEntries);
      return UnpackResult::kTooManyEntries;
    }
    PlannedEntry entry;
    const UnpackResult planned = PlanEntry(zip, nameBuffer, entry);
    if (planned != UnpackResult::kInstalled) return planned;
    startPage = startPage || IsStartPage(entry);
    if (unzGetFilePos64(zip, &entry.position) != UNZ_OK) return UnpackResult::kBroken;
    plan.push_back(std::move(entry));
    rc = unzGoToNextFile(zip);
  }
  if (rc != UNZ_END_OF_LIST_OF_FILE) return UnpackResult::kBroken;
  if (!startPage) {
    platform::LogWarning("bundle: the archive has no %s%s", kEditorDirA + 1, "/index.html");
    return UnpackResult::kBroken;
  }
  return UnpackResult::kInstalled;
}

std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b) {
  return a > std::numeric_limits<std::uint64_t>::max() - b
             ? std::numeric_limits<std::uint64_t>::max()
             : a + b;
}

// Whether the entries fit in the free space of the data directory's file
// system, counted in whole blocks, before anything is written.
bool FitsOnDisk(const std::string& dataDir, const std::vector<PlannedEntry>& plan) {
  struct statvfs vfs;
  if (statvfs(dataDir.c_str(), &vfs) != 0) return true;  // writing will tell
  const std::uint64_t block = vfs.f_frsize ? vfs.f_frsize : 4096;
  std::uint64_t needed = 0;
  for (const auto& entry : plan) {
    if (entry.skipped) continue;
    const std::uint64_t blocks = entry.directory ? 1 : entry.size / block + 1;
    needed = SaturatingAdd(needed, blocks > std::numeric_limits<std::uint64_t>::max() / block
                                       ? std::numeric_limits<std::uint64_t>::max()
                                       : blocks * block);
  }
  const std::uint64_t available = vfs.f_bavail > std::numeric_limits<std::uint64_t>::max() / block
                                      ? std::numeric_limits<std::uint64_t>::max()
                                      : static_cast<std::uint64_t>(vfs.f_bavail) * block;
  return needed <= available;
}

// Everything between a good archive and a recorded build: staging, checks,
// writing, putting it on disk, the swap and the record, undone on failure.
// What was extracted (and, after a swap, the old bundle) goes with the
// staging directory.
UnpackResult Install(const std::string& dataDir, int archiveFd, unzFile zip,
                     const std::vector<PlannedEntry>& plan, const std::function<bool()>& record,
                     const UnpackOptions& options) {
  if (!MakeDirectories(dataDir)) return WriteFailure();
  if (!FitsOnDisk(dataDir, plan)) {
    platform::LogWarning("bundle: not enough free space in %s", dataDir.c_str());
    return UnpackResult::kNoSpace;
  }

  std::string staging = dataDir + "/" + kStagingPrefix + "XXXXXX";
  if (!mkdtemp(staging.data())) return WriteFailure();
  const std::string fresh = staging + "/new";
  const std::string old = staging + "/old";
  UnpackResult result = UnpackResult::kInstalled;
  if (mkdir(fresh.c_str(), 0777) != 0 || mkdir(old.c_str(), 0777) != 0) result = WriteFailure();
  if (result == UnpackResult::kInstalled) {
    ScopedFd root(open(fresh.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    result = root.get() < 0 ? WriteFailure()
                            : ExtractPlannedEntries(archiveFd, zip, root.get(), options.maxBytes,
                                                    options.threads, plan);
    // Every file and directory written is on disk before anything in the
    // data directory refers to it.
    if (result == UnpackResult::kInstalled && syncfs(root.get()) != 0) {
      platform::LogWarning("bundle: cannot put the new bundle on disk: %s", std::strerror(errno));
      result = WriteFailure();
    }
  }
  if (result == UnpackResult::kInstalled) {
    int steps = 0;
    const auto step = [&] {
      if (options.afterStep) options.afterStep(++steps);
    };
    BundleSwap swap(dataDir, fresh, old, options.exchange, step);
    if (!swap.Apply() || !swap.Sync()) result = WriteFailure();
    // The build is recorded only over a bundle that is on disk; if it cannot
    // be, the old bundle comes back.
    if (result == UnpackResult::kInstalled && record) {
      if (record()) {
        step();
      } else {
        platform::LogWarning("bundle: the build cannot be recorded; the old bundle is put back");
        result = UnpackResult::kNotRecorded;
      }
    }
    if (result != UnpackResult::kInstalled) swap.Undo();
  }
  RemoveWorkTree(staging);
  return result;
}

}  // namespace

UnpackResult InstallBundleArchive(const std::string& dataDir, const std::string& archivePath,
                                  const std::function<bool()>& record,
                                  const UnpackOptions& options) {
  UnpackResult result = UnpackResult::kBroken;
  // An archive that cannot be opened counts as one without entries: nothing
  // of the installed bundle is touched.
  ScopedFd file(open(archivePath.c_str(), O_RDONLY | O_CLOEXEC));
  if (unzFile zip = file.get() < 0 ? nullptr : OpenArchive(file.get())) {
    unz_global_info64 global{};
    std::vector<PlannedEntry> plan;
    if (unzGetGlobalInfo64(zip, &global) == UNZ_OK && global.number_entry > 0 && !dataDir.empty()) {
      result = PlanArchive(zip, options.maxEntries, plan);
      if (result == UnpackResult::kInstalled) {
        result = Install(dataDir, file.get(), zip, plan, record, options);
      }
    }
    unzClose(zip);
  }
  std::remove(archivePath.c_str());
  return result;
}

bool UnpackBundleInto(const std::string& dataDir, const std::string& archivePath,
                      const std::function<bool()>& record) {
  return InstallBundleArchive(dataDir, archivePath, record) == UnpackResult::kInstalled;
}

bool UnpackBundle(const std::wstring& archivePath, const std::function<bool()>& record) {
  std::string archive;
  WideToAnsi(archivePath, archive);
  return UnpackBundleInto(GetDataDirA(), archive, record);
}
