// The end of a failed thread statement (platform/thread_check.h).
#include "platform/thread_check.h"

#include <cstdlib>

#include "platform/log.h"

namespace platform {

void ThreadCheckFailed(const char* condition, const char* file, int line) {
  LogError("[%s:%d] Check failed: %s.", file, line, condition);
  std::abort();
}

}  // namespace platform
