// Filling the engine settings.
#include "app/engine_settings.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/data_dir.h"
#include "app/locations.h"
#include "platform/log.h"
#include "platform/system_memory.h"

namespace {

constexpr std::uint64_t kMaxWebProcessMb = 4096;
constexpr std::uint64_t kMiB = std::uint64_t{1024} * 1024;

}  // namespace

unsigned WebProcessMemoryLimitMb(std::uint64_t physical_bytes, const char* lowered) {
  std::uint64_t limit = std::min(physical_bytes / 2 / kMiB, kMaxWebProcessMb);
  if (lowered != nullptr && *lowered != '\0') {
    std::uint64_t value = 0;
    const char* c = lowered;
    for (; *c >= '0' && *c <= '9' && value <= kMaxWebProcessMb; ++c) {
      value = value * 10 + static_cast<std::uint64_t>(*c - '0');
    }
    if (*c == '\0' && value > 0 && (limit == 0 || value < limit)) {
      limit = value;
    } else {
      platform::LogWarning(
          "QUORBITAL_WEB_MEMORY_MB=%s is not a number of MiB below %llu; passed over", lowered,
          static_cast<unsigned long long>(limit));
    }
  }
  return static_cast<unsigned>(limit);
}

void FillEngineSettings(CefSettings& settings) {
  settings.windowless_rendering_enabled = false;
  // The engine confines its web processes wherever the machine allows it.
  settings.no_sandbox = false;
  settings.cache_path = GetDataDir() + kCacheDir;
  settings.multi_threaded_message_loop = true;
  settings.single_process = false;
  settings.background_color = 0xFFFFFFFF;
  settings.renderer_memory_limit_mb = WebProcessMemoryLimitMb(
      platform::PhysicalMemoryBytes(), std::getenv("QUORBITAL_WEB_MEMORY_MB"));
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
