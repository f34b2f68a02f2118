// The download row's size texts: byte counts as the row shows them.
#pragma once

#include <string>

#include "platform/windows.h"

// "1KB" up to 1024 bytes, "%.2fKB" below 1 MiB, "%.2fMB" from 1 MiB on.
std::wstring SizeText(ULONG bytes);
