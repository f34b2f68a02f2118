// One row of the download list window, built in code: the job's name and
// bar, its sizes or state with 取消 and 重试, and, once it is finished, its
// size with 打开文件 and 打开文件夹 (hidden until the row's state shows
// them). The window adds one per job; the toolkit's demo shows sample rows.
#pragma once

#include <string>

#include "ui/ui_lib.h"

// A new row for the job with that name; index, the job's place in the list,
// is kept as the tag of the row's layout.
CListContainerElementUI* MakeDownloadRow(const std::wstring& name, int index);
