// The URL download with bounds: the same download as URLDownloadToFileW, which
// can also be held to a size, a time and a caller's request to stop.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

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

}  // namespace platform
