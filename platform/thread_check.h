// Live statements of which thread a piece of code must run on. Every build
// whose purpose is checking (tests, sanitizers, fuzzing: QUORBITAL_THREAD_CHECKS)
// and every debug build keeps them; a release build made only to be used
// compiles them out. A statement that fails stops the process with one clear
// line on standard error, so a threading mistake fails loudly where it is made.
#pragma once

#include "platform/main_thread.h"

namespace platform {

[[noreturn]] void ThreadCheckFailed(const char* condition, const char* file, int line);

}  // namespace platform

#if defined(NDEBUG) && !defined(QUORBITAL_THREAD_CHECKS)
#define QUORBITAL_CHECK_THREAD(condition) ((void)0)
#else
#define QUORBITAL_CHECK_THREAD(condition) \
  ((condition) ? (void)0 : platform::ThreadCheckFailed(#condition, __FILE__, __LINE__))
#endif

// Windows, controls and engine objects belong to the main thread
// (platform/main_thread.h).
#define QUORBITAL_REQUIRE_MAIN_THREAD() QUORBITAL_CHECK_THREAD(platform::IsMainThread())
