// The one reading of a progress report shared by the list and update windows.
#include "download/progress.h"

#include <cstdint>

DownloadProgress ProgressOf(ULONG progress, ULONG total) {
  if (progress == total) return {DownloadStage::kFinished, 100};
  if (progress > total) return {DownloadStage::kBeyond, 0};
  return {DownloadStage::kRunning,
          static_cast<int>(static_cast<std::uint64_t>(progress) * 100u / total)};
}
