// Window timers: WM_TIMER with the timer's id until it is killed or its
// window goes.
#include <gtest/gtest.h>

#include "platform/main_thread.h"
#include "platform/windows.h"
#include "tests/support/test_window.h"

namespace {

int Count(const test_support::TestWindow& window, WPARAM id) {
  int n = 0;
  for (size_t i = 0; i < window.messages.size(); ++i) {
    if (window.messages[i] == WM_TIMER && window.wparams[i] == id) ++n;
  }
  return n;
}

TEST(WindowTimers, TickUntilKilledAndEndWithTheirWindow) {
  platform::InitMainThread();
  int ticks_of_7 = 0;
  test_support::TestWindow window(L"c", L"t", [&](UINT msg, WPARAM id, LPARAM) -> LRESULT {
    if (msg != WM_TIMER) return 0;
    // A timer killed from its own tick ticks no more.
    if (id == 7 && ++ticks_of_7 == 3) KillTimer(window.hwnd(), 7);
    if (id == 9 && ticks_of_7 >= 3) platform::QuitMessageLoop();
    return 0;
  });
  EXPECT_EQ(SetTimer(window.hwnd(), 7, 1, nullptr), 7u);
  EXPECT_EQ(SetTimer(window.hwnd(), 9, 1000, nullptr), 9u);
  // The same id again replaces the timer: 9 now ticks every 30 ms.
  EXPECT_EQ(SetTimer(window.hwnd(), 9, 30, nullptr), 9u);
  platform::RunMessageLoop();
  EXPECT_EQ(Count(window, 7), 3);
  EXPECT_GE(Count(window, 9), 1);
  EXPECT_FALSE(KillTimer(window.hwnd(), 7));
  EXPECT_EQ(SetTimer(nullptr, 1, 10, nullptr), 0u);

  // Its window gone, timer 9 ends by itself; one of a window still there
  // goes on.
  const HWND gone = window.hwnd();
  window.Destroy();
  int ticks = 0;
  test_support::TestWindow other(L"c", L"u", [&](UINT msg, WPARAM, LPARAM) -> LRESULT {
    if (msg == WM_TIMER && ++ticks == 5) platform::QuitMessageLoop();
    return 0;
  });
  SetTimer(other.hwnd(), 1, 30, nullptr);
  platform::RunMessageLoop();
  EXPECT_FALSE(KillTimer(gone, 9));
  KillTimer(other.hwnd(), 1);
}

}  // namespace
