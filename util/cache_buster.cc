#include "util/cache_buster.h"

#include <cwchar>
#include <iterator>

#include "platform/windows.h"

std::wstring CacheBustingQuery() {
  wchar_t query[32];
  std::swprintf(query, std::size(query), L"?skq=%d", static_cast<int>(GetTickCount()));
  return query;
}

std::wstring CacheBustedUrl(const std::wstring& url) { return url + CacheBustingQuery(); }
