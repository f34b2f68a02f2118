#include "platform/folder_names.h"

#include <dirent.h>

#include <cstring>

namespace platform {

std::vector<std::string> FolderNames(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return names;
  while (const dirent* entry = readdir(d)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
      names.emplace_back(entry->d_name);
    }
  }
  closedir(d);
  return names;
}

}  // namespace platform
