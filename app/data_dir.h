// The per-user data directory and the program-wide copy of its path.
#pragma once

#include <string>

// Set once by the main window during its initialisation; read afterwards.
extern std::wstring g_strDataDir;

std::wstring GetDataDir();
std::string GetDataDirA();
int RemoveDirectoryTree(const std::string& path);
