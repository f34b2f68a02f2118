// The renderer role of the application, which the engine's web process
// extension runs once at its initialisation, on the web process's main
// thread. The application defines it (the entry point's renderer role): it
// creates the application object and hands it to CefExecuteProcess, which
// keeps it to serve the pages of that web process. args.command_line holds
// the role's command line ("... --type=renderer").
#pragma once

#include "engine/cef_main_args.h"

int RunRendererRole(const CefMainArgs& args);
