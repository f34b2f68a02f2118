// JavaScript contexts and the stack of current ones.
#include "engine/webext/v8_context_impl.h"

#include <utility>
#include <vector>

#include "engine/webext/renderer_state.h"
#include "engine/webext/v8_value_impl.h"

namespace engine {
namespace {

// Contexts entered by the engine (context set-up, native function calls,
// callbacks); all on the renderer thread.
std::vector<CefRefPtr<CefV8Context>>& Stack() {
  static std::vector<CefRefPtr<CefV8Context>> stack;
  return stack;
}

}  // namespace

V8ContextImpl::V8ContextImpl(platform::GObjectPtr<JSCContext> context,
                             CefRefPtr<RendererBrowser> browser, CefRefPtr<RendererFrame> frame,
                             unsigned generation)
    : context_(std::move(context)), browser_(browser), frame_(frame), generation_(generation) {}

V8ContextImpl::~V8ContextImpl() { Detach(); }

void V8ContextImpl::Detach() {
  if (!context_) return;
  V8ValueImpl::DetachAll(context_.get());
  context_.reset();
}

CefRefPtr<CefV8Value> V8ContextImpl::GetGlobal() {
  if (!context_) return nullptr;
  // The global object comes with a reference of its own. Held twice, it
  // would keep the frame's whole script world alive after the frame has
  // moved on to another document.
  return V8ValueImpl::Adopt(jsc_context_get_global_object(context_.get()));
}

bool V8ContextImpl::IsValid() { return context_ && RendererState::IsCurrentContext(this); }

bool V8ContextImpl::IsSame(CefRefPtr<CefV8Context> that) {
  auto* other = static_cast<V8ContextImpl*>(that.get());
  if (other == this) return true;
  return other && context_ && other->context_.get() == context_.get() &&
         other->generation_ == generation_;
}

ContextScope::ContextScope(CefRefPtr<CefV8Context> context) { Stack().push_back(context); }

ContextScope::~ContextScope() { Stack().pop_back(); }

JSCContext* CurrentJscContext() {
  CefRefPtr<CefV8Context> current = CefV8Context::GetCurrentContext();
  return current ? static_cast<V8ContextImpl*>(current.get())->context() : nullptr;
}

}  // namespace engine

CefRefPtr<CefV8Context> CefV8Context::GetCurrentContext() {
  auto& stack = engine::Stack();
  for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
    if (*it) return *it;
  }
  // Script running outside any call the engine made (none in practice).
  if (JSCContext* running = jsc_context_get_current()) {
    return engine::RendererState::ContextFor(running);
  }
  return nullptr;
}
