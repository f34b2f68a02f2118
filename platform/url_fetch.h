// A short reply fetched into memory, within a time bound and a size bound: for
// requests that something waits on (the update check runs before the main
// window is shown), which must end however the server behaves.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "platform/windows.h"

namespace platform {

// The URL as the transfer calls send it: UTF-8, with blanks, controls and
// non-ASCII bytes percent-encoded.
std::string UrlForTransfer(const std::wstring& url);

// The origin of an http or https URL as the transfers read it:
// "scheme://host:port", scheme and host in lower case, the port always
// written. Empty for anything else (another scheme, no host, a URL the
// transfers would not take).
std::string UrlOrigin(const std::string& url);

// Says whether a transfer may go to a URL (absolute, as it will be
// requested): asked before the first request and for every redirect before
// it is followed, so a refused address is never even connected to.
using UrlFilter = std::function<bool(const std::string& url)>;

// GETs url (http or https; redirects are followed) into body. The whole
// request (name resolution, connection, redirects and the reply) ends within
// timeout_ms, and a reply longer than max_bytes is refused. When allow is
// given, a URL it refuses (the first or a redirect's) ends the request with
// E_ACCESSDENIED. S_OK only for a whole 2xx reply within both bounds;
// otherwise a failure code and an empty body. Nothing is written to disk.
// Any thread.
HRESULT FetchUrlToMemory(const std::wstring& url, std::size_t max_bytes, long timeout_ms,
                         std::string* body, const UrlFilter& allow = {});

}  // namespace platform
