// One download job: where the file goes, where it comes from, and the name
// its row shows. A plain value, copied into every window and thread using it.
#pragma once

#include <string>

struct DownloadItem {
  std::wstring path;  // full path of the local target file
  std::wstring url;   // source URL, without the cache-busting suffix
  std::wstring name;  // the row's title
};
