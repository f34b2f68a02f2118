// The browser client's behaviour.
#include "browser/simple_handler.h"

#include <cstdio>
#include <random>
#include <vector>

#include "app/data_dir.h"
#include "app/locations.h"
#include "app/own_pages.h"
#include "engine/cef_app.h"
#include "engine/cef_browser_host.h"
#include "engine/cef_frame.h"
#include "engine/cef_thread.h"
#include "platform/log.h"
#include "platform/main_thread.h"
#include "platform/url_fetch.h"
#include "platform/windows.h"
#include "util/url_escape.h"

namespace {

// A secret no page can guess: 128 random bits in hexadecimal.
std::string NewNonce() {
  std::random_device random;
  std::string nonce;
  for (int i = 0; i < 4; ++i) {
    char part[9];
    std::snprintf(part, sizeof(part), "%08x", static_cast<unsigned>(random()));
    nonce += part;
  }
  return nonce;
}

bool IsWebAddress(const std::string& url) { return !platform::UrlOrigin(url).empty(); }

}  // namespace

void SimpleHandler::SetUrl(const std::wstring& url) {
  std::lock_guard<std::mutex> guard(lock_);
  start_url_ = url;
}

CefRefPtr<CefBrowser> SimpleHandler::GetBrowser() {
  std::lock_guard<std::mutex> guard(lock_);
  return browser_;
}

void SimpleHandler::SetErrorPageActions(ErrorPageActions* actions) {
  std::lock_guard<std::mutex> guard(lock_);
  error_page_actions_ = actions;
}

void SimpleHandler::SetPageHangListener(PageHangListener* listener) {
  std::lock_guard<std::mutex> guard(lock_);
  hang_listener_ = listener;
}

SimpleHandler::PageHangListener* SimpleHandler::HangListener() {
  std::lock_guard<std::mutex> guard(lock_);
  return hang_listener_;
}

void SimpleHandler::SetDataFolderProblem(DataFolderProblem problem, const std::wstring& folder) {
  std::lock_guard<std::mutex> guard(lock_);
  data_folder_problem_ = problem;
  data_folder_ = folder;
}

bool SimpleHandler::IsPageCommandFromOwnPage(const char** why) {
  CEF_REQUIRE_UI_THREAD();
  CefRefPtr<CefBrowser> browser = GetBrowser();
  const char* refusal = nullptr;
  if (!browser || !browser->GetHost()->IsSenderOfCurrentMessage()) {
    refusal = "it does not come from the web process that shows the page";
  } else if (frame_documents_.KindOf(browser->GetMainFrame()->GetIdentifier()) !=
             DocumentKind::kOwn) {
    refusal = "the page is not one of the client's own";
  }
  if (why) *why = refusal;
  return refusal == nullptr;
}

CefRefPtr<CefContextMenuHandler> SimpleHandler::GetContextMenuHandler() {
  CEF_REQUIRE_UI_THREAD();
  return this;
}

CefRefPtr<CefDisplayHandler> SimpleHandler::GetDisplayHandler() {
  CEF_REQUIRE_UI_THREAD();
  return this;
}

CefRefPtr<CefLifeSpanHandler> SimpleHandler::GetLifeSpanHandler() {
  CEF_REQUIRE_UI_THREAD();
  return this;
}

CefRefPtr<CefLoadHandler> SimpleHandler::GetLoadHandler() {
  CEF_REQUIRE_UI_THREAD();
  return this;
}

CefRefPtr<CefRequestHandler> SimpleHandler::GetRequestHandler() {
  CEF_REQUIRE_UI_THREAD();
  return this;
}

bool SimpleHandler::IsOwnDocument(CefRefPtr<CefBrowser>, const CefString& url) {
  CEF_REQUIRE_UI_THREAD();
  return ClassifyDocument(url.ToString(), ClientOwnPlaces()) == DocumentKind::kOwn;
}

void SimpleHandler::OnLoadStart(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame) {
  CEF_REQUIRE_UI_THREAD();
  // The main frame's document as the engine saw it commit; an iframe's as
  // the page's web process reported it, which can only make the page less
  // the client's own than the main frame alone would.
  frame_documents_.Commit(frame->GetIdentifier(), frame->IsMain(),
                          ClassifyDocument(frame->GetURL().ToString(), ClientOwnPlaces()));
}

bool SimpleHandler::OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame>,
                                  const CefString& target_url, const CefString&,
                                  WindowOpenDisposition, bool, const CefPopupFeatures&,
                                  CefWindowInfo&, CefRefPtr<CefClient>&, CefBrowserSettings&,
                                  bool*) {
  CEF_REQUIRE_UI_THREAD();
  const std::string target = target_url.ToString();
  // window.open() and window.open(""): there is nothing to open, and the
  // page stays as it is.
  if (target.empty()) return true;
  // The main frame loads a popup's address with the client's authority, past
  // the rules the page itself is held to. A page that holds anything but the
  // client's own documents may therefore only send it on to a web address,
  // never to a local file, script or inline document.
  if (!IsWebAddress(target) && !frame_documents_.IsOwnPage(browser)) return true;
  // Whichever frame asked, the popup's address opens in the main frame.
  if (CefRefPtr<CefBrowser> held = GetBrowser()) {
    held->GetMainFrame()->LoadURL(target_url);
  }
  return true;
}

void SimpleHandler::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
  CEF_REQUIRE_UI_THREAD();
  std::wstring url;
  {
    std::lock_guard<std::mutex> guard(lock_);
    browser_ = browser;
    url = start_url_;
  }
  // An empty start URL (an update is pending) is passed on as it is.
  browser->GetMainFrame()->LoadURL(url);

  HWND main_window = FindWindowW(kMainWndClass, kMainWndTitle);
  if (main_window && IsWindow(main_window)) {
    SendMessageW(main_window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  }
}

bool SimpleHandler::DoClose(CefRefPtr<CefBrowser>) {
  CEF_REQUIRE_UI_THREAD();
  return false;
}

void SimpleHandler::OnBeforeClose(CefRefPtr<CefBrowser> browser) {
  CEF_REQUIRE_UI_THREAD();
  CefRefPtr<CefBrowser> released;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (browser_ && browser_->IsSame(browser)) released = std::move(browser_);
  }
  CefQuitMessageLoop();
}

ErrorPageText SimpleHandler::ErrorText(const std::string& failed_url, int error_code) {
  DataFolderProblem problem;
  std::wstring folder;
  {
    std::lock_guard<std::mutex> guard(lock_);
    problem = data_folder_problem_;
    folder = data_folder_;
  }
  // A page of the client's own under a data folder that could not take the
  // pages is missing for that reason, whatever the engine says.
  const std::string folder_url = CefString(FilePathToUrl(folder)).ToString() + "/";
  if (problem != DataFolderProblem::kNone && !folder.empty() &&
      failed_url.compare(0, folder_url.size(), folder_url) == 0) {
    return DataFolderText(problem, CefString(folder).ToString());
  }
  return ErrorTextFor(error_code);
}

void SimpleHandler::OnLoadError(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame,
                                ErrorCode errorCode, const CefString& errorText,
                                const CefString& failedUrl) {
  CEF_REQUIRE_UI_THREAD();
  // An aborted load (cancelled, or turned into a download) keeps the page.
  if (errorCode == ERR_ABORTED) return;
  const std::string url = failedUrl.ToString();
  const ErrorPageText text = ErrorText(url, errorCode);
  const std::string nonce = NewActionPageNonce(failedUrl.ToWString());
  platform::LogWarning("cannot load '%s': %s (%d); the page says: %s", url.c_str(),
                       errorText.ToString().c_str(), static_cast<int>(errorCode),
                       text.headline.c_str());
  // The page stands at the failed address, so the address is what a person
  // sees and what "重试" loads.
  frame->LoadString(CefString(ErrorPageHtml(text, url, errorCode, errorText.ToString(), nonce)),
                    failedUrl);
}

std::string SimpleHandler::NewActionPageNonce(const std::wstring& url) {
  std::string nonce = NewNonce();
  std::lock_guard<std::mutex> guard(lock_);
  error_page_nonce_ = nonce;
  error_page_url_ = url;
  return nonce;
}

void SimpleHandler::OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                              TerminationStatus status) {
  CEF_REQUIRE_UI_THREAD();
  if (PageHangListener* listener = HangListener()) listener->PageAnswersAgain();
  CefRefPtr<CefFrame> frame = browser->GetMainFrame();
  // The page shown, or the one asked for last if it had not come yet.
  const CefString url = browser->GetHost()->GetVisibleNavigationEntry()->GetURL();
  const bool reload = recovery_.ShouldReload(PageRecovery::Clock::now(), status);
  platform::LogWarning("the web process of the page '%s' ended (%s); %s", url.ToString().c_str(),
                       ProcessEndReason(status),
                       reload ? "loading the page again"
                              : "it ended twice within a minute, so the "
                                "notice page shows instead");
  // The address that was shown, with its query: the same document comes
  // back in the offline editor.
  if (reload) {
    frame->LoadURL(url);
    return;
  }
  const std::string nonce = NewActionPageNonce(url.ToWString());
  frame->LoadString(CefString(ActionPageHtml(ProcessEndNotice(status, url.ToString()), nonce)),
                    url);
}

bool SimpleHandler::OnRenderProcessUnresponsive(
    CefRefPtr<CefBrowser>, CefRefPtr<CefUnresponsiveProcessCallback> callback) {
  CEF_REQUIRE_UI_THREAD();
  PageHangListener* listener = HangListener();
  if (listener == nullptr) return false;
  listener->PageUnresponsive(callback);
  return true;
}

void SimpleHandler::OnRenderProcessResponsive(CefRefPtr<CefBrowser>) {
  CEF_REQUIRE_UI_THREAD();
  if (PageHangListener* listener = HangListener()) listener->PageAnswersAgain();
}

bool SimpleHandler::OnBeforeBrowse(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame>,
                                   CefRefPtr<CefRequest> request, bool, bool) {
  CEF_REQUIRE_UI_THREAD();
  const std::string url = request->GetURL().ToString();
  // Addresses of the error page's buttons are never loaded, whoever asks.
  if (!IsErrorPageActionUrl(url)) return false;
  ErrorPageAction action;
  std::string nonce;
  std::wstring failed_url;
  bool honoured = false;
  if (ParseErrorPageActionUrl(url, &action, &nonce)) {
    std::lock_guard<std::mutex> guard(lock_);
    honoured = !error_page_nonce_.empty() && nonce == error_page_nonce_;
    failed_url = error_page_url_;
  }
  // Only the error page this client gave the view, while the view still
  // shows it, holds the secret: no other page gains a way to make the
  // client load an address it could not reach itself.
  honoured = honoured && browser && browser->GetMainFrame()->GetURL().ToWString() == failed_url;
  if (!honoured) {
    platform::LogWarning("refused '%s': not a button of the error page on show", url.c_str());
    return true;
  }
  {
    std::lock_guard<std::mutex> guard(lock_);
    error_page_nonce_.clear();
  }
  // Carried out once the engine has finished deciding about this navigation.
  CefRefPtr<SimpleHandler> self = this;
  platform::PostToMainThread(
      [self, action, failed_url] { self->RunErrorPageAction(action, failed_url); });
  return true;
}

void SimpleHandler::RunErrorPageAction(ErrorPageAction action, const std::wstring& failed_url) {
  ErrorPageActions* actions;
  {
    std::lock_guard<std::mutex> guard(lock_);
    actions = error_page_actions_;
  }
  if (actions != nullptr) {
    if (action == ErrorPageAction::kRetry) {
      actions->RetryLoad(failed_url);
    } else {
      actions->GoHome();
    }
    return;
  }
  if (CefRefPtr<CefBrowser> browser = GetBrowser()) {
    browser->GetMainFrame()->LoadURL(action == ErrorPageAction::kRetry ? failed_url
                                                                       : g_strDataDir + kStartPage);
  }
}

void SimpleHandler::OnBeforeContextMenu(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                        CefRefPtr<CefContextMenuParams> params,
                                        CefRefPtr<CefMenuModel> model) {
  CEF_REQUIRE_UI_THREAD();
  if ((params->GetTypeFlags() & (CM_TYPEFLAG_PAGE | CM_TYPEFLAG_FRAME)) != 0 &&
      model->GetCount() > 0) {
    model->Clear();
  }
}
