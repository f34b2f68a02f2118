// One entry of a browser's navigation: the address of a page the browser
// shows or has been told to show.
#pragma once

#include <utility>

#include "engine/cef_ref_ptr.h"
#include "engine/cef_string.h"

class CefNavigationEntry : public CefBaseRefCounted {
 public:
  explicit CefNavigationEntry(CefString url) : url_(std::move(url)) {}
  CefString GetURL() const { return url_; }

 private:
  CefString url_;

  IMPLEMENT_REFCOUNTING(CefNavigationEntry);
};
