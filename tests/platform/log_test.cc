// Diagnostics: warnings and errors always, debug lines only when asked for,
// one line per event.
#include "platform/log.h"

#include <gtest/gtest.h>

namespace {

TEST(Log, OneLinePerEventAndDebugOnlyWhenAsked) {
  testing::internal::CaptureStderr();
  platform::LogWarning("skin image %s cannot be read", "a.png");
  platform::LogError("two\nlines\n");
  platform::Log("debug %d", 1);
  const std::string debug = platform::LogEnabled() ? "quorbital: debug 1\n" : "";
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "quorbital: warning: skin image a.png cannot be read\n"
            "quorbital: error: two lines\n" +
                debug);
}

}  // namespace
