// How far a download has come, as the windows that show downloads read it:
// the list window's rows and the update window's bar follow the same rules.
#pragma once

#include "platform/windows.h"

enum class DownloadStage {
  kRunning,   // progress below the total: the bar shows the share done
  kFinished,  // progress equal to the total: the bar is full
  kBeyond,    // progress above the total: the report changes nothing
};

struct DownloadProgress {
  DownloadStage stage = DownloadStage::kBeyond;
  int percent = 0;  // the bar's value, 0 to 100; 0 when the stage is Beyond
};

// progress * 100 / total, truncated and computed in 64 bits so that no 32-bit
// count overflows; equal counts are finished before any division, so a total
// of 0 is finished at 0 bytes (the last report of an empty file).
DownloadProgress ProgressOf(ULONG progress, ULONG total);
