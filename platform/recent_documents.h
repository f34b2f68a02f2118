// The desktop's list of recently used files, which file managers, file
// dialogs and the desktop's own menus show.
#pragma once

#include <string>

namespace platform {

// Adds the file at path (absolute) to the list as a file this program
// opened. A path that names no regular file is left out. Main thread.
void AddRecentDocument(const std::wstring& path);

}  // namespace platform
