// The file a download writes into: unnamed in the target's folder while the
// body arrives, so nothing is left behind when the download, or the whole
// process, ends early; it is given the target's name only when complete.
// The folder itself is held only for the moment the file is made and placed,
// so a finished or stopped download keeps no file system busy.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Where the folder's file system has no unnamed files, the body goes to a
// short hidden name with this prefix instead (also used for a moment while an
// existing target is replaced), removed on every failure.
inline constexpr char kDownloadTempPrefix[] = ".qdl-";

class DownloadFile {
 public:
  DownloadFile() = default;
  ~DownloadFile() { Discard(); }  // unless it was placed
  DownloadFile(const DownloadFile&) = delete;
  DownloadFile& operator=(const DownloadFile&) = delete;

  // Creates the file, for reading and writing, in the folder of target (a
  // path whose last component is the file's name), in place of one opened
  // before. False with errno set when the folder cannot take it.
  bool Open(const std::string& target);
  int fd() const { return fd_; }
  bool IsOpen() const { return fd_ >= 0; }
  // Whether the file has no name yet, so that it goes with the process
  // whatever happens; false for the hidden name used where the folder's file
  // system has no unnamed files.
  bool IsUnnamed() const { return fd_ >= 0 && unnamed_; }
  // Gives the complete file the target's name, replacing what stood there in
  // one step. False with errno set when it cannot (a folder of that name, a
  // name too long); the file is discarded then.
  bool Place();
  // Removes what was written; nothing happens when it was placed.
  void Discard();

 private:
  bool LinkUnnamed(int dir, const char* name);
  bool ReplaceByTemporaryName(int dir);

  int fd_ = -1;
  bool unnamed_ = false;
  std::string folder_;  // the target's folder
  std::string name_;    // the target's last component
  std::string temp_;    // the hidden name in use, if any
};

// Copies the first length bytes of the file from into the file to, both from
// their first byte. False with errno set when it cannot (a full disk, say).
bool CopyFileStart(int from, int to, std::uint64_t length);

// Test seam: false makes Open use the hidden name as file systems without
// unnamed files do. The product never calls it.
void SetUnnamedDownloadFilesForTesting(bool allowed);

}  // namespace platform
