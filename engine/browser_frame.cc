// Loads into a browser's main frame, and frames as their web process
// reported them.
#include "engine/browser_frame.h"

#include <utility>

#include "engine/browser_impl.h"
#include "engine/load_uri.h"
#include "platform/main_thread.h"

namespace engine {
namespace {

// Runs fn on the main thread with the browser held: at once when called
// there, otherwise queued behind the caller's earlier requests.
void OnMain(CefRefPtr<BrowserImpl> browser, std::function<void(WebKitWebView*)> fn) {
  auto run = [browser = std::move(browser), fn = std::move(fn)] {
    if (WebKitWebView* view = browser->view()) fn(view);
  };
  if (platform::IsMainThread()) {
    run();
  } else {
    platform::PostToMainThread(run);
  }
}

}  // namespace

void BrowserFrame::LoadURL(const CefString& url) {
  const std::string uri = ToLoadUri(url.ToWString());
  CefRefPtr<BrowserImpl> browser = browser_;
  OnMain(browser_, [uri, browser](WebKitWebView* view) {
    webkit_web_view_load_uri(view, uri.c_str());
    browser->NoteRequestedLoad(uri);
  });
}

void BrowserFrame::LoadString(const CefString& html, const CefString& url) {
  const std::string content = html.ToString();
  const std::string uri = url.ToString();
  CefRefPtr<BrowserImpl> browser = browser_;
  OnMain(browser_, [content, uri, browser](WebKitWebView* view) {
    webkit_web_view_load_alternate_html(view, content.c_str(), uri.c_str(), uri.c_str());
    browser->NoteRequestedLoad(uri);
  });
}

CefString BrowserFrame::GetURL() { return CefString(browser_->CommittedUrl()); }

CefRefPtr<CefBrowser> BrowserFrame::GetBrowser() { return browser_; }

long long BrowserFrame::GetIdentifier() { return browser_->GetIdentifier(); }

CefRefPtr<CefBrowser> ReportedFrame::GetBrowser() { return browser_; }

}  // namespace engine
