// The download row's arithmetic: byte counts as size texts and the bar value.
#pragma once

#include <string>

#include "platform/windows.h"

// "1KB" up to 1024 bytes, "%.2fKB" below 1 MiB, "%.2fMB" from 1 MiB on.
std::wstring SizeText(ULONG bytes);

// progress * 100 / total, truncated; computed in 64 bits so no 32-bit count
// overflows. total must not be 0 (the sink drops such reports); 0 is returned then.
int ProgressPercent(ULONG progress, ULONG total);
