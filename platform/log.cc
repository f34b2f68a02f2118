// The logging helper: one line per call on standard error, only when asked for.
#include "platform/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

bool LogEnabled() {
  static const bool enabled = [] {
    const char* value = std::getenv("QUORBITAL_DEBUG");
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
  }();
  return enabled;
}

void Log(const char* format, ...) {
  if (!LogEnabled() || format == nullptr) return;
  // Format into one buffer first so lines from several threads do not mix.
  char line[2048];
  std::va_list args;
  va_start(args, format);
  int n = std::vsnprintf(line, sizeof(line) - 1, format, args);
  va_end(args);
  if (n < 0) return;
  size_t len = std::strlen(line);
  if (len == 0 || line[len - 1] != '\n') {
    line[len] = '\n';
    line[len + 1] = '\0';
  }
  std::fprintf(stderr, "quorbital: %s", line);
  std::fflush(stderr);
}

}  // namespace platform
