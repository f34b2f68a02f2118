// The page bridge, the client's side of every web process: it binds the page
// functions into the frames that show the client's own pages, carries their
// calls to the main window as bridge messages (or answers them at once),
// reports the download links those pages follow, and keeps the registered
// page callback. It is the render-process handler of the web process's
// application object (SimpleApp) and the handler of every page function.
#pragma once

#include <map>

#include "app/own_pages.h"
#include "bridge/bridge_message.h"
#include "engine/cef_render_process_handler.h"
#include "engine/cef_v8_context.h"
#include "engine/cef_v8_handler.h"
#include "engine/cef_v8_value.h"
#include "platform/windows.h"

class PageBridge : public CefRenderProcessHandler, public CefV8Handler {
 public:
  PageBridge() = default;

  // CefRenderProcessHandler
  void OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) override;
  bool OnBeforeNavigation(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                          CefRefPtr<CefRequest> request, NavigationType navigation_type,
                          bool is_redirect) override;
  void OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) override;
  // Forget what a frame's document was when its context goes, and a page's
  // frames when the page goes.
  void OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                         CefRefPtr<CefV8Context> context) override;
  void OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) override;
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override;

  // CefV8Handler: the one handler of every page function (page_functions.h).
  bool Execute(const CefString& name, CefRefPtr<CefV8Value> object, const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval, CefString& exception) override;

  // Sends one bridge message to the main window and waits for it to be
  // handled; nothing happens when the main window is not there.
  void SendBridgeMessage(BridgeKind kind, BridgePayload payload);
  // isonline(): the web process has no network of its own (it runs
  // confined), so the main window runs the connectivity probe; false when
  // there is no main window.
  bool AskOnline();
  // registercb: stores the page callback and calls it once as confirmation.
  void RegisterCallback(CefRefPtr<CefV8Value> function);

 private:
  // Notes what the frame's new document is (a new document in the main
  // frame forgets the frames of the old one); true when it is one of the
  // client's own.
  bool RecordFrameDocument(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame);
  // Whether a page function called in this context may be served: the
  // context's document, as it was when the context was made, is one of the
  // client's own, and no document of another realm could have made the call.
  bool IsOwnCaller(CefRefPtr<CefV8Context> caller) const;
  // What the browser's page holds, as this process recorded it.
  const FrameDocuments& DocumentsOf(CefRefPtr<CefBrowser> browser) const;

  // Calls the stored callback with (text, number); each call holds its own
  // references, so a callback that replaces or clears the registration
  // releases nothing still in use.
  void CallCallback(const CefString& text, int number);

  // The client's own places, from the client, and what each frame's
  // document was when its latest context was created, by browser identifier.
  OwnPlaces own_places_;
  std::map<int, FrameDocuments> frame_documents_;

  HWND main_hwnd_ = nullptr;
  CefRefPtr<CefV8Value> callback_func_;
  CefRefPtr<CefV8Context> callback_context_;

  IMPLEMENT_REFCOUNTING(PageBridge);
};
