// The URL download with bounds: the same download as URLDownloadToFileW, which
// can also be held to a size, a time and a caller's request to stop, and the
// single tries of a download that continues, try after try, the bytes it
// already has.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "platform/download_file.h"
#include "platform/url_fetch.h"
#include "platform/windows.h"

namespace platform {

struct UrlDownloadBounds {
  // A body larger than this fails the download (as soon as it is announced
  // or exceeded); 0 means no bound.
  std::uint64_t max_bytes = 0;
  // The whole download (name resolution, connection, body) fails past this;
  // 0 means no bound beyond the stall and connection limits of every download.
  std::chrono::milliseconds time_limit{0};
  // When set and it becomes true, the download stops within about a second
  // (also while it waits on a server that sends nothing) and fails with E_ABORT.
  const std::atomic<bool>* cancel = nullptr;
  // A transfer that receives no byte for this long (also while it waits for
  // an answer after connecting) has dropped.
  std::chrono::seconds stall{120};
  // When set, the URL and every redirect must pass it (see UrlFilter); a
  // refused one ends the try as kBadAddress with E_ACCESSDENIED before it
  // connects there.
  UrlFilter allow_url;
};

// URLDownloadToFileW is this with no bounds. The body is written into an
// unnamed file in the target's folder and gets the target's name only once
// the whole 2xx body is there and on disk, so a download cut short by a
// failure, a stop, a crash or a kill leaves nothing behind, and an existing
// target is replaced in one step. The sink's last report (progress equal to
// total, the file's real size also when the server sent no length) comes
// only once the file is in place.
HRESULT DownloadUrlToFile(LPCWSTR url, LPCWSTR file_name, LPBINDSTATUSCALLBACK sink,
                          const UrlDownloadBounds& bounds);

// How one try of a download ended.
enum class DownloadEnd {
  kComplete,     // the whole file is in place under the target's name
  kDropped,      // the transfer ended early: the connection closed or was
                 // reset, the body was short, nothing came for the stall
                 // time, or the answer could not continue the kept bytes
  kUnreachable,  // no connection to the server (refused, unreachable, timed out)
  kUnresolved,   // the server's name is not known
  kHttpError,    // the server answered with a status that is no success
  kDiskFull,     // the target's file system is full (or the user's quota)
  kCannotWrite,  // the target's folder does not take the file or its name
  kTooLarge,     // the body passed the bound on its size
  kBadAddress,   // not an address of the web
  kInsecure,     // the secure connection failed (a certificate nobody vouches for)
  kCancelled,    // the caller or the sink asked to stop
  kFailed,       // anything else
};

struct DownloadTry {
  DownloadEnd end = DownloadEnd::kFailed;
  HRESULT result = E_FAIL;  // what URLDownloadToFileW would return
  long status = 0;          // the final answer's HTTP status; 0 without an answer
};

// The bytes a download has received so far, kept from one try to the next
// in the file the download writes (unnamed in the target's folder), and
// what the server said about continuing them. Between tries that are far
// apart they can be set aside, out of the target's folder. Used by one
// thread at a time.
class PartialDownload {
 public:
  PartialDownload() = default;
  ~PartialDownload();
  PartialDownload(const PartialDownload&) = delete;
  PartialDownload& operator=(const PartialDownload&) = delete;

  std::uint64_t kept() const { return kept_; }
  // Whether the kept bytes are set aside rather than in the target's folder.
  bool IsSetAside() const { return aside_ >= 0; }
  // Moves the kept bytes into an unnamed file in folder (one of the
  // client's own), so that nothing of the target's folder, nor space on its
  // file system, is held while the download waits; the next try puts them
  // back. False, with nothing kept, when they are of no use to a later try
  // (none, or a server that cannot continue them) or cannot be moved.
  bool SetAside(const std::string& folder);
  // Whether the set-aside bytes take space on the file system of path.
  bool IsAsideOnFileSystemOf(const std::string& path) const;
  // Removes the kept bytes; the next try starts from the first byte.
  void Discard();

 private:
  friend DownloadTry DownloadUrlTry(LPCWSTR url, LPCWSTR file_name, PartialDownload& partial,
                                    LPBINDSTATUSCALLBACK sink, const UrlDownloadBounds& bounds);

  DownloadFile file_;
  int aside_ = -1;  // the set-aside bytes, when file_ is not open
  std::string target_;
  std::uint64_t kept_ = 0;
  bool ranges_offered_ = false;  // the server answered with Accept-Ranges: bytes or a part
  std::string validator_;        // of the answer the kept bytes started with
};

// One try of the download of url to file_name: the same download as
// DownloadUrlToFile, which starts from the bytes partial kept from earlier
// tries to the same target where the server allows it (a request for the
// rest, on the condition that the file has not changed), and starts over
// otherwise. A try that does not complete leaves what it received in
// partial, for the next try.
DownloadTry DownloadUrlTry(LPCWSTR url, LPCWSTR file_name, PartialDownload& partial,
                           LPBINDSTATUSCALLBACK sink, const UrlDownloadBounds& bounds);

}  // namespace platform
