// The engine application object of every process of the client. In the
// client (the browser process) it tells each web process which pages are the
// client's own; in a web process its render-process handler is the page
// bridge (bridge/renderer/page_bridge.h), which the web process extension
// hands it. So the client links nothing of the page bridge, and the page
// bridge nothing of the client's windows.
#pragma once

#include "app/own_pages.h"
#include "engine/cef_app.h"
#include "engine/cef_browser_process_handler.h"
#include "engine/cef_list_value.h"
#include "engine/cef_render_process_handler.h"

class SimpleApp : public CefApp, public CefBrowserProcessHandler {
 public:
  // page_bridge: the render-process handler, in a web process; none in the
  // client. own_places: where the client's own pages are (ClientOwnPlaces),
  // in the client; a web process has none to tell, and without it links
  // nothing of how the client reads them.
  explicit SimpleApp(CefRefPtr<CefRenderProcessHandler> page_bridge = nullptr,
                     OwnPlaces (*own_places)() = nullptr)
      : page_bridge_(page_bridge), own_places_(own_places) {}

  // CefApp
  CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override;
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override;

  // CefBrowserProcessHandler: the client's own places, for each web process.
  void OnRenderProcessThreadCreated(CefRefPtr<CefListValue> extra_info) override;

 private:
  CefRefPtr<CefRenderProcessHandler> page_bridge_;
  OwnPlaces (*own_places_)();

  IMPLEMENT_REFCOUNTING(SimpleApp);
};

// The client's own places as they travel to a web process in its extra
// information, and back out of it there. Without them (a web process the
// client did not start) no page is the client's own.
void PutOwnPlaces(const OwnPlaces& places, CefRefPtr<CefListValue> extra_info);
OwnPlaces TakeOwnPlaces(CefRefPtr<CefListValue> extra_info);
