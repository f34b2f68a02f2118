// Installation of a downloaded page-bundle archive into the data directory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// A bundle is tens of megabytes in a few thousand files: an archive that
// unpacks to more, counted in the bytes really written, or that has more
// entries, is no bundle and is refused.
inline constexpr std::uint64_t kMaxUnpackedBytes = std::uint64_t{512} << 20;
inline constexpr std::size_t kMaxArchiveEntries = 20000;

struct UnpackOptions {
  std::uint64_t maxBytes = kMaxUnpackedBytes;
  std::size_t maxEntries = kMaxArchiveEntries;
  // Threads that extract: 0 picks by the archive's size and the machine (two
  // for a bundle of some size on two cores or more); tests ask for 1 or 2.
  unsigned threads = 0;
  // For tests: false moves the bundle into place as on a file system that
  // cannot exchange two names.
  bool exchange = true;
  // For tests: called after every step that changes the data directory (each
  // rename of the swap, then the record of the build), numbered from 1.
  std::function<void(int step)> afterStep;
};

enum class UnpackResult {
  kInstalled,
  kBroken,          // cannot be opened, damaged, no start page
  kUnsafeName,      // an entry's name is absolute or climbs out of the data directory
  kTooLarge,        // unpacks past maxBytes
  kTooManyEntries,  // more than maxEntries entries
  kNoSpace,         // the data directory's file system is full
  kWriteFailed,     // another failure to write or move into the data directory
  kNotRecorded,     // record returned false
};

// Installs the archive at archivePath into the data directory (GetDataDirA).
// Every entry is first extracted into a private staging directory and put on
// disk; only when all of them extracted completely is the bundle moved into
// place: EditorDir is replaced as a whole, every other entry is merged into
// the data directory without deleting anything that is there, and entries
// for "version.ini", "cache" and the client's own scratch names are left
// out. An archive without "contentEditor/index.html" is refused. Once the
// bundle is in place and on disk, record (when given) records its build; if
// it returns false, the old bundle is put back. On any failure nothing in the
// data directory changes and what was extracted is removed. The archive file
// is deleted in every case. Returns true when the new bundle is in place (and
// recorded).
bool UnpackBundle(const std::wstring& archivePath, const std::function<bool()>& record = {});

// The same into an explicit data directory (narrow, system code page).
bool UnpackBundleInto(const std::string& dataDir, const std::string& archivePath,
                      const std::function<bool()>& record = {});

// The same, saying what went wrong.
UnpackResult InstallBundleArchive(const std::string& dataDir, const std::string& archivePath,
                                  const std::function<bool()>& record,
                                  const UnpackOptions& options = {});
