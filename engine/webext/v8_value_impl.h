// A JavaScript value of the renderer over a JSC GLib value.
#pragma once

#include <jsc/jsc.h>

#include "engine/cef_v8_value.h"
#include "platform/gobject_ptr.h"

namespace engine {

// A value belongs to the context it was made in: when that context is
// released (its frame has gone or shows another document), the value lets go
// of its JavaScript value and is no longer valid, so nothing the handler
// still holds keeps a page's script state alive.
class V8ValueImpl : public CefV8Value {
 public:
  // Takes a new reference to value.
  explicit V8ValueImpl(JSCValue* value);
  ~V8ValueImpl() override;
  // Adopts the caller's reference.
  static CefRefPtr<CefV8Value> Adopt(JSCValue* value);
  // Every value made in context lets go of its JavaScript value.
  static void DetachAll(JSCContext* context);

  // Null once detached (its context has been released).
  JSCValue* value() const { return value_.get(); }

  bool IsValid() override { return static_cast<bool>(value_); }
  bool IsBool() override { return value_ && jsc_value_is_boolean(value_.get()); }
  bool IsInt() override;
  bool IsString() override { return value_ && jsc_value_is_string(value_.get()); }
  bool IsFunction() override { return value_ && jsc_value_is_function(value_.get()); }
  bool IsSame(CefRefPtr<CefV8Value> that) override;

  bool GetBoolValue() override { return value_ && jsc_value_to_boolean(value_.get()); }
  int GetIntValue() override;
  CefString GetStringValue() override;

  CefRefPtr<CefV8Value> GetValue(const CefString& key) override;
  bool SetValue(const CefString& key, CefRefPtr<CefV8Value> value,
                PropertyAttribute attribute) override;

  CefRefPtr<CefV8Value> ExecuteFunctionWithContext(CefRefPtr<CefV8Context> context,
                                                   CefRefPtr<CefV8Value> object,
                                                   const CefV8ValueList& arguments) override;

 private:
  bool IsNumber() const { return value_ && jsc_value_is_number(value_.get()); }
  bool IsObject() const { return value_ && jsc_value_is_object(value_.get()); }
  void Detach();

  platform::GObjectPtr<JSCValue> value_;
  JSCContext* context_;  // the context value_ was made in; its key in the table of values

  IMPLEMENT_REFCOUNTING(V8ValueImpl);
};

}  // namespace engine
