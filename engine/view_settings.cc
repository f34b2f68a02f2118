// The WebKit settings of a browser's view.
#include "engine/view_settings.h"

#include "engine/rendering_path.h"

namespace engine {
namespace {

void ApplyState(cef_state_t state, void (*setter)(WebKitSettings*, gboolean),
                WebKitSettings* settings, bool enabled_value) {
  if (state == STATE_ENABLED) setter(settings, enabled_value);
  if (state == STATE_DISABLED) setter(settings, !enabled_value);
}

}  // namespace

WebKitSettings* NewViewSettings(const CefBrowserSettings& settings) {
  WebKitSettings* s = webkit_settings_new();
  ApplyState(settings.universal_access_from_file_urls,
             webkit_settings_set_allow_universal_access_from_file_urls, s, true);
  ApplyState(settings.file_access_from_file_urls,
             webkit_settings_set_allow_file_access_from_file_urls, s, true);
  // web_security ENABLED means the engine's checks stay on.
  ApplyState(settings.web_security, webkit_settings_set_disable_web_security, s, false);
  ApplyState(settings.javascript, webkit_settings_set_enable_javascript, s, true);
  // Popups must reach the client's OnBeforePopup (which never opens a
  // window) also when a page script asks without a user gesture.
  webkit_settings_set_javascript_can_open_windows_automatically(s, TRUE);
  if (ProcessRenderingPath().path == RenderingPath::kNonAccelerated) {
    webkit_settings_set_hardware_acceleration_policy(s, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  }
  return s;
}

}  // namespace engine
