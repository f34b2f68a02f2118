// The main frame of a browser, browser side. Its calls may come from any
// thread; loads are carried out on the main thread, in the order asked.
#pragma once

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

}  // namespace engine
