// The document path from the command line and the program's named mutex.
#include "app/command_line.h"

#include "app/locations.h"
#include "platform/windows.h"

std::wstring DocumentPathFromCommandLine() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return std::wstring();
  std::wstring path;
  if (argc == 2) path = argv[1];
  LocalFree(argv);
  return path;
}

bool CreateProgramMutex() {
  // The handle is never closed: the mutex is held until the process ends.
  HANDLE mutex = CreateMutexW(nullptr, FALSE, kMutexName);
  return mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}
