// The names in a folder, for the callers that walk the data directory, the
// bundle's folders and the key folder.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The names of dir's entries ("." and ".." left out) in the order the file
// system lists them; empty when dir cannot be read.
std::vector<std::string> FolderNames(const std::string& dir);

}  // namespace platform
