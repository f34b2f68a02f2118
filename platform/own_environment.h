// Environment variables the client sets for itself and its own helper
// processes (the engine's), which programs it opens for the user (a browser
// for a link, the file manager) must not inherit: they would change how those
// programs run.
#pragma once

#include <gio/gio.h>

namespace platform {

// Sets name to value unless the user already set it; returns whether it was
// set here. Only while one thread runs (before the display is opened):
// setenv races every other thread's getenv.
bool SetOwnVariable(const char* name, const char* value);

// A launch context for a program of the user's: this process's environment
// without the variables SetOwnVariable set. Its environment
// (g_app_launch_context_get_environment) serves programs started otherwise.
// The caller owns it.
GAppLaunchContext* NewLaunchContextForOthers();

}  // namespace platform
