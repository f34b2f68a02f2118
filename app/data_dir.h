// The per-user data directory and the program-wide copy of its path.
#pragma once

#include <string>

// Set once by the main window during its initialisation; read afterwards.
extern std::wstring g_strDataDir;

std::wstring GetDataDir();
std::string GetDataDirA();
// Removes a file, or a folder with everything beneath it, through the
// shell's file operation (platform/shell_folders.cc: links are removed, never
// followed); 0 when all went, else the shell's error code.
int RemoveDirectoryTree(const std::string& path);
