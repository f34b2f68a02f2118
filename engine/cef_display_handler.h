// Display notifications of a browser (title, address). Main thread.
#pragma once

#include "engine/cef_ref_ptr.h"
#include "engine/cef_string.h"

class CefBrowser;
class CefFrame;

class CefDisplayHandler : public CefBaseRefCounted {
 public:
  virtual void OnAddressChange(CefRefPtr<CefBrowser> /*browser*/, CefRefPtr<CefFrame> /*frame*/,
                               const CefString& /*url*/) {}
  virtual void OnTitleChange(CefRefPtr<CefBrowser> /*browser*/, const CefString& /*title*/) {}
};
