// Sets up GTK and the engine once per test program, with a private cache
// directory and the given renderer extension directory.
#pragma once

#include <functional>
#include <string>

#include "engine/cef_app.h"
#include "engine/cef_browser.h"
#include "engine/cef_client.h"
#include "engine/cef_life_span_handler.h"

namespace test_support {

// Call from main() before the tests run; extension_dir may be empty (no
// renderer side). app, when given, is the browser process's application
// object (the client's own, say, which names its trusted pages to each
// renderer). Returns the cache directory used.
std::string InitEngineForTests(int* argc, char*** argv, const std::string& extension_dir,
                               CefRefPtr<CefApp> app = nullptr);

// A fresh XDG_DATA_HOME with the client's bundle directory in it; returns
// that directory, whose pages are the client's own.
std::string MakeBundleDir();

// A client that only keeps its browser while it exists, and counts every
// document as its own, so test pages get the file powers of the settings.
class BrowserClient : public CefClient, public CefLifeSpanHandler, public CefRequestHandler {
 public:
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
  CefRefPtr<CefRequestHandler> GetRequestHandler() override { return this; }
  bool IsOwnDocument(CefRefPtr<CefBrowser>, const CefString&) override { return true; }
  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override { browser_ = browser; }
  void OnBeforeClose(CefRefPtr<CefBrowser>) override { browser_ = nullptr; }
  CefRefPtr<CefBrowser> browser_;
  IMPLEMENT_REFCOUNTING(BrowserClient);
};

// Creates a browser with the client's browser settings as a child of parent
// at rect, and waits until created() gives it (nullptr when it never does).
CefRefPtr<CefBrowser> CreateBrowserIn(HWND parent, const RECT& rect, CefRefPtr<CefClient> client,
                                      const std::function<CefRefPtr<CefBrowser>()>& created);

// A fresh temporary directory; returns its path.
std::string MakeTempDir();
void WriteFile(const std::string& path, const std::string& content);

}  // namespace test_support
