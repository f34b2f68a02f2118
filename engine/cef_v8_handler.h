// The native side of JavaScript functions created with
// CefV8Value::CreateFunction. Called on the renderer thread.
#pragma once

#include <vector>

#include "engine/cef_ref_ptr.h"
#include "engine/cef_string.h"

class CefV8Value;
using CefV8ValueList = std::vector<CefRefPtr<CefV8Value>>;

class CefV8Handler : public CefBaseRefCounted {
 public:
  // name is the engine name the function was created with (not the property
  // it was set on). Return true when handled: retval (if set) is the call's
  // result and a non-empty exception is thrown as an Error with that text.
  // Returning false gives the page undefined and throws nothing.
  virtual bool Execute(const CefString& name, CefRefPtr<CefV8Value> object,
                       const CefV8ValueList& arguments, CefRefPtr<CefV8Value>& retval,
                       CefString& exception) = 0;
};
