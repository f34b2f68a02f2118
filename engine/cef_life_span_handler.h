// Life of a browser: popups, creation and closing. Main thread.
#pragma once

#include "engine/cef_browser_settings.h"
#include "engine/cef_popup_features.h"
#include "engine/cef_ref_ptr.h"
#include "engine/cef_string.h"
#include "engine/cef_types.h"
#include "engine/cef_window_info.h"

class CefBrowser;
class CefFrame;
class CefClient;

class CefLifeSpanHandler : public CefBaseRefCounted {
 public:
  // A page asked for a new window (window.open, a link with a target of a new
  // window). Return true to cancel it. This engine never opens popup windows:
  // the popup is cancelled whatever is returned.
  virtual bool OnBeforePopup(CefRefPtr<CefBrowser> /*browser*/, CefRefPtr<CefFrame> /*frame*/,
                             const CefString& /*target_url*/,
                             const CefString& /*target_frame_name*/,
                             WindowOpenDisposition /*target_disposition*/, bool /*user_gesture*/,
                             const CefPopupFeatures& /*popupFeatures*/,
                             CefWindowInfo& /*windowInfo*/, CefRefPtr<CefClient>& /*client*/,
                             CefBrowserSettings& /*settings*/, bool* /*no_javascript_access*/) {
    return false;
  }
  virtual void OnAfterCreated(CefRefPtr<CefBrowser> /*browser*/) {}
  virtual bool DoClose(CefRefPtr<CefBrowser> /*browser*/) { return false; }
  // The browser is gone (its window was destroyed). Called synchronously
  // while the window goes away, so the client has dropped the browser before
  // the parent window's final message.
  virtual void OnBeforeClose(CefRefPtr<CefBrowser> /*browser*/) {}
};
