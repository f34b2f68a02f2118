// Test seam of ShellExecuteW: with a hook set, the command that would be
// launched is handed to the hook instead of being started, so tests can check
// it without a desktop. The product never sets it.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

// argv is the launch as the desktop would run it: {"gio", "open", uri}, where
// uri is the file: URI of the file or folder to open (or the URL given).
// An empty function removes the hook.
void SetShellLaunchHookForTesting(std::function<void(const std::vector<std::string>& argv)> hook);

}  // namespace platform
