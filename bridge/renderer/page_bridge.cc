// The page functions' binding into the script contexts of the client's own
// pages and the dispatch of their calls, both from the table of
// page_functions.h; the navigation observer; the bridge messages.
#include "bridge/renderer/page_bridge.h"

#include "app/locations.h"
#include "bridge/renderer/page_functions.h"
#include "engine/cef_browser.h"
#include "engine/cef_frame.h"
#include "engine/cef_request.h"
#include "engine/cef_thread.h"

void PageBridge::OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                  CefRefPtr<CefV8Context> context) {
  CEF_REQUIRE_RENDERER_THREAD();
  // A new context ends any registration, whichever frame it belongs to.
  callback_context_ = nullptr;
  callback_func_ = nullptr;
  main_hwnd_ = FindWindowW(kMainWndClass, kMainWndTitle);
  // An ordinary web page gets none of the page functions.
  if (!RecordFrameDocument(browser, frame)) return;

  CefRefPtr<CefV8Value> global = context->GetGlobal();
  CefRefPtr<CefV8Handler> handler = this;
  for (const PageFunction& function : PageFunctions()) {
    global->SetValue(function.property, CefV8Value::CreateFunction(function.name, handler),
                     V8_PROPERTY_ATTRIBUTE_NONE);
  }
  for (const PageValue& value : PageValues()) {
    global->SetValue(value.property, CefV8Value::CreateString(value.value),
                     V8_PROPERTY_ATTRIBUTE_NONE);
  }
}

bool PageBridge::Execute(const CefString& name, CefRefPtr<CefV8Value> /*object*/,
                         const CefV8ValueList& arguments, CefRefPtr<CefV8Value>& retval,
                         CefString& /*exception*/) {
  CEF_REQUIRE_RENDERER_THREAD();
  const PageFunction* function = FindPageFunction(name.ToWString());
  if (function == nullptr) return false;
  // Only the client's own pages have the functions; a call that comes from
  // any other document (one handed a function by such a page, or one that
  // reaches into the frame) is refused, and nothing leaves this process.
  if (!IsOwnCaller(CefV8Context::GetCurrentContext())) return false;
  // Arguments that do not fit leave the call unhandled, but for registercb,
  // whose call is handled whatever it is given.
  if (!ArgumentsFit(function->arguments, arguments)) {
    return function->effect == PageEffect::kRegisterCallback;
  }
  switch (function->effect) {
    case PageEffect::kBridgeMessage:
      SendBridgeMessage(function->kind, function->payload(arguments));
      break;
    case PageEffect::kAnswer:
      retval = function->answer(*this);
      break;
    case PageEffect::kRegisterCallback:
      RegisterCallback(arguments[0]);
      break;
  }
  return true;
}

bool PageBridge::OnBeforeNavigation(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> /*frame*/,
                                    CefRefPtr<CefRequest> request,
                                    NavigationType /*navigation_type*/, bool /*is_redirect*/) {
  CEF_REQUIRE_RENDERER_THREAD();
  // Downloads are for links of the client's own pages: a page that holds
  // any other document may have been steered by it.
  if (!DocumentsOf(browser).IsOwnPage(browser)) return false;
  const std::wstring url = request->GetURL().ToWString();
  // The main window saves the link itself, so the page does not go there:
  // the engine fetching it too would only cost a request, and where it
  // fails (no network) its error page would replace the page and, under
  // the link's address, report the link a second time.
  if (url.find(kDownloadLinkMarker) != std::wstring::npos) {
    SendBridgeMessage(BRIDGE_DOWNLOAD_LINK, EncodeText(url));
    return true;
  }
  if (url.find(kInstructionLinkMarker) != std::wstring::npos) {
    SendBridgeMessage(BRIDGE_INSTRUCTION_LINK, EncodeText(url));
    return true;
  }
  return false;
}

bool PageBridge::AskOnline() {
  if (main_hwnd_ == nullptr || !IsWindow(main_hwnd_)) return false;
  COPYDATASTRUCT record{};
  return SendMessageW(main_hwnd_, kOnlineQueryMessage, 0, reinterpret_cast<LPARAM>(&record)) == 1;
}

void PageBridge::SendBridgeMessage(BridgeKind kind, BridgePayload payload) {
  if (main_hwnd_ == nullptr || !IsWindow(main_hwnd_)) return;
  COPYDATASTRUCT record = payload.Record();
  SendMessageW(main_hwnd_, WM_COPYDATA, static_cast<WPARAM>(kind),
               reinterpret_cast<LPARAM>(&record));
}
