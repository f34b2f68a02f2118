// Request notifications of a browser. Main thread. Everything not routed here
// gets the engine's default handling.
#pragma once

#include "engine/cef_ref_ptr.h"
#include "engine/cef_request.h"

class CefBrowser;
class CefFrame;

class CefRequestHandler : public CefBaseRefCounted {
 public:
  // A frame is about to navigate to request's URL (a link, a script, a form,
  // a load the client asked for). Return true to cancel the navigation: the
  // page stays as it is and no load error is reported. WebKit's decision does
  // not say which frame navigates, so frame is always the main frame.
  virtual bool OnBeforeBrowse(CefRefPtr<CefBrowser> /*browser*/, CefRefPtr<CefFrame> /*frame*/,
                              CefRefPtr<CefRequest> /*request*/, bool /*user_gesture*/,
                              bool /*is_redirect*/) {
    return false;
  }
};
