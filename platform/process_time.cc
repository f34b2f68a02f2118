// The process's age from its start time in /proc/self/stat, which counts in
// clock ticks since boot on the clock that CLOCK_BOOTTIME reads.
#include "platform/process_time.h"

#include <time.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/log.h"

namespace platform {

long ProcessAgeMs() {
  std::ifstream in("/proc/self/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The command name may hold blanks and parentheses: fields count from the
  // last ')', after which the state is field 3 and the start time field 22.
  const std::string::size_type close = stat.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(stat.substr(close + 1));
  std::string field;
  unsigned long long start_ticks = 0;
  for (int number = 3; fields >> field; ++number) {
    if (number == 22) {
      start_ticks = std::stoull(field);
      break;
    }
  }
  const long ticks_per_second = sysconf(_SC_CLK_TCK);
  timespec now{};
  if (start_ticks == 0 || ticks_per_second <= 0 || clock_gettime(CLOCK_BOOTTIME, &now) != 0) {
    return 0;
  }
  const long long now_ms = static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
  const long long start_ms = static_cast<long long>(start_ticks) * 1000 / ticks_per_second;
  return now_ms > start_ms ? static_cast<long>(now_ms - start_ms) : 0;
}

void LogStartStep(const char* step) {
  if (!LogEnabled()) return;
  struct Base {
    long age_ms = ProcessAgeMs();
    std::chrono::steady_clock::time_point at = std::chrono::steady_clock::now();
  };
  static const Base base;
  const double ms =
      static_cast<double>(base.age_ms) +
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - base.at).count();
  Log("start: %s at %.1f ms", step, ms);
}

}  // namespace platform
