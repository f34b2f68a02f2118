// Thread identification for the engine's debug checks. The browser process's
// engine thread is the main thread (the toolkit's loop drives the engine); a
// web process's renderer thread is the thread that initialised the extension.
#include "engine/cef_thread.h"

#include "engine/process_state.h"
#include "platform/main_thread.h"

bool CefCurrentlyOn(CefThreadId thread_id) {
  switch (thread_id) {
    case TID_UI:
      return !engine::IsRendererProcess() && platform::IsMainThread();
    case TID_RENDERER:
      return engine::IsRendererProcess() && engine::IsRendererThread();
  }
  return false;
}
