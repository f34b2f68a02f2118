// A request a frame is about to make.
#pragma once

#include "engine/cef_ref_ptr.h"
#include "engine/cef_string.h"

class CefRequest : public CefBaseRefCounted {
 public:
  static CefRefPtr<CefRequest> Create();

  CefString GetURL() const { return url_; }
  void SetURL(const CefString& url) { url_ = url; }

 private:
  CefRequest() = default;

  CefString url_;

  IMPLEMENT_REFCOUNTING(CefRequest);
};
