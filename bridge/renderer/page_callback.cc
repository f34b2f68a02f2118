// The registered page callback: registration with its confirmation call, and
// delivery of the "callback_func" process message.
#include "bridge/renderer/page_bridge.h"
#include "engine/cef_process_message.h"
#include "engine/cef_thread.h"

void PageBridge::RegisterCallback(CefRefPtr<CefV8Value> function) {
  callback_func_ = function;
  callback_context_ = CefV8Context::GetCurrentContext();
  CallCallback(L"register call back function", 0);
}

void PageBridge::CallCallback(const CefString& text, int number) {
  // Local references keep the function and its context alive for this call
  // even when the callback registers another one or a new context clears
  // the members while it runs.
  CefRefPtr<CefV8Value> function = callback_func_;
  CefRefPtr<CefV8Context> context = callback_context_;
  if (!function) return;
  CefV8ValueList arguments;
  arguments.push_back(CefV8Value::CreateString(text));
  arguments.push_back(CefV8Value::CreateInt(number));
  function->ExecuteFunctionWithContext(context, nullptr, arguments);
}

bool PageBridge::OnProcessMessageReceived(CefRefPtr<CefBrowser> /*browser*/,
                                          CefProcessId /*source_process*/,
                                          CefRefPtr<CefProcessMessage> message) {
  CEF_REQUIRE_RENDERER_THREAD();
  if (message->GetName().ToWString() != L"callback_func") return false;
  if (!callback_func_) return true;
  CefString text = message->GetArgumentList()->GetString(0);
  int number = message->GetArgumentList()->GetInt(1);
  CallCallback(text, number);
  return true;
}
