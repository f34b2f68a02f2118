// A JavaScript context of the renderer: the JSC context of one window object
// of one frame. It stays valid until that frame gets a new window object or
// goes away; calls into an invalid context are refused.
#pragma once

#include <jsc/jsc.h>

#include "engine/cef_v8_context.h"
#include "engine/webext/renderer_browser.h"
#include "platform/gobject_ptr.h"

namespace engine {

class V8ContextImpl : public CefV8Context {
 public:
  // Takes over the reference context holds.
  V8ContextImpl(platform::GObjectPtr<JSCContext> context, CefRefPtr<RendererBrowser> browser,
                CefRefPtr<RendererFrame> frame, unsigned generation);
  ~V8ContextImpl() override;

  CefRefPtr<CefV8Value> GetGlobal() override;
  CefRefPtr<CefBrowser> GetBrowser() override { return browser_; }
  CefRefPtr<CefFrame> GetFrame() override { return frame_; }
  bool IsValid() override;
  bool IsSame(CefRefPtr<CefV8Context> that) override;

  // Called when the context leaves the renderer's table: its values and the
  // context let go of the JSC objects, whoever still holds them.
  void Detach();

  // Null once detached.
  JSCContext* context() const { return context_.get(); }
  long long frame_id() const { return frame_ ? frame_->GetIdentifier() : -1; }
  const CefRefPtr<RendererFrame>& frame() const { return frame_; }
  unsigned generation() const { return generation_; }

 private:
  platform::GObjectPtr<JSCContext> context_;  // until detached
  CefRefPtr<RendererBrowser> browser_;
  CefRefPtr<RendererFrame> frame_;
  unsigned generation_;

  IMPLEMENT_REFCOUNTING(V8ContextImpl);
};

// Makes a context the current one (CefV8Context::GetCurrentContext) for the
// lifetime of the scope; scopes nest.
class ContextScope {
 public:
  explicit ContextScope(CefRefPtr<CefV8Context> context);
  ~ContextScope();
  ContextScope(const ContextScope&) = delete;
  ContextScope& operator=(const ContextScope&) = delete;
};

// The JSC context of the current context, or null.
JSCContext* CurrentJscContext();

}  // namespace engine
