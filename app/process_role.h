// The role a process of the program plays, decided from its command line.
#pragma once

#include "engine/cef_command_line.h"

enum class ProcessRole {
  kBrowser,   // no --type switch: the process the user started
  kRenderer,  // --type=renderer
  kOther,     // any other --type value
};

ProcessRole GetProcessRole(CefRefPtr<CefCommandLine> command_line);
