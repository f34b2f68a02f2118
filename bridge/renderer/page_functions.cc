// The table of page functions and the rules for their arguments.
#include "bridge/renderer/page_functions.h"

#include "app/locations.h"
#include "bridge/renderer/page_bridge.h"

namespace {

BridgePayload TestFuncText(const CefV8ValueList&) { return EncodeText(L"testfunc"); }

BridgePayload TestFunc2Text(const CefV8ValueList& arguments) {
  return EncodeText(L"function name: testfunc2   arg: " +
                    arguments[0]->GetStringValue().ToWString());
}

BridgePayload TheInteger(const CefV8ValueList& arguments) {
  return EncodeInt(arguments[0]->GetIntValue());
}

BridgePayload One(const CefV8ValueList&) { return EncodeInt(1); }

CefRefPtr<CefV8Value> Online(PageBridge& bridge) {
  return CefV8Value::CreateBool(bridge.AskOnline());
}

CefRefPtr<CefV8Value> Version(PageBridge&) { return CefV8Value::CreateString(kClientVersion); }

using Rule = ArgumentRule;
using Effect = PageEffect;

}  // namespace

const std::vector<PageFunction>& PageFunctions() {
  static const std::vector<PageFunction> functions = {
      {L"myfunc", L"testfunc", Rule::kIgnored, Effect::kBridgeMessage, BRIDGE_DOWNLOAD_LINK,
       TestFuncText, nullptr},
      {L"test2", L"testfunc2", Rule::kOneString, Effect::kBridgeMessage, BRIDGE_DOWNLOAD_LINK,
       TestFunc2Text, nullptr},
      {L"showWindowStatus", L"showWindowStatus", Rule::kOneInteger, Effect::kBridgeMessage,
       BRIDGE_WINDOW_STATUS, TheInteger, nullptr},
      {L"openFileDialog", L"openFileDialog", Rule::kIgnored, Effect::kBridgeMessage,
       BRIDGE_OPEN_FILE_DIALOG, One, nullptr},
      {L"goback", L"goback", Rule::kIgnored, Effect::kBridgeMessage, BRIDGE_GO_BACK, One, nullptr},
      {L"isonline", L"isonline", Rule::kIgnored, Effect::kAnswer, BRIDGE_DOWNLOAD_LINK, nullptr,
       Online},
      {L"getversion", L"getversion", Rule::kIgnored, Effect::kAnswer, BRIDGE_DOWNLOAD_LINK, nullptr,
       Version},
      {L"registercb", L"registercb", Rule::kOneFunction, Effect::kRegisterCallback,
       BRIDGE_DOWNLOAD_LINK, nullptr, nullptr},
  };
  return functions;
}

const PageFunction* FindPageFunction(const std::wstring& name) {
  for (const PageFunction& function : PageFunctions()) {
    if (name == function.name) return &function;
  }
  return nullptr;
}

bool ArgumentsFit(ArgumentRule rule, const CefV8ValueList& arguments) {
  switch (rule) {
    case ArgumentRule::kIgnored:
      return true;
    case ArgumentRule::kOneString:
      return arguments.size() == 1 && arguments[0]->IsString();
    case ArgumentRule::kOneInteger:
      return arguments.size() == 1 && arguments[0]->IsInt();
    case ArgumentRule::kOneFunction:
      return arguments.size() == 1 && arguments[0]->IsFunction();
  }
  return false;
}

const std::vector<PageValue>& PageValues() {
  static const std::vector<PageValue> values = {{L"qt", L"qt"}, {L"filepath", L""}};
  return values;
}
