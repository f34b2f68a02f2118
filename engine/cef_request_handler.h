// Request notifications of a browser. Main thread. Everything not routed here
// gets the engine's default handling.
#pragma once

#include "engine/cef_ref_ptr.h"
#include "engine/cef_request.h"
#include "engine/cef_string.h"

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

  // This engine's own question, where the engine it stands in for grants
  // powers per site in ways of its own: whether the document at url, about
  // to be shown or shown in the browser's main frame, is one of the client's
  // own pages. Only such a page gets the local-file powers of the browser's
  // settings (file and universal access from file URLs) and may put an
  // element into full screen; any other page, local files included, gets
  // neither. The address is the engine's own knowledge (the main frame's
  // response and committed document), never what a web process reports.
  virtual bool IsOwnDocument(CefRefPtr<CefBrowser> /*browser*/, const CefString& /*url*/) {
    return false;
  }
};
