// Window timers over GLib timeouts of the main thread's loop.
#include <glib.h>

#include <map>
#include <utility>

#include "platform/main_thread.h"
#include "platform/native_window.h"
#include "platform/windows.h"

namespace {

using TimerKey = std::pair<HWND, UINT_PTR>;

// The running timers and their GLib sources. Main thread only.
std::map<TimerKey, guint>& Timers() {
  static std::map<TimerKey, guint> timers;
  return timers;
}

struct Tick {
  HWND hwnd;
  UINT_PTR id;
};

gboolean OnTick(gpointer data) {
  const Tick tick = *static_cast<Tick*>(data);
  platform::NativeWindow* window = platform::LookupWindow(tick.hwnd);
  if (window == nullptr) {
    Timers().erase({tick.hwnd, tick.id});
    return G_SOURCE_REMOVE;
  }
  window->Dispatch(WM_TIMER, tick.id, 0);
  return G_SOURCE_CONTINUE;
}

void StopTimer(const TimerKey& key) {
  auto it = Timers().find(key);
  if (it == Timers().end()) return;
  g_source_remove(it->second);
  Timers().erase(it);
}

}  // namespace

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse_ms, TIMERPROC /*timer_proc*/) {
  UINT_PTR result = 0;
  platform::RunOnMainThread([&] {
    if (platform::LookupWindow(hwnd) == nullptr) return;
    const TimerKey key{hwnd, id};
    StopTimer(key);
    Timers()[key] = g_timeout_add_full(G_PRIORITY_DEFAULT, elapse_ms > 0 ? elapse_ms : 1, OnTick,
                                       new Tick{hwnd, id},
                                       [](gpointer data) { delete static_cast<Tick*>(data); });
    result = id;
  });
  return result;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  BOOL found = FALSE;
  platform::RunOnMainThread([&] {
    found = Timers().count({hwnd, id}) != 0 ? TRUE : FALSE;
    StopTimer({hwnd, id});
  });
  return found;
}
