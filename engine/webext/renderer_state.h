// The engine's state inside a web process: it holds the
// application object of the renderer role and turns the web process's
// signals into its render-process handler's calls (context creation,
// navigations, process messages). Renderer thread only.
#pragma once

#include <webkit2/webkit-web-extension.h>

#include <cstddef>
#include <cstdint>
#include <string>
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
  // How many frames the page's frame tree holds now, counted from the top
  // frame in a script world of the engine's own (which works whether or not
  // the page may run script); 0 when it cannot be counted (a top frame that
  // never had a document with script is not known).
  static std::size_t FrameCountOf(WebKitWebPage* page);
  // This process's secret from the client (see engine/frame_reports.h).
  static void SetCredential(const std::string& credential);
  // The order number of the next bridge message (SetSenderOrder): when the
  // pages' views have been sent anything since the last barrier (a page's
  // news from WebKit is always followed by a report), each gets a new one.
  static std::uint64_t OrderForNextMessage();
  // The context of a JSC context of a frame, null when unknown.
  static CefRefPtr<CefV8Context> ContextFor(JSCContext* context);
  // The latest context of the frame with this identifier, null when none.
  static CefRefPtr<CefV8Context> ContextOfFrame(long long frame_id);
  // Whether context is still its frame's live window object: the latest one
  // made for the frame, and the frame still shows the document it was made
  // for (a document without script gets no window object of its own, so its
  // frame keeps the context of the document before it).
  static bool IsCurrentContext(const V8ContextImpl* context);
};

}  // namespace engine
