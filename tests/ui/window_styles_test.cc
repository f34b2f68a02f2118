// The named window styles, masks and message values against the numbers the
// windows are documented with, in one table, so that every call site can use
// the names without restating the numbers.
#include "ui/window_styles.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(WindowStyles, NamesHoldTheDocumentedNumbers) {
  struct Case {
    const char* name;
    std::uint64_t value, expected;
  };
  const Case cases[] = {
      {"frame window style", kFrameWindowStyle, 0x10CF0000},
      {"dialog window style", kDialogWindowStyle, 0x96C80000},
      {"full screen keep mask", kFullScreenKeepMask, 0xFF30FFFF},
      {"framed keep mask", kFramedKeepMask, 0x7FFFFFFF},
      {"full screen style of a frame window", (kFrameWindowStyle & kFullScreenKeepMask) | WS_POPUP,
       0x90000000},
      {"frame style after full screen", (0x90000000 & kFramedKeepMask) | kFrameWindowStyle,
       0x10CF0000},
      {"WS_EX_ACCEPTFILES", WS_EX_ACCEPTFILES, 0x10},
      {"CS_DBLCLKS", CS_DBLCLKS, 8},
      {"CW_USEDEFAULT", static_cast<std::uint32_t>(CW_USEDEFAULT), 0x80000000},
      {"WM_NCLBUTTONDBLCLK", WM_NCLBUTTONDBLCLK, 0xA3},
      {"SC_MINIMIZE", SC_MINIMIZE, 0xF020},
      {"SC_MAXIMIZE", SC_MAXIMIZE, 0xF030},
      {"SC_RESTORE", SC_RESTORE, 0xF120},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value, c.expected) << c.name;
}

}  // namespace
