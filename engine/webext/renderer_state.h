// The engine's state inside a web process: it holds the
// application object of the renderer role and turns the web process's
// signals into its render-process handler's calls (context creation,
// navigations, process messages). Renderer thread only.
#pragma once

#include <webkit2/webkit-web-extension.h>

#include <vector>

#include "engine/cef_app.h"
#include "engine/webext/renderer_browser.h"

namespace engine {

class V8ContextImpl;

class RendererState {
 public:
  // Connects to the extension's pages and the default script world.
  static void Start(WebKitWebExtension* extension);
  // What the browser process added for this renderer; handed to the
  // application object when it is adopted.
  static void SetExtraInfo(CefRefPtr<CefListValue> extra_info);
  // The application object CefExecuteProcess was given in this process.
  static void AdoptApp(CefRefPtr<CefApp> app);

  static CefRefPtr<RendererFrame> MainFrameOf(WebKitWebPage* page);
  // The page's frames that exist and have had a window object.
  static std::vector<CefRefPtr<RendererFrame>> FramesOf(WebKitWebPage* page);
  // The context of a JSC context of a frame, null when unknown.
  static CefRefPtr<CefV8Context> ContextFor(JSCContext* context);
  // Whether context is still its frame's live window object.
  static bool IsCurrentContext(const V8ContextImpl* context);
};

}  // namespace engine
