// What the entry point hands the engine about its process.
#pragma once

#include <string>

#include "platform/windows.h"

struct CefMainArgs {
  CefMainArgs() = default;
  explicit CefMainArgs(HINSTANCE instance) : instance(instance) {}

  HINSTANCE instance = nullptr;
  // The process's command line when it is not the one the operating system
  // gave the process (a web process runs the renderer role with its own).
  // Empty means: read this process's own command line.
  std::wstring command_line;
};
