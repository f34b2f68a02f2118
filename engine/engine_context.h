// The browser process's engine state: the WebKit web context every browser
// shares, the settings browsers take from CefInitialize, and the browsers
// that are open.
#pragma once

#include <webkit2/webkit2.h>

#include <cstdint>
#include <string>

#include "engine/cef_app.h"
#include "engine/cef_types.h"

namespace engine {

class BrowserImpl;

bool IsInitialized();
// Whether credential is the secret of a web process this engine started.
bool IsIssuedCredential(const std::string& credential);
// The process that had credential has ended: no message with it counts.
void RetireCredential(const std::string& credential);
// A web process's barrier (engine/frame_reports.h) has come in: its bridge
// messages numbered up to number may be judged now.
void TakeInBarrier(const std::string& credential, std::uint64_t number);
WebKitWebContext* WebContext();
cef_color_t BackgroundColor();

// The view a new browser's view is to share its web process with: the
// hidden page that started the first web process, for the first browser
// only; nullptr otherwise. The new view is then handed to WatchFirstLoad,
// which ends that page once the browser's first load holds the process.
WebKitWebView* RelatedViewForNewBrowser();
void WatchFirstLoad(WebKitWebView* view);

void AddBrowser(BrowserImpl* browser);
void RemoveBrowser(BrowserImpl* browser);

}  // namespace engine
