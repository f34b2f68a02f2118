// The diagnostics writer: one line per event on standard error.
#include "platform/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

void Write(LogLevel level, const char* format, std::va_list args) {
  if (format == nullptr || (level == LogLevel::kDebug && !LogEnabled())) return;
  // Format into one buffer first so lines from several threads do not mix.
  char line[2048];
  int n = std::vsnprintf(line, sizeof(line) - 1, format, args);
  if (n < 0) return;
  size_t len = std::strlen(line);
  while (len > 0 && (line[len - 1] == '\n' || line[len - 1] == '\r')) --len;
  for (size_t i = 0; i < len; ++i) {
    if (line[i] == '\n' || line[i] == '\r') line[i] = ' ';
  }
  line[len] = '\n';
  line[len + 1] = '\0';
  const char* tag = level == LogLevel::kError     ? "error: "
                    : level == LogLevel::kWarning ? "warning: "
                                                  : "";
  std::fprintf(stderr, "quorbital: %s%s", tag, line);
  std::fflush(stderr);
}

}  // namespace

bool LogEnabled() {
  static const bool enabled = [] {
    const char* value = std::getenv("QUORBITAL_DEBUG");
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
  }();
  return enabled;
}

void LogError(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  Write(LogLevel::kError, format, args);
  va_end(args);
}

void LogWarning(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  Write(LogLevel::kWarning, format, args);
  va_end(args);
}

void Log(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  Write(LogLevel::kDebug, format, args);
  va_end(args);
}

}  // namespace platform
