// Locating the client's run-time folders.
#include "app/runtime_files.h"

#include <filesystem>
#include <system_error>

#include "platform/process_paths.h"

#ifndef QUORBITAL_INSTALL_DATA_RELDIR
#define QUORBITAL_INSTALL_DATA_RELDIR "../share/quorbital"
#endif

namespace {

bool IsDirectory(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_directory(path, ec);
}

}  // namespace

std::string FindRuntimeFolder(const std::string& name) {
  const std::string exe_dir = platform::ExecutableDir();
  if (exe_dir.empty()) return {};
  for (const std::string& candidate :
       {exe_dir + "/" + name, exe_dir + "/" + QUORBITAL_INSTALL_DATA_RELDIR + "/" + name}) {
    if (IsDirectory(candidate)) return candidate;
  }
  return {};
}
