// Filling the engine settings.
#include "app/engine_settings.h"

#include "app/data_dir.h"
#include "app/locations.h"

void FillEngineSettings(CefSettings& settings) {
  settings.windowless_rendering_enabled = false;
  settings.no_sandbox = true;
  settings.cache_path = GetDataDir() + kCacheDir;
  settings.multi_threaded_message_loop = true;
  settings.single_process = false;
  settings.background_color = 0xFFFFFFFF;
}

void FillBrowserSettings(CefBrowserSettings& settings) {
  settings.universal_access_from_file_urls = STATE_ENABLED;
  settings.file_access_from_file_urls = STATE_ENABLED;
  settings.web_security = STATE_ENABLED;
}
