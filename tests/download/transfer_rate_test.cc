// A running row's speed and time left, and its wait for a silent server.
#include "download/transfer_rate.h"

#include <gtest/gtest.h>

namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

TEST(TransferRate, SpeedAndTimeLeftOverTheLatestSeconds) {
  const auto t0 = TransferRate::Clock::now();
  TransferRate rate;
  rate.Start(t0, 0);
  rate.Report(t0 + milliseconds(500), 600 * 1024);
  // Half a second says nothing yet.
  EXPECT_EQ(rate.Text(t0 + milliseconds(500), 12 * 1048576), L"");
  for (int i = 1; i <= 8; ++i) rate.Report(t0 + milliseconds(500 * i), i * 600 * 1024);
  // 1200 KiB/s over the last 3 s; 7488 KiB of 12 MiB to come: 6.24 s left.
  EXPECT_EQ(rate.Text(t0 + seconds(4), 12 * 1048576), L"1.2 MB/s，剩余 7 秒");
  // Without a total, only the speed.
  EXPECT_EQ(rate.Text(t0 + seconds(4), 0), L"1.2 MB/s");
  // Two quiet seconds lower the speed over the window.
  EXPECT_EQ(rate.Text(t0 + seconds(6), 0), L"400 KB/s");
  // Five quiet seconds: waiting for the server.
  EXPECT_EQ(rate.Text(t0 + seconds(9), 12 * 1048576), L"等待服务器响应…");
  // Bytes again: a speed again; a try that starts over starts a new measure.
  rate.Report(t0 + seconds(10), 9 * 600 * 1024);
  EXPECT_NE(rate.Text(t0 + seconds(10), 0), L"等待服务器响应…");
  rate.Report(t0 + seconds(11), 1024);
  EXPECT_EQ(rate.Text(t0 + seconds(11), 0), L"");
}

TEST(TransferRate, ASilentServerFromTheStart) {
  const auto t0 = TransferRate::Clock::now();
  TransferRate rate;
  rate.Start(t0, 5000);  // bytes kept from an earlier try
  EXPECT_EQ(rate.Text(t0 + milliseconds(4900), 10000), L"");
  EXPECT_EQ(rate.Text(t0 + seconds(5), 10000), L"等待服务器响应…");
}

TEST(TransferRate, Texts) {
  EXPECT_EQ(SpeedText(0), L"0 B/s");
  EXPECT_EQ(SpeedText(1023), L"1023 B/s");
  EXPECT_EQ(SpeedText(1536), L"1.5 KB/s");
  EXPECT_EQ(SpeedText(340 * 1024), L"340 KB/s");
  EXPECT_EQ(SpeedText(1.2 * 1048576), L"1.2 MB/s");
  EXPECT_EQ(SpeedText(3.0 * 1073741824), L"3.0 GB/s");
  EXPECT_EQ(TimeLeftText(0.2), L"剩余 1 秒");
  EXPECT_EQ(TimeLeftText(20), L"剩余 20 秒");
  EXPECT_EQ(TimeLeftText(185), L"剩余 3 分 5 秒");
  EXPECT_EQ(TimeLeftText(25 * 60), L"剩余 25 分钟");
  EXPECT_EQ(TimeLeftText(2 * 3600 + 5 * 60), L"剩余 2 小时 5 分钟");
}

}  // namespace
