// Which thread an engine callback runs on, and the one-line statements with
// which callbacks declare it. The statements are active in debug builds and
// in every build made with the tests (QUORBITAL_THREAD_CHECKS), so the suite
// runs them: a callback on the wrong thread then stops the process with a
// clear message. A release build without tests compiles them out.
#pragma once

#include "engine/cef_types.h"

bool CefCurrentlyOn(CefThreadId thread_id);

namespace engine {
[[noreturn]] void ThreadCheckFailed(const char* condition, const char* file, int line);
}

#if defined(NDEBUG) && !defined(QUORBITAL_THREAD_CHECKS)
#define CEF_REQUIRE_THREAD(id) ((void)0)
#else
#define CEF_REQUIRE_THREAD(id)  \
  (CefCurrentlyOn(id) ? (void)0 \
                      : engine::ThreadCheckFailed("CefCurrentlyOn(" #id ")", __FILE__, __LINE__))
#endif
#define CEF_REQUIRE_UI_THREAD() CEF_REQUIRE_THREAD(TID_UI)
#define CEF_REQUIRE_RENDERER_THREAD() CEF_REQUIRE_THREAD(TID_RENDERER)
