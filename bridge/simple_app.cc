// The page functions: their binding into the script contexts of the client's
// own pages and the dispatch of their calls.
#include "bridge/simple_app.h"

#include <cstdint>

#include "app/locations.h"
#include "engine/cef_browser.h"
#include "engine/cef_frame.h"
#include "engine/cef_request.h"
#include "engine/cef_thread.h"

namespace {

// Engine names of the page functions, in the order they are dispatched.
constexpr wchar_t kTestFunc[] = L"testfunc";
constexpr wchar_t kTestFunc2[] = L"testfunc2";
constexpr wchar_t kRegisterCb[] = L"registercb";
constexpr wchar_t kShowWindowStatus[] = L"showWindowStatus";
constexpr wchar_t kOpenFileDialog[] = L"openFileDialog";
constexpr wchar_t kGoBack[] = L"goback";
constexpr wchar_t kIsOnline[] = L"isonline";
constexpr wchar_t kGetVersion[] = L"getversion";

}  // namespace

void SimpleApp::OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
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
  CefRefPtr<CefV8Value> test_func = CefV8Value::CreateFunction(kTestFunc, handler);
  CefRefPtr<CefV8Value> test_func2 = CefV8Value::CreateFunction(kTestFunc2, handler);
  CefRefPtr<CefV8Value> show_window_status = CefV8Value::CreateFunction(kShowWindowStatus, handler);
  CefRefPtr<CefV8Value> open_file_dialog = CefV8Value::CreateFunction(kOpenFileDialog, handler);
  CefRefPtr<CefV8Value> go_back = CefV8Value::CreateFunction(kGoBack, handler);
  CefRefPtr<CefV8Value> is_online = CefV8Value::CreateFunction(kIsOnline, handler);
  CefRefPtr<CefV8Value> get_version = CefV8Value::CreateFunction(kGetVersion, handler);

  global->SetValue(L"myfunc", test_func, V8_PROPERTY_ATTRIBUTE_NONE);
  global->SetValue(L"test2", test_func2, V8_PROPERTY_ATTRIBUTE_NONE);
  global->SetValue(kShowWindowStatus, show_window_status, V8_PROPERTY_ATTRIBUTE_NONE);
  global->SetValue(kOpenFileDialog, open_file_dialog, V8_PROPERTY_ATTRIBUTE_NONE);
  global->SetValue(kGoBack, go_back, V8_PROPERTY_ATTRIBUTE_NONE);
  global->SetValue(kIsOnline, is_online, V8_PROPERTY_ATTRIBUTE_NONE);
  global->SetValue(kGetVersion, get_version, V8_PROPERTY_ATTRIBUTE_NONE);

  global->SetValue(kRegisterCb, CefV8Value::CreateFunction(kRegisterCb, handler),
                   V8_PROPERTY_ATTRIBUTE_NONE);
  global->SetValue(L"qt", CefV8Value::CreateString(L"qt"), V8_PROPERTY_ATTRIBUTE_NONE);
  global->SetValue(L"filepath", CefV8Value::CreateString(L""), V8_PROPERTY_ATTRIBUTE_NONE);
}

bool SimpleApp::Execute(const CefString& name, CefRefPtr<CefV8Value> /*object*/,
                        const CefV8ValueList& arguments, CefRefPtr<CefV8Value>& retval,
                        CefString& /*exception*/) {
  // Only the client's own pages have the functions; a call that comes from
  // any other document (one handed a function by such a page, or one that
  // reaches into the frame) is refused, and nothing leaves this process.
  if (!IsOwnCaller(CefV8Context::GetCurrentContext())) return false;
  const std::wstring function = name.ToWString();
  if (function == kTestFunc) {
    SendBridgeMessage(BRIDGE_DOWNLOAD_LINK, EncodeText(kTestFunc));
    return true;
  }
  if (function == kTestFunc2) {
    if (arguments.size() != 1 || !arguments[0]->IsString()) return false;
    std::wstring text = L"function name: ";
    text += kTestFunc2;
    text += L"   arg: ";
    text += arguments[0]->GetStringValue().ToWString();
    SendBridgeMessage(BRIDGE_DOWNLOAD_LINK, EncodeText(text));
    return true;
  }
  if (function == kRegisterCb) {
    if (arguments.size() == 1 && arguments[0]->IsFunction()) RegisterCallback(arguments[0]);
    return true;
  }
  if (function == kShowWindowStatus) {
    if (arguments.size() != 1 || !arguments[0]->IsInt()) return false;
    SendBridgeMessage(BRIDGE_WINDOW_STATUS, EncodeInt(arguments[0]->GetIntValue()));
    return true;
  }
  if (function == kOpenFileDialog) {
    SendBridgeMessage(BRIDGE_OPEN_FILE_DIALOG, EncodeInt(1));
    return true;
  }
  if (function == kGoBack) {
    SendBridgeMessage(BRIDGE_GO_BACK, EncodeInt(1));
    return true;
  }
  if (function == kIsOnline) {
    retval = CefV8Value::CreateBool(AskOnline());
    return true;
  }
  if (function == kGetVersion) {
    retval = CefV8Value::CreateString(kClientVersion);
    return true;
  }
  return false;
}

bool SimpleApp::OnBeforeNavigation(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> /*frame*/,
                                   CefRefPtr<CefRequest> request,
                                   NavigationType /*navigation_type*/, bool /*is_redirect*/) {
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

bool SimpleApp::AskOnline() {
  if (main_hwnd_ == nullptr || !IsWindow(main_hwnd_)) return false;
  COPYDATASTRUCT record{};
  return SendMessageW(main_hwnd_, kOnlineQueryMessage, 0, reinterpret_cast<LPARAM>(&record)) == 1;
}

void SimpleApp::SendBridgeMessage(BridgeKind kind, BridgePayload payload) {
  if (main_hwnd_ == nullptr || !IsWindow(main_hwnd_)) return;
  COPYDATASTRUCT record = payload.Record();
  SendMessageW(main_hwnd_, WM_COPYDATA, static_cast<WPARAM>(kind),
               reinterpret_cast<LPARAM>(&record));
}
