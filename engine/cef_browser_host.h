// The browser-process side of a browser: its native window and its creation.
#pragma once

#include "engine/cef_browser_settings.h"
#include "engine/cef_navigation_entry.h"
#include "engine/cef_ref_ptr.h"
#include "engine/cef_request_context.h"
#include "engine/cef_string.h"
#include "engine/cef_window_info.h"

class CefBrowser;
class CefClient;

class CefBrowserHost : public CefBaseRefCounted {
 public:
  // Asks for a new browser as described by window_info. The browser comes
  // into being shortly afterwards on the main thread, when its client's
  // OnAfterCreated is called; url (if not empty) is loaded then. Returns false
  // when the engine is not initialised or the parent window is unknown.
  // Callable from any thread.
  static bool CreateBrowser(const CefWindowInfo& window_info, CefRefPtr<CefClient> client,
                            const CefString& url, const CefBrowserSettings& settings,
                            CefRefPtr<CefRequestContext> request_context);

  virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
  // The browser's child window, a handle the platform's window calls accept
  // (MoveWindow places the browser in its parent's client area). Null after
  // the browser has closed.
  virtual HWND GetWindowHandle() = 0;
  // Closes the browser: its window is destroyed and OnBeforeClose follows.
  virtual void CloseBrowser(bool force_close) = 0;
  // The page zoom, kept across the pages the browser shows: 0 shows pages
  // at their own size, and each step up or down makes them 1.2 times bigger
  // or smaller (1.0 is 120 %). The page is laid out anew at that size, not
  // stretched. Main thread; 0 after the browser has closed.
  virtual double GetZoomLevel() = 0;
  virtual void SetZoomLevel(double zoomLevel) = 0;
  // Main thread, while a window message from another process is handled:
  // whether it was sent by the web process that shows this browser's page
  // now (known by the secret the engine gave that process alone), rather than
  // by any other process, a web process of an earlier page included.
  virtual bool IsSenderOfCurrentMessage() = 0;
  // Any thread: the page the browser shows, or the one its client has asked
  // for since (LoadURL, LoadString) while that load is under way; a load the
  // page started itself counts once it has committed. What to load again
  // when the page's web process has ended.
  virtual CefRefPtr<CefNavigationEntry> GetVisibleNavigationEntry() = 0;
};
