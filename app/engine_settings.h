// The engine settings of the browser process.
#pragma once

#include "engine/cef_settings.h"

// Windowed browser, no sandbox, the engine's own UI thread, the cache under
// the data directory, opaque white; everything else at the engine's default.
void FillEngineSettings(CefSettings& settings);
