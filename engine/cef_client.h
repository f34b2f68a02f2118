// The client of a browser: hands the engine its handlers. A getter returning
// null leaves that part to the engine's default.
#pragma once

#include "engine/cef_context_menu_handler.h"
#include "engine/cef_display_handler.h"
#include "engine/cef_life_span_handler.h"
#include "engine/cef_load_handler.h"
#include "engine/cef_ref_ptr.h"
#include "engine/cef_request_handler.h"
#include "engine/cef_types.h"

class CefBrowser;
class CefProcessMessage;

class CefClient : public CefBaseRefCounted {
 public:
  virtual CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() { return nullptr; }
  virtual CefRefPtr<CefDisplayHandler> GetDisplayHandler() { return nullptr; }
  virtual CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() { return nullptr; }
  virtual CefRefPtr<CefLoadHandler> GetLoadHandler() { return nullptr; }
  virtual CefRefPtr<CefRequestHandler> GetRequestHandler() { return nullptr; }

  // Process messages from renderers. Renderers of this engine send none.
  virtual bool OnProcessMessageReceived(CefRefPtr<CefBrowser> /*browser*/,
                                        CefProcessId /*source_process*/,
                                        CefRefPtr<CefProcessMessage> /*message*/) {
    return false;
  }
};
