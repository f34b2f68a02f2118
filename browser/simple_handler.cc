// The browser client's behaviour.
#include "browser/simple_handler.h"

#include <vector>

#include "app/locations.h"
#include "app/trusted_pages.h"
#include "engine/cef_app.h"
#include "engine/cef_frame.h"
#include "engine/cef_thread.h"
#include "platform/windows.h"

namespace {

std::string HtmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

bool IsWebAddress(const std::string& url) { return !WebOrigin(url).empty(); }

// Whether every frame of the browser's page shows one of the client's own
// documents (about: documents aside), as the page's web process reported
// them.
bool IsOwnPage(CefRefPtr<CefBrowser> browser) {
  if (!browser) return false;
  const TrustedPlaces places = ClientTrustedPlaces();
  std::vector<long long> identifiers;
  browser->GetFrameIdentifiers(identifiers);
  std::vector<DocumentKind> documents;
  for (long long id : identifiers) {
    if (CefRefPtr<CefFrame> frame = browser->GetFrame(id)) {
      documents.push_back(ClassifyDocument(frame->GetURL().ToString(), places));
    }
  }
  return IsOwnPage(documents);
}

}  // namespace

void SimpleHandler::SetUrl(const std::wstring& url) {
  std::lock_guard<std::mutex> guard(lock_);
  start_url_ = url;
}

CefRefPtr<CefBrowser> SimpleHandler::GetBrowser() {
  std::lock_guard<std::mutex> guard(lock_);
  return browser_;
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
  if (!IsWebAddress(target) && !IsOwnPage(browser)) return true;
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

std::string SimpleHandler::ErrorPageHtml(const std::wstring& failed_url,
                                         const std::wstring& error_text, int error_code) {
  return "<html><body bgcolor=\"white\"><h2>Failed to load URL " +
         HtmlEscape(CefString(failed_url).ToString()) + " with error " +
         HtmlEscape(CefString(error_text).ToString()) + " (" + std::to_string(error_code) +
         ").</h2></body></html>";
}

void SimpleHandler::OnLoadError(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame,
                                ErrorCode errorCode, const CefString& errorText,
                                const CefString& failedUrl) {
  CEF_REQUIRE_UI_THREAD();
  // An aborted load (cancelled, or turned into a download) keeps the page.
  if (errorCode == ERR_ABORTED) return;
  const std::string html = ErrorPageHtml(failedUrl.ToWString(), errorText.ToWString(), errorCode);
  frame->LoadString(CefString(html), failedUrl);
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
