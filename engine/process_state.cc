// The process kind and the renderer's application-object hand-over.
#include "engine/process_state.h"

#include <atomic>
#include <thread>

namespace engine {
namespace {

std::atomic<bool> g_renderer{false};
std::thread::id g_renderer_thread;
RendererAppSink g_sink = nullptr;

}  // namespace

void EnterRendererProcess(RendererAppSink sink) {
  g_renderer_thread = std::this_thread::get_id();
  g_sink = sink;
  g_renderer = true;
}

bool IsRendererProcess() { return g_renderer; }

bool IsRendererThread() { return g_renderer && std::this_thread::get_id() == g_renderer_thread; }

bool HandRendererApp(CefRefPtr<CefApp> app) {
  if (!g_renderer || !g_sink) return false;
  g_sink(app);
  return true;
}

}  // namespace engine
