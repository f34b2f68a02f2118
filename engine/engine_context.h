// The browser process's engine state: the WebKit web context every browser
// shares, the settings browsers take from CefInitialize, and the browsers
// that are open.
#pragma once

#include <webkit2/webkit2.h>

#include "engine/cef_app.h"
#include "engine/cef_types.h"

namespace engine {

class BrowserImpl;

bool IsInitialized();
WebKitWebContext* WebContext();
cef_color_t BackgroundColor();

void AddBrowser(BrowserImpl* browser);
void RemoveBrowser(BrowserImpl* browser);

}  // namespace engine
