// Filling the engine settings.
#include "app/engine_settings.h"

#include <filesystem>
#include <system_error>

#include "app/data_dir.h"
#include "app/locations.h"

void FillEngineSettings(CefSettings& settings) {
  settings.windowless_rendering_enabled = false;
  // The engine confines its web processes wherever the machine allows it.
  settings.no_sandbox = false;
  settings.cache_path = GetDataDir() + kCacheDir;
  settings.multi_threaded_message_loop = true;
  settings.single_process = false;
  settings.background_color = 0xFFFFFFFF;
  // Confined web processes decide which documents are the client's own by
  // the installed bundle's real paths, so they read the data directory. Not
  // EditorDir itself: an update replaces that folder whole, and a confined
  // process would go on seeing the folder it was shown at its start.
  const std::string data_dir = GetDataDirA();
  if (!data_dir.empty()) {
    std::error_code error;
    std::filesystem::create_directories(data_dir, error);
    settings.sandbox_read_only_paths.emplace_back(data_dir);
  }
}

void FillBrowserSettings(CefBrowserSettings& settings) {
  settings.universal_access_from_file_urls = STATE_ENABLED;
  settings.file_access_from_file_urls = STATE_ENABLED;
  settings.web_security = STATE_ENABLED;
}
