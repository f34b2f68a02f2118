// A JavaScript value of a context of the renderer. The Create functions make
// values in the current context (CefV8Context::GetCurrentContext). Renderer
// thread only.
#pragma once

#include "engine/cef_ref_ptr.h"
#include "engine/cef_string.h"
#include "engine/cef_types.h"
#include "engine/cef_v8_handler.h"

class CefV8Context;

class CefV8Value : public CefBaseRefCounted {
 public:
  static CefRefPtr<CefV8Value> CreateUndefined();
  static CefRefPtr<CefV8Value> CreateBool(bool value);
  static CefRefPtr<CefV8Value> CreateInt(int value);
  static CefRefPtr<CefV8Value> CreateString(const CefString& value);
  // A function whose JavaScript name is name, whatever property it is later
  // set on; calls reach handler->Execute with that name.
  static CefRefPtr<CefV8Value> CreateFunction(const CefString& name,
                                              CefRefPtr<CefV8Handler> handler);

  virtual bool IsValid() = 0;
  virtual bool IsBool() = 0;
  // A number whose value is exactly a 32-bit signed integer (1 and -1 are;
  // -0, NaN, 1.5 and 2^31 are not).
  virtual bool IsInt() = 0;
  virtual bool IsString() = 0;
  virtual bool IsFunction() = 0;
  virtual bool IsSame(CefRefPtr<CefV8Value> that) = 0;

  virtual bool GetBoolValue() = 0;
  virtual int GetIntValue() = 0;
  virtual CefString GetStringValue() = 0;

  // Object properties.
  virtual CefRefPtr<CefV8Value> GetValue(const CefString& key) = 0;
  virtual bool SetValue(const CefString& key, CefRefPtr<CefV8Value> value,
                        PropertyAttribute attribute) = 0;

  // Calls this function in context with the given arguments. object (the
  // receiver) may be null. Returns the result, or null when the function
  // threw; the exception is swallowed, so it never reaches the caller's page
  // script.
  virtual CefRefPtr<CefV8Value> ExecuteFunctionWithContext(CefRefPtr<CefV8Context> context,
                                                           CefRefPtr<CefV8Value> object,
                                                           const CefV8ValueList& arguments) = 0;
};
