// Settings of one browser, given to CefBrowserHost::CreateBrowser. Every state
// starts at STATE_DEFAULT, which keeps the engine's own choice.
#pragma once

#include "engine/cef_types.h"

struct CefBrowserSettings {
  cef_state_t universal_access_from_file_urls = STATE_DEFAULT;
  cef_state_t file_access_from_file_urls = STATE_DEFAULT;
  cef_state_t web_security = STATE_DEFAULT;
  cef_state_t javascript = STATE_DEFAULT;
};
