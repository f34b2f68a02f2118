// A browser as the web process sees it: the WebKitWebPage of one view, with
// the same identifier the browser side has. Renderer thread only.
#pragma once

#include <webkit2/webkit-web-extension.h>

#include "engine/cef_browser.h"
#include "engine/cef_browser_host.h"
#include "engine/cef_frame.h"
#include "engine/cef_process_message.h"

namespace engine {

class RendererBrowser : public CefBrowser {
 public:
  explicit RendererBrowser(WebKitWebPage* page);

  CefRefPtr<CefBrowserHost> GetHost() override { return nullptr; }
  CefRefPtr<CefFrame> GetMainFrame() override;
  void GetFrameIdentifiers(std::vector<long long>& identifiers) override;
  CefRefPtr<CefFrame> GetFrame(long long identifier) override;
  std::size_t GetFrameCount() override;
  int GetIdentifier() override { return identifier_; }
  bool IsSame(CefRefPtr<CefBrowser> that) override;
  // To the browser side (PID_BROWSER), where the client's
  // OnProcessMessageReceived gets it.
  bool SendProcessMessage(CefProcessId target_process,
                          CefRefPtr<CefProcessMessage> message) override;

  void PageGone() { page_ = nullptr; }

 private:
  WebKitWebPage* page_;  // WebKit's; cleared when the page goes
  int identifier_;

  IMPLEMENT_REFCOUNTING(RendererBrowser);
};

// A frame of a page in the web process. The loading calls belong to the
// browser side and do nothing here.
class RendererFrame : public CefFrame {
 public:
  RendererFrame(CefRefPtr<RendererBrowser> browser, WebKitFrame* frame);
  ~RendererFrame() override;

  void LoadURL(const CefString&) override {}
  void LoadString(const CefString&, const CefString&) override {}
  bool IsMain() override { return is_main_; }
  CefString GetURL() override;
  CefRefPtr<CefBrowser> GetBrowser() override { return browser_; }
  long long GetIdentifier() override { return identifier_; }
  CefRefPtr<CefV8Context> GetV8Context() override;

  // The WebKit frame while it exists, else null.
  WebKitFrame* frame() const;

 private:
  CefRefPtr<RendererBrowser> browser_;
  mutable GWeakRef frame_;
  bool is_main_;
  long long identifier_;

  IMPLEMENT_REFCOUNTING(RendererFrame);
};

}  // namespace engine
