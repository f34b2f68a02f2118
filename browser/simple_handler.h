// The engine client of the one browser the main window hosts: it loads the
// start URL once the browser exists and maximises the main window, folds
// popups into the main frame (a page that is not wholly the client's own may
// only open web addresses that way), shows an error page for failed loads
// and carries out its two buttons, empties the context menu, and drops the
// browser when it has closed. It also tells the engine and the main window
// which pages are the client's own, by what this process itself knows of
// them.
#pragma once

#include <mutex>
#include <string>

#include "app/own_pages.h"
#include "browser/error_page.h"
#include "browser/page_recovery.h"
#include "engine/cef_browser.h"
#include "engine/cef_client.h"

class SimpleHandler : public CefClient,
                      public CefDisplayHandler,
                      public CefLifeSpanHandler,
                      public CefRequestHandler,
                      public CefLoadHandler,
                      public CefContextMenuHandler {
 public:
  // What the error page's buttons do: the main window loads the page again
  // or shows the start page, putting its own pages back first when they are
  // missing. Without one, the client loads the address itself.
  class ErrorPageActions {
   public:
    virtual void RetryLoad(const std::wstring& url) = 0;
    virtual void GoHome() = 0;

   protected:
    ~ErrorPageActions() = default;
  };

  // What the main window does while the page's web process does not answer:
  // it may offer to end it (callback) and load the page again. Told again
  // when the process answers once more or has ended.
  class PageHangListener {
   public:
    virtual void PageUnresponsive(CefRefPtr<CefUnresponsiveProcessCallback> callback) = 0;
    virtual void PageAnswersAgain() = 0;

   protected:
    ~PageHangListener() = default;
  };

  SimpleHandler() = default;

  // Main thread: the start URL, set before the browser is requested.
  void SetUrl(const std::wstring& url);
  // Any thread: the browser, null before it exists and after it has closed.
  CefRefPtr<CefBrowser> GetBrowser();
  // Main thread: who carries out the error page's buttons; it must outlive
  // the browser.
  void SetErrorPageActions(ErrorPageActions* actions);
  // Main thread: who hears of a page that does not answer; it must outlive
  // the browser.
  void SetPageHangListener(PageHangListener* listener);
  // Main thread: why the client's own pages may be missing from folder (the
  // data directory); the error page of a page under it says so. kNone once
  // the pages are there again.
  void SetDataFolderProblem(DataFolderProblem problem, const std::wstring& folder);
  // Main thread, while a page command (a bridge message) is handled: whether
  // it may be carried out. Only when it came from the web process that shows
  // the browser's page now, and that page's committed document is one of the
  // client's own; what any web process says of its pages never counts. why
  // (when given) is set to the reason of a refusal.
  bool IsPageCommandFromOwnPage(const char** why = nullptr);

  // CefClient
  CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() override;
  CefRefPtr<CefDisplayHandler> GetDisplayHandler() override;
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override;
  CefRefPtr<CefLoadHandler> GetLoadHandler() override;
  CefRefPtr<CefRequestHandler> GetRequestHandler() override;

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

  // CefRequestHandler
  bool OnBeforeBrowse(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                      CefRefPtr<CefRequest> request, bool user_gesture, bool is_redirect) override;
  // CefRequestHandler: the client's own documents, by the trust rules.
  bool IsOwnDocument(CefRefPtr<CefBrowser> browser, const CefString& url) override;
  // CefRequestHandler: a page whose web process ended comes back (loaded
  // again, or the notice page when it ended twice within a minute); one
  // that does not answer is told to the main window.
  void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser, TerminationStatus status) override;
  bool OnRenderProcessUnresponsive(CefRefPtr<CefBrowser> browser,
                                   CefRefPtr<CefUnresponsiveProcessCallback> callback) override;
  void OnRenderProcessResponsive(CefRefPtr<CefBrowser> browser) override;

  // CefLoadHandler: each committed document goes into the page's record.
  void OnLoadStart(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) override;

  // CefContextMenuHandler
  void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                           CefRefPtr<CefContextMenuParams> params,
                           CefRefPtr<CefMenuModel> model) override;

 private:
  // The words of the error page for failed_url.
  ErrorPageText ErrorText(const std::string& failed_url, int error_code);
  void RunErrorPageAction(ErrorPageAction action, const std::wstring& failed_url);
  // A new secret for the buttons of a page of the client's that stands at
  // url (the error page, the notice page), which from now on is the only
  // one whose buttons are honoured.
  std::string NewActionPageNonce(const std::wstring& url);
  PageHangListener* HangListener();

  // Guards the members below, which the engine's callbacks and the main
  // window share. Held only for a copy, never across an engine call or a
  // window message.
  std::mutex lock_;
  // Main thread: what the page's frames hold, noted at each commit.
  FrameDocuments frame_documents_;
  CefRefPtr<CefBrowser> browser_;
  std::wstring start_url_;
  ErrorPageActions* error_page_actions_ = nullptr;
  PageHangListener* hang_listener_ = nullptr;
  // Main thread: when the page's web process ended last.
  PageRecovery recovery_;
  DataFolderProblem data_folder_problem_ = DataFolderProblem::kNone;
  std::wstring data_folder_;
  // The error page the view was last given: the secret its buttons carry and
  // the address it stands at. The buttons are honoured only for that page,
  // and once.
  std::string error_page_nonce_;
  std::wstring error_page_url_;

  IMPLEMENT_REFCOUNTING(SimpleHandler);
};
