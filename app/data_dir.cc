// The per-user data directory: where it is, and removal of a tree under it.
#include "app/data_dir.h"

#include "app/locations.h"
#include "platform/windows.h"

std::wstring g_strDataDir;

std::wstring GetDataDir() {
  wchar_t folder[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_LOCAL_APPDATA, FALSE)) return std::wstring();
  return std::wstring(folder) + kDataDirName;
}

std::string GetDataDirA() {
  char folder[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathA(nullptr, folder, CSIDL_LOCAL_APPDATA, FALSE)) return std::string();
  return std::string(folder) + kDataDirNameA;
}

int RemoveDirectoryTree(const std::string& path) {
  // The shell takes a list of paths, each ended by a zero and the list by a
  // second zero.
  std::string list = path;
  list.push_back('\0');
  list.push_back('\0');
  SHFILEOPSTRUCTA operation;
  operation.hwnd = nullptr;
  operation.wFunc = FO_DELETE;
  operation.pFrom = list.c_str();
  operation.pTo = nullptr;
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;
  return SHFileOperationA(&operation);
}
