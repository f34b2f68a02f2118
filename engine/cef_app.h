// The application object a process hands the engine, and the process-level
// engine calls: role dispatch, initialisation and shutdown.
#pragma once

#include "engine/cef_browser_process_handler.h"
#include "engine/cef_command_line.h"
#include "engine/cef_main_args.h"
#include "engine/cef_ref_ptr.h"
#include "engine/cef_render_process_handler.h"
#include "engine/cef_settings.h"

class CefApp : public CefBaseRefCounted {
 public:
  virtual void OnBeforeCommandLineProcessing(const CefString& /*process_type*/,
                                             CefRefPtr<CefCommandLine> /*command_line*/) {}
  virtual CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() { return nullptr; }
  virtual CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() { return nullptr; }
};

// For a process started with a --type switch: runs that role and returns its
// exit code (0 or more). Inside a web process (the renderer role of the web
// process extension) the application object is taken over for the renderer
// side and 0 is returned. Returns -1 for the process the user started.
// A plain executable started with --type=... has nothing to do here (web
// processes are started by WebKit), so it returns 0 at once.
int CefExecuteProcess(const CefMainArgs& args, CefRefPtr<CefApp> application,
                      void* windows_sandbox_info);

// Sets up the engine for the browser process: the web context with its cache
// and website data under settings.cache_path, the web process extension, and
// the application object. Call once, on the main thread. Returns false when
// called twice or outside a browser process.
bool CefInitialize(const CefMainArgs& args, const CefSettings& settings,
                   CefRefPtr<CefApp> application, void* windows_sandbox_info);

// Closes any browser still open and releases the engine. Main thread.
void CefShutdown();

// The engine runs no message loop of its own here: the toolkit's loop drives
// it. There is nothing for this call to end; it exists for clients written
// against the engine's interface.
void CefQuitMessageLoop();
