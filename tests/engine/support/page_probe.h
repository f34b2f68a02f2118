// Looks into a browser's page from a test: runs a script in the main frame
// and returns its result as text.
#pragma once

#include <string>

#include "engine/cef_browser.h"

namespace testing_support {

// The script's value as a string; "<error>" when it threw or the browser is gone.
std::string EvalJs(CefRefPtr<CefBrowser> browser, const std::string& script, int timeout_ms = 5000);
// The browser's view (a WebKitWebView*), for synthesising input.
void* ViewOf(CefRefPtr<CefBrowser> browser);
// Sends a right button press and release to the view at (x, y).
void RightClick(CefRefPtr<CefBrowser> browser, int x, int y);
// Whether a popup menu window is showing anywhere in the process.
bool AnyMenuShowing();

}  // namespace testing_support
