// Role dispatch of the engine: which processes run a role of their own.
#include <glib.h>

#include <cstring>
#include <vector>

#include "engine/cef_app.h"
#include "engine/cef_command_line.h"
#include "engine/process_state.h"

namespace {

// The process's own command line, read as the kernel recorded it.
CefRefPtr<CefCommandLine> OwnCommandLine() {
  CefRefPtr<CefCommandLine> command_line = CefCommandLine::CreateCommandLine();
  g_autofree gchar* contents = nullptr;
  gsize length = 0;
  if (g_file_get_contents("/proc/self/cmdline", &contents, &length, nullptr)) {
    std::vector<const char*> argv;
    for (gsize i = 0; i < length; i += strlen(contents + i) + 1) argv.push_back(contents + i);
    command_line->InitFromArgv(static_cast<int>(argv.size()), argv.data());
  }
  return command_line;
}

}  // namespace

int CefExecuteProcess(const CefMainArgs& args, CefRefPtr<CefApp> application,
                      void* /*windows_sandbox_info*/) {
  CefRefPtr<CefCommandLine> command_line;
  if (args.command_line.empty()) {
    command_line = OwnCommandLine();
  } else {
    command_line = CefCommandLine::CreateCommandLine();
    command_line->InitFromString(args.command_line);
  }
  if (!command_line->HasSwitch("type")) return -1;
  const CefString type = command_line->GetSwitchValue("type");
  if (application) application->OnBeforeCommandLineProcessing(type, command_line);
  // In a web process the renderer role's application object serves the
  // pages from now on; the extension keeps it.
  if (type.ToString() == "renderer") engine::HandRendererApp(application);
  return 0;
}
