// Reading, writing and checking the main window's remembered placement.
#include "mainwnd/window_placement.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "mainwnd/page_zoom.h"

namespace {

constexpr char kSection[] = "window";
constexpr char kKey[] = "restored";
constexpr char kZoomKey[] = "zoom";
// A window smaller than this is no use, and larger than any screen a mistake.
constexpr LONG kMinSize = 200;
constexpr LONG kMaxSize = 16384;
constexpr LONG kMaxPosition = 32768;
// The title strip is 24 pixels high; so much of it must be on a screen.
constexpr LONG kStripHeight = 24;
constexpr LONG kReachableWidth = 100;
constexpr LONG kReachableHeight = 12;

}  // namespace

std::string WindowPlacementFile() {
  char folder[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, FALSE)) return std::string();
  return std::string(folder) + "/quorbital/window.ini";
}

bool LoadRestoredRect(const std::string& file, RECT* rect) {
  if (file.empty()) return false;
  char value[64] = {};
  GetPrivateProfileStringA(kSection, kKey, "", value, sizeof(value), file.c_str());
  long x = 0, y = 0, width = 0, height = 0;
  char rest = 0;
  if (std::sscanf(value, "%ld,%ld,%ld,%ld%c", &x, &y, &width, &height, &rest) != 4) return false;
  if (width < kMinSize || height < kMinSize || width > kMaxSize || height > kMaxSize ||
      std::labs(x) > kMaxPosition || std::labs(y) > kMaxPosition) {
    return false;
  }
  *rect = RECT{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x + width),
               static_cast<LONG>(y + height)};
  return true;
}

bool SaveRestoredRect(const std::string& file, const RECT& rect) {
  if (file.empty()) return false;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ec);
  if (ec) return false;
  const std::string value = std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
                            std::to_string(rect.right - rect.left) + "," +
                            std::to_string(rect.bottom - rect.top);
  // One key: the profile file is rewritten whole, so a reader never sees
  // half of the old placement and half of the new.
  return WritePrivateProfileStringA(kSection, kKey, value.c_str(), file.c_str()) != FALSE;
}

bool IsOnScreen(const RECT& rect, const std::vector<RECT>& screens) {
  const RECT strip{rect.left, rect.top, rect.right, rect.top + kStripHeight};
  const LONG wanted = std::min(kReachableWidth, strip.right - strip.left);
  return std::any_of(screens.begin(), screens.end(), [&](const RECT& screen) {
    const LONG width = std::min(strip.right, screen.right) - std::max(strip.left, screen.left);
    const LONG height = std::min(strip.bottom, screen.bottom) - std::max(strip.top, screen.top);
    return width >= wanted && height >= kReachableHeight;
  });
}

int LoadZoomPercent(const std::string& file) {
  if (file.empty()) return 0;
  char value[16] = {};
  GetPrivateProfileStringA(kSection, kZoomKey, "", value, sizeof(value), file.c_str());
  int percent = 0;
  char rest = 0;
  if (std::sscanf(value, "%d%c", &percent, &rest) != 1) return 0;
  return std::find(std::begin(kZoomSteps), std::end(kZoomSteps), percent) != std::end(kZoomSteps)
             ? percent
             : 0;
}

bool SaveZoomPercent(const std::string& file, int percent) {
  if (file.empty()) return false;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ec);
  if (ec) return false;
  const std::string value = std::to_string(percent);
  return WritePrivateProfileStringA(kSection, kZoomKey, percent > 0 ? value.c_str() : nullptr,
                                    file.c_str()) != FALSE;
}
