// The engine application object of every browser and renderer process. Its
// browser-process side keeps the engine's defaults; its renderer side is the
// page bridge (the page functions bound into every frame).
#pragma once

#include "engine/cef_app.h"
#include "engine/cef_browser_process_handler.h"
#include "engine/cef_render_process_handler.h"
#include "engine/cef_v8_handler.h"

class SimpleApp : public CefApp,
                  public CefBrowserProcessHandler,
                  public CefRenderProcessHandler,
                  public CefV8Handler {
 public:
  SimpleApp() = default;

  // CefApp
  CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override { return this; }
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }

  // CefV8Handler: the one handler of every page function.
  bool Execute(const CefString& name, CefRefPtr<CefV8Value> object,
               const CefV8ValueList& arguments, CefRefPtr<CefV8Value>& retval,
               CefString& exception) override;

 private:
  IMPLEMENT_REFCOUNTING(SimpleApp);
};
