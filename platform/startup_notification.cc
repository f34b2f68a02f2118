// Start-up notification ids: read from the environment, used by the window.
#include "platform/startup_notification.h"

#include <cstdlib>

#include "platform/native_window.h"

namespace platform {
namespace {

std::string AsciiId(const std::wstring& text) {
  // Ids are ASCII by their definition; anything else is dropped.
  std::string out;
  for (wchar_t c : text) {
    if (c > 0x20 && c < 0x7F) out.push_back(static_cast<char>(c));
  }
  return out;
}

}  // namespace

std::wstring StartupNotificationId() {
  for (const char* name : {"XDG_ACTIVATION_TOKEN", "DESKTOP_STARTUP_ID"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0')
      return std::wstring(value, value + std::char_traits<char>::length(value));
  }
  return {};
}

BOOL ActivateWindowWithStartupId(HWND hwnd, const std::wstring& startup_id) {
  NativeWindow* window = LookupWindow(hwnd);
  if (window == nullptr) return FALSE;
  window->Activate(AsciiId(startup_id));
  return TRUE;
}

}  // namespace platform
