// Running the main loop from a test until something has happened.
#pragma once

#include <glib.h>

#include <chrono>
#include <functional>
#include <thread>

namespace test_support {

// How long a test waits for an event before it gives up. It only bounds a
// test that is failing: a passing one goes on as soon as its event comes, so
// the bound is generous enough for a machine that is busy with other work.
inline constexpr int kEventWaitMs = 20000;

// Runs the main loop until pred holds or timeout_ms has passed; returns
// pred(). Conditions that other threads change are looked at again at least
// every millisecond while the loop has nothing to do.
inline bool PumpUntil(const std::function<bool()>& pred, int timeout_ms = kEventWaitMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= deadline) return pred();
    if (!g_main_context_iteration(nullptr, FALSE)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  return true;
}

// Runs what the main loop has ready now, without waiting for anything more:
// what a test leaves behind (a view being destroyed) is handled before the
// next test starts.
inline void PumpPending() {
  for (int i = 0; i < 100000 && g_main_context_iteration(nullptr, FALSE); ++i) {
  }
}

// Runs the main loop for ms, for checks that something does NOT happen.
inline void PumpFor(int ms) {
  PumpUntil([] { return false; }, ms);
}

}  // namespace test_support
