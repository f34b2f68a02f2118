// One browser: a web view with its frames. On the browser side it is the view
// the client got in OnAfterCreated; on the renderer side it is the page the
// web process shows for that view (both have the same identifier).
#pragma once

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
  virtual int GetIdentifier() = 0;
  virtual bool IsSame(CefRefPtr<CefBrowser> that) = 0;
  // Sends a message to the renderer of this browser (browser side, target
  // PID_RENDERER); it arrives in the renderer's
  // CefRenderProcessHandler::OnProcessMessageReceived. Any thread. Returns
  // false when the browser has closed or the target is not the renderer.
  virtual bool SendProcessMessage(CefProcessId target_process,
                                  CefRefPtr<CefProcessMessage> message) = 0;
};
