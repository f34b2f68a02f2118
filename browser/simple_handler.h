// The engine client of the one browser the main window hosts: it loads the
// start URL once the browser exists and maximises the main window, folds
// popups into the main frame (a page that is not wholly the client's own may
// only open web addresses that way), shows an error page for failed loads,
// empties the context menu, and drops the browser when it has closed.
#pragma once

#include <mutex>
#include <string>

#include "engine/cef_browser.h"
#include "engine/cef_client.h"

class SimpleHandler : public CefClient,
                      public CefDisplayHandler,
                      public CefLifeSpanHandler,
                      public CefRequestHandler,
                      public CefLoadHandler,
                      public CefContextMenuHandler {
 public:
  SimpleHandler() = default;

  // Main thread: the start URL, set before the browser is requested.
  void SetUrl(const std::wstring& url);
  // Any thread: the browser, null before it exists and after it has closed.
  CefRefPtr<CefBrowser> GetBrowser();

  // CefClient
  CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() override { return this; }
  CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
  CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
  CefRefPtr<CefRequestHandler> GetRequestHandler() override { return this; }

  // CefLifeSpanHandler
  bool OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                     const CefString& target_url, const CefString& target_frame_name,
                     WindowOpenDisposition target_disposition, bool user_gesture,
                     const CefPopupFeatures& popupFeatures, CefWindowInfo& windowInfo,
                     CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                     bool* no_javascript_access) override;
  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override;
  bool DoClose(CefRefPtr<CefBrowser> browser) override;
  void OnBeforeClose(CefRefPtr<CefBrowser> browser) override;

  // CefLoadHandler
  void OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, ErrorCode errorCode,
                   const CefString& errorText, const CefString& failedUrl) override;

  // CefContextMenuHandler
  void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                           CefRefPtr<CefContextMenuParams> params,
                           CefRefPtr<CefMenuModel> model) override;

  // The error page for a failed load: the failed URL and the error text are
  // HTML-escaped, so a crafted address cannot put markup or script into a
  // page that has the page functions bound and file access.
  static std::string ErrorPageHtml(const std::wstring& failed_url, const std::wstring& error_text,
                                   int error_code);

 private:
  // Guards browser_ and start_url_, which the engine's callbacks and the main
  // window share. Held only for a copy, never across an engine call or a
  // window message.
  std::mutex lock_;
  CefRefPtr<CefBrowser> browser_;
  std::wstring start_url_;

  IMPLEMENT_REFCOUNTING(SimpleHandler);
};
