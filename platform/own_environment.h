// Environment variables the client sets for itself and its own helper
// processes (the engine's), which programs it opens for the user (a browser
// for a link, the file manager) must not inherit: they would change how those
// programs run.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Sets name to value unless the user already set it; returns whether it was
// set here. Only while one thread runs (before the display is opened):
// setenv races every other thread's getenv.
bool SetOwnVariable(const char* name, const char* value);

// The names set by SetOwnVariable, in order.
std::vector<std::string> OwnVariables();

// This process's environment without the own variables, as "NAME=value".
std::vector<std::string> EnvironmentForOthers();

}  // namespace platform
