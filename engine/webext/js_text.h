// Strings between JavaScriptCore and the engine, unit for unit. The GLib API
// of JavaScriptCore hands strings over as UTF-8, which cannot hold a lone
// surrogate and stops at a 0 unit; both are legal in a page's strings. JSON
// can hold every UTF-16 unit (JSON.stringify escapes lone surrogates and
// control characters as \uXXXX), so strings travel as JSON string literals.
#pragma once

#include <jsc/jsc.h>

#include <string>

namespace engine {

// The UTF-16 units of a string value exactly as the page holds them; empty
// for a value that is not a string.
std::u16string JsStringUnits(JSCValue* value);

// A new string value of context holding exactly units (a new reference).
JSCValue* NewJsString(JSCContext* context, const std::u16string& units);

}  // namespace engine
