// Hand-off to the main thread and the nestable message loop, over GLib's
// default main context (which is also GTK's).
#include "platform/main_thread.h"

#include <glib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {
namespace {

GThread* g_main_thread = nullptr;

// The queue is never destroyed: workers (downloads still running when the
// program ends) may post to it while static objects are being torn down.
struct Queue {
  std::mutex mutex;
  std::deque<std::function<void()>> calls;
  bool drain_scheduled = false;
};
Queue& TheQueue() {
  static Queue* queue = new Queue();
  return *queue;
}

// Runs queued calls one at a time. The source may recurse: a call that runs a
// modal loop lets later calls start inside that loop, in queue order, instead
// of stalling every other sender until the modal window closes. A burst is
// served in slices so the loop keeps drawing and handling input.
gboolean DrainQueue(gpointer) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(8);
  for (;;) {
    std::function<void()> fn;
    {
      Queue& queue = TheQueue();
      std::lock_guard<std::mutex> lock(queue.mutex);
      if (queue.calls.empty()) {
        queue.drain_scheduled = false;
        return G_SOURCE_REMOVE;
      }
      fn = std::move(queue.calls.front());
      queue.calls.pop_front();
    }
    fn();
    if (std::chrono::steady_clock::now() > deadline) return G_SOURCE_CONTINUE;
  }
}

struct Level {
  GMainLoop* loop;
};
std::vector<Level> g_levels;
bool g_app_quit_pending = false;

}  // namespace

void InitMainThread() { g_main_thread = g_thread_self(); }

bool IsMainThread() { return g_main_thread == nullptr || g_main_thread == g_thread_self(); }

void PostToMainThread(std::function<void()> fn) {
  Queue& queue = TheQueue();
  std::lock_guard<std::mutex> lock(queue.mutex);
  queue.calls.push_back(std::move(fn));
  if (!queue.drain_scheduled) {
    queue.drain_scheduled = true;
    GSource* source = g_idle_source_new();
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    g_source_set_can_recurse(source, TRUE);
    g_source_set_callback(source, DrainQueue, nullptr, nullptr);
    g_source_attach(source, g_main_context_default());
    g_source_unref(source);
  }
}

void RepeatOnMainThread(std::chrono::milliseconds interval, std::function<bool()> fn) {
  auto* held = new std::function<bool()>(std::move(fn));
  g_timeout_add_full(
      G_PRIORITY_DEFAULT, static_cast<guint>(interval.count()),
      [](gpointer data) -> gboolean {
        return (*static_cast<std::function<bool()>*>(data))() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
      },
      held, [](gpointer data) { delete static_cast<std::function<bool()>*>(data); });
}

void RunOnMainThread(const std::function<void()>& fn) {
  if (IsMainThread()) {
    fn();
    return;
  }
  std::mutex mutex;
  std::condition_variable done_cv;
  bool done = false;
  PostToMainThread([&] {
    fn();
    std::lock_guard<std::mutex> lock(mutex);
    done = true;
    done_cv.notify_one();
  });
  std::unique_lock<std::mutex> lock(mutex);
  done_cv.wait(lock, [&] { return done; });
}

void RunWhileServingLoop(const std::function<void()>& work) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    work();
    done = true;
    g_main_context_wakeup(nullptr);
  });
  while (!done) g_main_context_iteration(nullptr, TRUE);
  worker.join();
}

void RunMessageLoop() {
  if (g_levels.empty() && g_app_quit_pending) {
    g_app_quit_pending = false;
    return;
  }
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  g_levels.push_back({loop});
  g_main_loop_run(loop);
  g_levels.pop_back();
  g_main_loop_unref(loop);
  if (g_levels.size() == 1 && g_app_quit_pending) {
    g_app_quit_pending = false;
    g_main_loop_quit(g_levels.front().loop);
  }
}

void QuitMessageLoop() {
  if (g_levels.empty()) {
    g_app_quit_pending = true;
    return;
  }
  g_main_loop_quit(g_levels.back().loop);
}

void QuitApplicationLoop() {
  if (g_levels.size() == 1) {
    g_main_loop_quit(g_levels.front().loop);
  } else {
    g_app_quit_pending = true;
  }
}

}  // namespace platform
