// Looks into a browser's page from a test: runs a script in the main frame
// and returns its result as text.
#pragma once

#include <string>

#include "engine/cef_browser.h"
#include "tests/support/main_loop.h"

namespace test_support {

// Loads url in the main frame and waits until that document is complete.
bool LoadAndWait(CefRefPtr<CefBrowser> browser, const std::string& url);
// The script's value as a string; "<error>" when it threw or the browser is
// gone, "<timeout>" when no answer came within timeout_ms.
std::string EvalJs(CefRefPtr<CefBrowser> browser, const std::string& script,
                   int timeout_ms = test_support::kEventWaitMs);
// The same in a WebKitWebView of the test's own.
std::string EvalInView(void* web_view, const std::string& script,
                       int timeout_ms = test_support::kEventWaitMs);
// The browser's view (a WebKitWebView*), for synthesising input.
void* ViewOf(CefRefPtr<CefBrowser> browser);
// Sends a right button press and release to the view at (x, y) once the page
// is laid out under that point; false when it never was.
bool RightClick(CefRefPtr<CefBrowser> browser, int x, int y);
// Whether a popup menu window is showing anywhere in the process.
bool AnyMenuShowing();

}  // namespace test_support
