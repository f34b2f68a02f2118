// The engine application object of every browser and renderer process. Its
// browser-process side keeps the engine's defaults; its renderer side is the
// page bridge: the page functions bound into every frame, the navigation
// observer that reports download links, and the registered page callback.
#pragma once

#include "bridge/bridge_message.h"
#include "engine/cef_app.h"
#include "engine/cef_browser_process_handler.h"
#include "engine/cef_render_process_handler.h"
#include "engine/cef_v8_context.h"
#include "engine/cef_v8_handler.h"
#include "engine/cef_v8_value.h"
#include "platform/windows.h"

class SimpleApp : public CefApp,
                  public CefBrowserProcessHandler,
                  public CefRenderProcessHandler,
                  public CefV8Handler {
 public:
  SimpleApp() = default;

  // CefApp
  CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override { return this; }
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }

  // CefRenderProcessHandler
  bool OnBeforeNavigation(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                          CefRefPtr<CefRequest> request, NavigationType navigation_type,
                          bool is_redirect) override;
  void OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) override;
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override;

  // CefV8Handler: the one handler of every page function.
  bool Execute(const CefString& name, CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval, CefString& exception) override;

 private:
  // Sends one bridge message to the main window and waits for it to be
  // handled; nothing happens when the main window is not there.
  void SendBridgeMessage(BridgeKind kind, BridgePayload payload);
  // registercb: stores the page callback and calls it once as confirmation.
  void RegisterCallback(CefRefPtr<CefV8Value> function);
  // Calls the stored callback with (text, number); each call holds its own
  // references, so a callback that replaces or clears the registration
  // releases nothing still in use.
  void CallCallback(const CefString& text, int number);

  HWND main_hwnd_ = nullptr;
  CefRefPtr<CefV8Value> callback_func_;
  CefRefPtr<CefV8Context> callback_context_;

  IMPLEMENT_REFCOUNTING(SimpleApp);
};
