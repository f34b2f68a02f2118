// Speed and time left of a running download.
#include "download/transfer_rate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The speed is the average over this much of the latest reports.
constexpr std::chrono::seconds kWindow{3};
// Before this much has been seen, a speed would be a guess.
constexpr std::chrono::seconds kFirstSpeed{1};

std::wstring Formatted(const wchar_t* format, double value) {
  wchar_t text[64];
  std::swprintf(text, sizeof(text) / sizeof(text[0]), format, value);
  return text;
}

}  // namespace

void TransferRate::Start(Clock::time_point now, ULONG bytes) {
  samples_.clear();
  samples_.push_back({now, bytes});
  last_data_ = now;
}

void TransferRate::Report(Clock::time_point now, ULONG bytes) {
  // A try that starts the file over begins a new measure.
  if (samples_.empty() || bytes < samples_.back().bytes) {
    Start(now, bytes);
    return;
  }
  if (bytes == samples_.back().bytes) return;
  last_data_ = now;
  samples_.push_back({now, bytes});
  // One sample at or before the window's start stays, as its base.
  while (samples_.size() > 2 && samples_[1].at <= now - kWindow) samples_.pop_front();
}

std::wstring TransferRate::Text(Clock::time_point now, ULONG total) const {
  if (samples_.empty()) return std::wstring();
  if (now - last_data_ >= kQuiet) return L"等待服务器响应…";
  if (samples_.size() < 2) return std::wstring();  // nothing came yet
  // From the base of the window, or the first sample, to now: a pause within
  // the window lowers the speed as it should.
  const Sample* base = &samples_.front();
  for (const Sample& sample : samples_) {
    if (sample.at > now - kWindow) break;
    base = &sample;
  }
  const double seconds = std::chrono::duration<double>(now - base->at).count();
  if (now - samples_.front().at < kFirstSpeed || seconds <= 0) return std::wstring();
  const ULONG bytes = samples_.back().bytes;
  const double speed = (bytes - base->bytes) / seconds;
  std::wstring text = SpeedText(speed);
  if (total > bytes && speed >= 1) text += L"，" + TimeLeftText((total - bytes) / speed);
  return text;
}

std::wstring SpeedText(double bytes_per_second) {
  static const wchar_t* const kUnits[] = {L"KB/s", L"MB/s", L"GB/s"};
  if (bytes_per_second < 1024) return Formatted(L"%.0f B/s", std::floor(bytes_per_second));
  double value = bytes_per_second / 1024;
  size_t unit = 0;
  while (value >= 1024 && unit + 1 < sizeof(kUnits) / sizeof(kUnits[0])) {
    value /= 1024;
    ++unit;
  }
  // One decimal while it says something ("1.2 MB/s"), none above ("340 KB/s").
  return Formatted(value < 10 ? L"%.1f " : L"%.0f ", value) + kUnits[unit];
}

std::wstring TimeLeftText(double seconds) {
  // Rounded up: the last second left still says one.
  const long long left = std::max(1LL, static_cast<long long>(std::ceil(seconds)));
  if (left < 60) return L"剩余 " + std::to_wstring(left) + L" 秒";
  const long long minutes = left / 60;
  if (minutes < 10) {
    return L"剩余 " + std::to_wstring(minutes) + L" 分 " + std::to_wstring(left % 60) + L" 秒";
  }
  if (minutes < 60) return L"剩余 " + std::to_wstring(minutes) + L" 分钟";
  return L"剩余 " + std::to_wstring(minutes / 60) + L" 小时 " + std::to_wstring(minutes % 60) +
         L" 分钟";
}
