// Renderer-side notifications of the application object, called on the web
// process's main thread (TID_RENDERER). Every operation has an empty default.
#pragma once

#include "engine/cef_list_value.h"
#include "engine/cef_ref_ptr.h"
#include "engine/cef_types.h"

class CefBrowser;
class CefFrame;
class CefRequest;
class CefV8Context;
class CefProcessMessage;

class CefRenderProcessHandler : public CefBaseRefCounted {
 public:
  // First of all, with what the browser process's
  // CefBrowserProcessHandler::OnRenderProcessThreadCreated put into
  // extra_info for this process (an empty list when it put nothing).
  virtual void OnRenderThreadCreated(CefRefPtr<CefListValue> /*extra_info*/) {}
  virtual void OnWebKitInitialized() {}
  virtual void OnBrowserCreated(CefRefPtr<CefBrowser> /*browser*/) {}
  virtual void OnBrowserDestroyed(CefRefPtr<CefBrowser> /*browser*/) {}

  // Before a navigation of any frame (top frame or iframe, redirects
  // included), never for the loads of a page's subresources. Returning true
  // cancels the navigation: the page that was shown stays.
  virtual bool OnBeforeNavigation(CefRefPtr<CefBrowser> /*browser*/, CefRefPtr<CefFrame> /*frame*/,
                                  CefRefPtr<CefRequest> /*request*/,
                                  NavigationType /*navigation_type*/, bool /*is_redirect*/) {
    return false;
  }

  // A frame has a new window object (every page load, in every frame).
  virtual void OnContextCreated(CefRefPtr<CefBrowser> /*browser*/, CefRefPtr<CefFrame> /*frame*/,
                                CefRefPtr<CefV8Context> /*context*/) {}
  virtual void OnContextReleased(CefRefPtr<CefBrowser> /*browser*/, CefRefPtr<CefFrame> /*frame*/,
                                 CefRefPtr<CefV8Context> /*context*/) {}

  // A process message from the browser process (CefBrowser::SendProcessMessage).
  virtual bool OnProcessMessageReceived(CefRefPtr<CefBrowser> /*browser*/,
                                        CefProcessId /*source_process*/,
                                        CefRefPtr<CefProcessMessage> /*message*/) {
    return false;
  }
};
