// The per-user data directory.
#include "app/data_dir.h"

std::wstring g_strDataDir;
