// Which thread an engine callback runs on, and the one-line statements with
// which callbacks declare it. They are the platform's live thread checks
// (platform/thread_check.h): on in every build that runs the tests, the
// sanitizers or the fuzzers, so a callback on the wrong thread stops the
// process with a clear message there.
#pragma once

#include "engine/cef_types.h"
#include "platform/thread_check.h"

bool CefCurrentlyOn(CefThreadId thread_id);

#define CEF_REQUIRE_THREAD(id) QUORBITAL_CHECK_THREAD(CefCurrentlyOn(id))
#define CEF_REQUIRE_UI_THREAD() CEF_REQUIRE_THREAD(TID_UI)
#define CEF_REQUIRE_RENDERER_THREAD() CEF_REQUIRE_THREAD(TID_RENDERER)
