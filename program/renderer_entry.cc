// The renderer role of the entry point, as the web process extension runs
// it: the program mutex, the role from the command line, the application
// object handed to the engine, with the page bridge as its render-process
// handler.
#include "app/command_line.h"
#include "app/process_role.h"
#include "bridge/renderer/page_bridge.h"
#include "bridge/simple_app.h"
#include "engine/cef_renderer_role.h"

int RunRendererRole(const CefMainArgs& args) {
  CreateProgramMutex();
  CefRefPtr<CefCommandLine> command_line = CefCommandLine::CreateCommandLine();
  command_line->InitFromString(args.command_line);
  CefRefPtr<CefApp> app;
  if (GetProcessRole(command_line) != ProcessRole::kOther) app = new SimpleApp(new PageBridge());
  CefExecuteProcess(args, app, nullptr);
  return 0;
}
