// How fast a running download's bytes come, read from its progress reports,
// and what its row says of it: its speed and the time left ("1.2 MB/s，剩余
// 20 秒"), or, once nothing has come for a while, that it waits for the
// server.
#pragma once

#include <chrono>
#include <deque>
#include <string>

#include "platform/windows.h"

class TransferRate {
 public:
  using Clock = std::chrono::steady_clock;

  // Nothing for this long says "等待服务器响应…".
  static constexpr std::chrono::seconds kQuiet{5};

  // A try starts with bytes of the file there already; the wait for data
  // counts from now.
  void Start(Clock::time_point now, ULONG bytes);
  // A progress report: the file has bytes now.
  void Report(Clock::time_point now, ULONG bytes);
  // What the row says at now of a file of total bytes (0: not known): the
  // speed and, with a total, the time left; "等待服务器响应…" when nothing
  // came for kQuiet; "" while a second's worth of reports is still to come.
  std::wstring Text(Clock::time_point now, ULONG total) const;

 private:
  struct Sample {
    Clock::time_point at;
    ULONG bytes;
  };
  // Reports of the last few seconds, and the last one before them.
  std::deque<Sample> samples_;
  Clock::time_point last_data_{};
};

// A speed in bytes per second: "512 B/s", "1.2 MB/s", "340 KB/s".
std::wstring SpeedText(double bytes_per_second);
// A time left: "剩余 20 秒", "剩余 3 分 5 秒", "剩余 25 分钟", "剩余 2 小时 5 分钟".
std::wstring TimeLeftText(double seconds);
