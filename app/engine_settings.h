// The engine settings of the browser process, and the settings of the
// client's browser.
#pragma once

#include "engine/cef_browser_settings.h"
#include "engine/cef_settings.h"

// Windowed browser, no sandbox, the engine's own UI thread, the cache under
// the data directory, opaque white; everything else at the engine's default.
void FillEngineSettings(CefSettings& settings);

// The settings every browser of the client is created with (and every test
// browser that stands in for it): the engine's web security stays on for
// every page; documents loaded from file:// addresses may read other local
// files and reach any origin, which the engine grants to file:// documents
// only, so the installed page bundle can open local documents and call the
// vendor service while web pages keep the engine's same-origin rules.
void FillBrowserSettings(CefBrowserSettings& settings);
