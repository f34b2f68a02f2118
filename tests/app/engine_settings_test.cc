// The web processes' memory bound.
#include "app/engine_settings.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint64_t kGiB = 1024ull * 1024 * 1024;

TEST(WebProcessMemoryLimit, HalfTheMachineAtMostFourGiBAndOnlyEverLowered) {
  EXPECT_EQ(WebProcessMemoryLimitMb(4 * kGiB, nullptr), 2048u);
  EXPECT_EQ(WebProcessMemoryLimitMb(64 * kGiB, nullptr), 4096u);
  EXPECT_EQ(WebProcessMemoryLimitMb(64 * kGiB, "300"), 300u);
  // Not lower, not a plain number, or nothing: the machine's bound stays.
  for (const char* passed_over : {"", "8192", "0", "-5", "12x", "99999999999999999999"}) {
    EXPECT_EQ(WebProcessMemoryLimitMb(4 * kGiB, passed_over), 2048u) << passed_over;
  }
  // A machine whose memory is unknown gets a bound only when one is given.
  EXPECT_EQ(WebProcessMemoryLimitMb(0, nullptr), 0u);
  EXPECT_EQ(WebProcessMemoryLimitMb(0, "500"), 500u);
}

}  // namespace
