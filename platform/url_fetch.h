// A short reply fetched into memory, within a time bound and a size bound: for
// requests that something waits on (the update check runs before the main
// window is shown), which must end however the server behaves.
#pragma once

#include <cstddef>
#include <string>

#include "platform/windows.h"

namespace platform {

// GETs url (http or https; redirects are followed) into body. The whole
// request (name resolution, connection, redirects and the reply) ends within
// timeout_ms, and a reply longer than max_bytes is refused. S_OK only for a
// whole 2xx reply within both bounds; otherwise a failure code and an empty
// body. Nothing is written to disk. Any thread.
// The URL as the transfer calls send it: UTF-8, with blanks, controls and
// non-ASCII bytes percent-encoded.
std::string UrlForTransfer(const std::wstring& url);

HRESULT FetchUrlToMemory(const std::wstring& url, std::size_t max_bytes, long timeout_ms,
                         std::string* body);

}  // namespace platform
