// The document path from the command line and the program's named mutex.
#include "app/command_line.h"

#include "app/locations.h"
#include "platform/windows.h"

namespace {

// A relative path means a file in the directory the user started the program
// from, which neither the running client (a second start hands the path to it)
// nor the editor page knows; so it is made absolute here, before anything else
// sees it. A path that cannot be resolved is kept as it was given.
std::wstring FullPath(const std::wstring& path) {
  if (path.empty()) return path;
  DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  DWORD written = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (written == 0 || written >= needed) return path;
  full.resize(written);
  return full;
}

}  // namespace

std::wstring DocumentPathFromCommandLine() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return std::wstring();
  std::wstring path;
  if (argc == 2) path = argv[1];
  LocalFree(argv);
  return FullPath(path);
}

bool CreateProgramMutex() {
  // The handle is never closed: the mutex is held until the process ends.
  HANDLE mutex = CreateMutexW(nullptr, FALSE, kMutexName);
  return mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}
