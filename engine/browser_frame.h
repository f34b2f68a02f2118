// The main frame of a browser, browser side. Its calls may come from any
// thread; loads are carried out on the main thread, in the order asked.
#pragma once

#include <string>

#include "engine/browser_impl.h"
#include "engine/cef_frame.h"

namespace engine {

class BrowserFrame : public CefFrame {
 public:
  explicit BrowserFrame(BrowserImpl* browser) : browser_(browser) {}

  void LoadURL(const CefString& url) override;
  void LoadString(const CefString& html, const CefString& url) override;
  bool IsMain() override { return true; }
  CefString GetURL() override;
  CefRefPtr<CefBrowser> GetBrowser() override;
  long long GetIdentifier() override;

 private:
  CefRefPtr<BrowserImpl> browser_;

  IMPLEMENT_REFCOUNTING(BrowserFrame);
};

// An iframe as its web process last reported it (GetFrame): its address is
// that of the document reported then. Its loads do nothing here.
class ReportedFrame : public CefFrame {
 public:
  ReportedFrame(BrowserImpl* browser, long long identifier, const std::string& url)
      : browser_(browser), identifier_(identifier), url_(url) {}

  void LoadURL(const CefString&) override {}
  void LoadString(const CefString&, const CefString&) override {}
  bool IsMain() override { return false; }
  CefString GetURL() override { return CefString(url_); }
  CefRefPtr<CefBrowser> GetBrowser() override;
  long long GetIdentifier() override { return identifier_; }

 private:
  CefRefPtr<BrowserImpl> browser_;
  long long identifier_;
  std::string url_;

  IMPLEMENT_REFCOUNTING(ReportedFrame);
};

}  // namespace engine
