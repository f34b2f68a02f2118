// Progress reports as both download windows read them: below, at and above
// the total, with counts whose hundredfold no longer fits in 32 bits.
#include "download/progress.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgressOf, StagesAndTruncatedPercentWithoutOverflow) {
  struct Case {
    ULONG progress, total;
    DownloadStage stage;
    int percent;
  };
  constexpr auto kRunning = DownloadStage::kRunning;
  constexpr auto kFinished = DownloadStage::kFinished;
  constexpr auto kBeyond = DownloadStage::kBeyond;
  const Case cases[] = {
      {0, 100, kRunning, 0},
      {1, 3, kRunning, 33},
      {1023, 1024, kRunning, 99},
      {524288, 1048576, kRunning, 50},
      {1048575, 1048576, kRunning, 99},
      // progress * 100 exceeds 32 bits from about 43 MB on.
      {3221225472u, 4294967295u, kRunning, 75},
      {0x7FFFFFFFu, 0xFFFFFFFFu, kRunning, 49},
      {4294967294u, 4294967295u, kRunning, 99},
      {0, 4294967295u, kRunning, 0},
      {100, 100, kFinished, 100},
      {4294967295u, 4294967295u, kFinished, 100},
      {0, 0, kFinished, 100},  // the last report of an empty file
      {101, 100, kBeyond, 0},
      {1, 0, kBeyond, 0},
  };
  for (const Case& c : cases) {
    const DownloadProgress got = ProgressOf(c.progress, c.total);
    EXPECT_EQ(got.stage, c.stage) << c.progress << "/" << c.total;
    EXPECT_EQ(got.percent, c.percent) << c.progress << "/" << c.total;
  }
}

}  // namespace
