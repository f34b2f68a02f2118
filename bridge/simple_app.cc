// The application object's page functions.
#include "bridge/simple_app.h"

#include "engine/cef_thread.h"

bool SimpleApp::Execute(const CefString&, CefRefPtr<CefV8Value>, const CefV8ValueList&,
                        CefRefPtr<CefV8Value>&, CefString&) {
  CEF_REQUIRE_RENDERER_THREAD();
  return false;
}
