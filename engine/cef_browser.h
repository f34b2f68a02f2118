// One browser: a web view with its frames. On the browser side it is the view
// the client got in OnAfterCreated; on the renderer side it is the page the
// web process shows for that view (both have the same identifier).
#pragma once

#include <cstddef>
#include <vector>

#include "engine/cef_ref_ptr.h"
#include "engine/cef_types.h"

class CefBrowserHost;
class CefFrame;
class CefProcessMessage;

class CefBrowser : public CefBaseRefCounted {
 public:
  // Browser side only; null in a web process.
  virtual CefRefPtr<CefBrowserHost> GetHost() = 0;
  virtual CefRefPtr<CefFrame> GetMainFrame() = 0;
  // The identifiers of the page's frames whose documents the engine knows,
  // and a frame by its identifier (null when the page has no such frame).
  // Any thread. On the browser side: the main frame, with the document the
  // view saw commit, and each iframe with the last document its web process
  // reported for it. On the renderer side: the frames whose current
  // document has a script context (GetV8Context), each read from the frame
  // itself; a document without script is not known to the engine.
  virtual void GetFrameIdentifiers(std::vector<long long>& identifiers) = 0;
  virtual CefRefPtr<CefFrame> GetFrame(long long identifier) = 0;
  // How many frames the page has now (the top frame and every iframe). On
  // the renderer side this counts the page's frame tree, which also holds
  // frames GetFrameIdentifiers does not know: frames whose documents run no
  // script (scripts disabled, or a sandbox that forbids them) never get a
  // context, and so never get known. On the browser side, the frames
  // reported.
  virtual std::size_t GetFrameCount() = 0;
  virtual int GetIdentifier() = 0;
  virtual bool IsSame(CefRefPtr<CefBrowser> that) = 0;
  // Sends a message to the renderer of this browser (browser side, target
  // PID_RENDERER); it arrives in the renderer's
  // CefRenderProcessHandler::OnProcessMessageReceived. Any thread. Returns
  // false when the browser has closed or the target is not the renderer.
  virtual bool SendProcessMessage(CefProcessId target_process,
                                  CefRefPtr<CefProcessMessage> message) = 0;
};
