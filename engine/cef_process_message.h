// A named message with an argument list, sent between the browser process
// and a renderer.
#pragma once

#include <string>

#include "engine/cef_list_value.h"
#include "engine/cef_ref_ptr.h"
#include "engine/cef_string.h"

class CefProcessMessage : public CefBaseRefCounted {
 public:
  static CefRefPtr<CefProcessMessage> Create(const CefString& name);

  CefString GetName() const { return name_; }
  // The message's own list; changes to it change the message.
  CefRefPtr<CefListValue> GetArgumentList() const { return arguments_; }

 private:
  explicit CefProcessMessage(const CefString& name)
      : name_(name), arguments_(CefListValue::Create()) {}

  CefString name_;
  CefRefPtr<CefListValue> arguments_;

  IMPLEMENT_REFCOUNTING(CefProcessMessage);
};
