// Request notifications of a browser. Main thread. Everything not routed here
// gets the engine's default handling.
#pragma once

#include "engine/cef_ref_ptr.h"
#include "engine/cef_request.h"
#include "engine/cef_string.h"
#include "engine/cef_types.h"
#include "engine/cef_unresponsive_process_callback.h"

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

  // The web process of the browser's page has left input unanswered for a
  // while (the engine's own measure, a few seconds), as a page that runs a
  // script without end does. A process only waits for input, so a page left
  // alone is not found out until someone uses it. Return true to decide
  // with callback (at once or later); false leaves the process be.
  virtual bool OnRenderProcessUnresponsive(CefRefPtr<CefBrowser> /*browser*/,
                                           CefRefPtr<CefUnresponsiveProcessCallback> /*callback*/) {
    return false;
  }
  // The process answers again after OnRenderProcessUnresponsive.
  virtual void OnRenderProcessResponsive(CefRefPtr<CefBrowser> /*browser*/) {}

  // The web process of the browser's page has ended (status says how). The
  // view keeps the page's last picture and nothing in it works until the
  // next load, which starts a new web process (with a secret of its own, so
  // IsSenderOfCurrentMessage holds only for that one).
  virtual void OnRenderProcessTerminated(CefRefPtr<CefBrowser> /*browser*/,
                                         TerminationStatus /*status*/) {}
};
