// The page functions, in one table: each one's name on window, its engine
// name (calls are dispatched by it; for myfunc and test2 the two differ),
// the arguments it takes, and what a call does: send the main window a bridge
// message, answer at once, or register the page callback. The page bridge
// binds the functions and dispatches their calls from this table alone.
#pragma once

#include <string>
#include <vector>

#include "bridge/bridge_message.h"
#include "engine/cef_v8_value.h"

class PageBridge;

// The arguments a function takes. A function that takes none ignores any it
// is given; the others take exactly one of that kind.
enum class ArgumentRule { kIgnored, kOneString, kOneInteger, kOneFunction };
// What a call does once its arguments fit.
enum class PageEffect { kBridgeMessage, kAnswer, kRegisterCallback };

struct PageFunction {
  const wchar_t* property;  // the name on window
  const wchar_t* name;      // the engine name
  ArgumentRule arguments;
  PageEffect effect;
  // kBridgeMessage: the message's kind and its payload from the arguments.
  BridgeKind kind;
  BridgePayload (*payload)(const CefV8ValueList& arguments);
  // kAnswer: the value the page gets.
  CefRefPtr<CefV8Value> (*answer)(PageBridge& bridge);
};

// In the order they are bound on window.
const std::vector<PageFunction>& PageFunctions();
// The function with this engine name, null when there is none.
const PageFunction* FindPageFunction(const std::wstring& name);
bool ArgumentsFit(ArgumentRule rule, const CefV8ValueList& arguments);

// The two strings bound beside the functions, after them.
struct PageValue {
  const wchar_t* property;
  const wchar_t* value;
};
const std::vector<PageValue>& PageValues();
