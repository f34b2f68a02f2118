// Hand-off to the main thread: order per sender, synchronous calls, nesting.
#include "platform/main_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(MainThread, PostedCallsRunInOrderAndSyncCallsWait) {
  platform::InitMainThread();
  std::vector<int> seen;
  std::atomic<bool> sync_done{false};
  std::thread worker([&] {
    for (int i = 0; i < 1000; ++i) platform::PostToMainThread([&seen, i] { seen.push_back(i); });
    platform::RunOnMainThread([&] { seen.push_back(-1); });
    sync_done = true;
    platform::PostToMainThread([] { platform::QuitMessageLoop(); });
  });
  platform::RunMessageLoop();
  worker.join();
  ASSERT_EQ(seen.size(), 1001u);
  for (int i = 0; i < 1000; ++i) EXPECT_EQ(seen[i], i);
  EXPECT_EQ(seen.back(), -1);
  EXPECT_TRUE(sync_done);
}

TEST(MainThread, PostedCallsRunInsideANestedLoop) {
  platform::InitMainThread();
  std::vector<std::string> trace;
  platform::PostToMainThread([&] {
    trace.push_back("modal-start");
    std::thread worker([&] {
      platform::RunOnMainThread([&] { trace.push_back("inside"); });
      platform::PostToMainThread([] { platform::QuitMessageLoop(); });
    });
    platform::RunMessageLoop();  // the nested level
    worker.join();
    trace.push_back("modal-end");
    platform::QuitApplicationLoop();
  });
  platform::RunMessageLoop();
  EXPECT_EQ(trace, (std::vector<std::string>{"modal-start", "inside", "modal-end"}));
}

TEST(MainThread, QuitBeforeRunReturnsAtOnce) {
  platform::QuitApplicationLoop();
  platform::RunMessageLoop();
  SUCCEED();
}

}  // namespace
