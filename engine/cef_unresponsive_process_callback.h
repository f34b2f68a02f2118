// What a browser's client may do about a page whose web process has stopped
// answering (CefRequestHandler::OnRenderProcessUnresponsive): go on waiting,
// or end that process. Any thread; the work is done on the main thread.
#pragma once

#include "engine/cef_ref_ptr.h"

class CefUnresponsiveProcessCallback : public CefBaseRefCounted {
 public:
  // Keeps waiting; the client hears OnRenderProcessResponsive if the process
  // answers again.
  virtual void Wait() = 0;
  // Ends the web process, as long as it is still the one that showed the
  // page when this callback was given (nothing otherwise); the client then
  // hears OnRenderProcessTerminated with TS_PROCESS_WAS_KILLED, and the next
  // load starts a new web process.
  virtual void Terminate() = 0;
};
