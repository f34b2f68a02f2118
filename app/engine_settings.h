// The engine settings of the browser process, and the settings of the
// client's browser.
#pragma once

#include "engine/cef_browser_settings.h"
#include "engine/cef_settings.h"

// Windowed browser, web processes confined where the machine allows it (they
// may read the data directory), the engine's own UI thread, the cache under
// the data directory, opaque white; everything else at the engine's default.
void FillEngineSettings(CefSettings& settings);

// The settings every browser of the client is created with (and every test
// browser that stands in for it): the engine's web security stays on for
// every page; documents of the client's own loaded from file:// addresses
// (the installed bundle) may read other local files and reach any origin, so
// the bundle can open local documents and call the vendor service. The
// engine grants these powers only to the main documents the client counts
// as its own (CefRequestHandler::IsOwnDocument); web pages and other local
// files keep the engine's same-origin rules.
void FillBrowserSettings(CefBrowserSettings& settings);
