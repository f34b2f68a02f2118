// Which kind of process the engine layer runs in. The web process extension
// marks its process as a renderer before it runs the renderer role, and takes
// over the application object that CefExecuteProcess is given there.
#pragma once

#include "engine/cef_app.h"

namespace engine {

using RendererAppSink = void (*)(CefRefPtr<CefApp> app);

// Called once by the extension's initialisation, on the web process's main
// thread, before the renderer role runs.
void EnterRendererProcess(RendererAppSink sink);
bool IsRendererProcess();
bool IsRendererThread();

// Hands the renderer role's application object to the extension; false
// outside a web process.
bool HandRendererApp(CefRefPtr<CefApp> app);

}  // namespace engine
