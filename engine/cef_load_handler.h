// Load notifications of a browser. Main thread.
#pragma once

#include "engine/cef_ref_ptr.h"
#include "engine/cef_string.h"
#include "engine/cef_types.h"

class CefBrowser;
class CefFrame;

class CefLoadHandler : public CefBaseRefCounted {
 public:
  // A frame has committed a new document (its address is the frame's
  // GetURL()), before the document loads its contents. For the main frame
  // the engine knows this itself; for an iframe it has the word of the web
  // process that shows the page, which only that process's pages can send.
  virtual void OnLoadStart(CefRefPtr<CefBrowser> /*browser*/, CefRefPtr<CefFrame> /*frame*/) {}
  virtual void OnLoadingStateChange(CefRefPtr<CefBrowser> /*browser*/, bool /*isLoading*/,
                                    bool /*canGoBack*/, bool /*canGoForward*/) {}
  virtual void OnLoadEnd(CefRefPtr<CefBrowser> /*browser*/, CefRefPtr<CefFrame> /*frame*/,
                         int /*httpStatusCode*/) {}
  // A load failed: errorCode is one of the engine's negative error numbers
  // (ERR_ABORTED for a cancelled load), errorText its name ("ERR_...").
  virtual void OnLoadError(CefRefPtr<CefBrowser> /*browser*/, CefRefPtr<CefFrame> /*frame*/,
                           ErrorCode /*errorCode*/, const CefString& /*errorText*/,
                           const CefString& /*failedUrl*/) {}
};
