// The renderer role of the engine tests' web process extension: an
// application object that binds test functions into every frame, reports
// context creations and navigations to the browser side as process messages,
// calls a registered page function when the browser side sends "ping", and
// shows the page what the browser process added for it at start ("extra").
#include "engine/cef_app.h"
#include "engine/cef_browser.h"
#include "engine/cef_frame.h"
#include "engine/cef_process_message.h"
#include "engine/cef_renderer_role.h"
#include "engine/cef_request.h"
#include "engine/cef_thread.h"
#include "engine/cef_v8_context.h"
#include "engine/cef_v8_value.h"

namespace {

class TestRendererApp : public CefApp, public CefRenderProcessHandler, public CefV8Handler {
 public:
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }

  void OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) override {
    extra_ = extra_info->GetString(0);
  }

  void OnContextCreated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) override {
    CEF_REQUIRE_RENDERER_THREAD();
    callback_ = nullptr;
    callback_context_ = nullptr;
    CefRefPtr<CefV8Value> global = context->GetGlobal();
    global->SetValue("probe", CefV8Value::CreateFunction("engine_probe", this),
                     V8_PROPERTY_ATTRIBUTE_NONE);
    global->SetValue("kind", CefV8Value::CreateFunction("kind", this), V8_PROPERTY_ATTRIBUTE_NONE);
    global->SetValue("storecb", CefV8Value::CreateFunction("storecb", this),
                     V8_PROPERTY_ATTRIBUTE_NONE);
    global->SetValue("marker", CefV8Value::CreateString("bound"), V8_PROPERTY_ATTRIBUTE_NONE);
    global->SetValue("extra", CefV8Value::CreateString(extra_), V8_PROPERTY_ATTRIBUTE_NONE);
    Report(browser, "context", frame->GetURL(), frame->IsMain() ? 1 : 0);
  }

  bool OnBeforeNavigation(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame>,
                          CefRefPtr<CefRequest> request, NavigationType,
                          bool is_redirect) override {
    CEF_REQUIRE_RENDERER_THREAD();
    Report(browser, "nav", request->GetURL(), is_redirect ? 1 : 0);
    return false;
  }

  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, CefProcessId,
                                CefRefPtr<CefProcessMessage> message) override {
    CEF_REQUIRE_RENDERER_THREAD();
    if (message->GetName().ToString() != "ping") return false;
    CefRefPtr<CefListValue> args = message->GetArgumentList();
    CefString answer = "no callback";
    if (callback_) {
      CefRefPtr<CefV8Value> callback = callback_;
      CefRefPtr<CefV8Context> context = callback_context_;
      CefV8ValueList list = {CefV8Value::CreateString(args->GetString(0)),
                             CefV8Value::CreateInt(args->GetInt(1))};
      CefRefPtr<CefV8Value> result = callback->ExecuteFunctionWithContext(context, nullptr, list);
      answer = !callback->IsValid() ? CefString("released")
               : !result            ? CefString("threw")
               : result->IsString() ? result->GetStringValue()
                                    : CefString("not a string");
    }
    Report(browser, "pong", answer, 0);
    return true;
  }

  bool Execute(const CefString& name, CefRefPtr<CefV8Value>, const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval, CefString&) override {
    CEF_REQUIRE_RENDERER_THREAD();
    const std::string n = name.ToString();
    if (n == "engine_probe") {
      if (arguments.size() != 1) return false;
      CefRefPtr<CefV8Value> a = arguments[0];
      if (a->IsString()) {
        retval = CefV8Value::CreateString("echo:" + a->GetStringValue().ToString());
      } else if (a->IsInt()) {
        retval = CefV8Value::CreateInt(a->GetIntValue() * 2);
      } else if (a->IsBool()) {
        retval = CefV8Value::CreateBool(!a->GetBoolValue());
      } else {
        return false;
      }
      return true;
    }
    if (n == "kind") {
      std::string kind = "none";
      if (!arguments.empty()) {
        CefRefPtr<CefV8Value> a = arguments[0];
        kind = a->IsInt()        ? "int"
               : a->IsString()   ? "string"
               : a->IsFunction() ? "function"
                                 : "other";
      }
      retval = CefV8Value::CreateString(kind + "/" + std::to_string(arguments.size()));
      return true;
    }
    if (n == "storecb") {
      if (arguments.size() != 1 || !arguments[0]->IsFunction()) return true;
      callback_ = arguments[0];
      callback_context_ = CefV8Context::GetCurrentContext();
      CefRefPtr<CefV8Value> callback = callback_;
      CefV8ValueList list = {CefV8Value::CreateString("registered"), CefV8Value::CreateInt(0)};
      callback->ExecuteFunctionWithContext(callback_context_, nullptr, list);
      return true;
    }
    return false;
  }

 private:
  static void Report(CefRefPtr<CefBrowser> browser, const char* name, const CefString& text,
                     int value) {
    CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name);
    message->GetArgumentList()->SetString(0, text);
    message->GetArgumentList()->SetInt(1, value);
    browser->SendProcessMessage(PID_BROWSER, message);
  }

  CefRefPtr<CefV8Value> callback_;
  CefRefPtr<CefV8Context> callback_context_;
  CefString extra_;  // what the browser process added for this renderer

  IMPLEMENT_REFCOUNTING(TestRendererApp);
};

}  // namespace

int RunRendererRole(const CefMainArgs& args) {
  return CefExecuteProcess(args, new TestRendererApp(), nullptr);
}
