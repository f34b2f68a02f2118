// A browser's settings as the WebKit settings of its view.
#pragma once

#include <webkit2/webkit2.h>

#include "engine/cef_browser_settings.h"

namespace engine {

// New WebKit settings (the caller owns the reference) with each state that
// is not STATE_DEFAULT applied. Scripts may always ask for popups: they
// reach the client's OnBeforePopup, which decides and never opens a window.
// On the non-accelerated rendering path of the process (rendering_path.h)
// the view never uses accelerated compositing.
WebKitSettings* NewViewSettings(const CefBrowserSettings& settings);

}  // namespace engine
