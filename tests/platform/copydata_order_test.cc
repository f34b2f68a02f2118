// The copy-data channel's order check: a message numbered with its sender's
// news waits until the receiver has taken that news in, and no longer than
// the check's bound.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/copydata_channel.h"
#include "platform/main_thread.h"
#include "tests/platform/peer_process.h"
#include "tests/support/main_loop.h"
#include "tests/support/test_window.h"

namespace {

using test_support::PumpFor;
using test_support::PumpUntil;

class CopyDataOrder : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/copydata-order.XXXXXX";
    runtime_dir_ = mkdtemp(pattern);
    setenv("XDG_RUNTIME_DIR", runtime_dir_.c_str(), 1);
    platform::InitMainThread();
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(runtime_dir_); }
  void TearDown() override { platform::channel::SetOrderCheck(nullptr); }

  static inline std::string runtime_dir_;
};

TEST_F(CopyDataOrder, NumberedMessagesWaitForTheirNewsAndNoLongerThanTheBound) {
  std::vector<std::string> got;
  test_support::TestWindow window(L"qtest_order", L"Order", [&](UINT, WPARAM wparam, LPARAM) {
    got.push_back(std::to_string(wparam) + "/" +
                  std::to_string(platform::channel::CurrentMessageSender()->order));
    return LRESULT{1};
  });
  platform::channel::PublishWindow(window.hwnd(), L"qtest_order", L"Order");
  std::uint64_t taken_in = 1;
  platform::channel::SetOrderCheck(
      [&](const platform::channel::MessageSender& sender) { return sender.order <= taken_in; },
      std::chrono::milliseconds(500));

  // Both messages follow news 2; the second carries it without saying so
  // again. A sender that asks for no order is not held behind them.
  PeerProcess ordered({"send", "qtest_order", "Order", "order=2", "1:01", "2:02"});
  PumpFor(200);
  EXPECT_TRUE(got.empty());
  taken_in = 2;
  platform::channel::ResumeHeldMessages();
  EXPECT_TRUE(PumpUntil([&] { return got.size() == 2; }));
  EXPECT_EQ(ordered.ReadLine(), "result 1");
  EXPECT_EQ(ordered.ReadLine(), "result 1");
  PeerProcess unordered({"send", "qtest_order", "Order", "3:03"});
  EXPECT_TRUE(PumpUntil([&] { return got.size() == 3; }));
  EXPECT_EQ(got, (std::vector<std::string>{"1/2", "2/2", "3/0"}));

  // News that never comes: the message is answered 0 after the bound and
  // never reaches the window; the next one is served.
  const auto start = std::chrono::steady_clock::now();
  PeerProcess stranded({"send", "qtest_order", "Order", "order=9", "4:04"});
  EXPECT_EQ(stranded.PumpReadLine(), "result 0");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(450));
  PeerProcess next({"send", "qtest_order", "Order", "5:05"});
  EXPECT_TRUE(PumpUntil([&] { return got.size() == 4; }));
  EXPECT_EQ(got.back(), "5/0");
  platform::channel::WithdrawWindow(window.hwnd());
}

}  // namespace
