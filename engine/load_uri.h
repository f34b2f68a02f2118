// What the engine loads for a URL given to CefFrame::LoadURL, and how the
// view writes it.
#pragma once

#include <string>

namespace engine {

// An absolute file-system path (it starts with '/'), with or without a
// "?query", becomes a file:// URI of the path with the query appended as
// given; an empty text becomes about:blank; anything else is taken as a URL
// unchanged. The result is UTF-8.
std::string ToLoadUri(const std::wstring& url);

// uri written as the view writes the addresses of its loads (scheme and
// host in lower case, characters a URL may not hold escaped, dot segments
// resolved), so that an address the client asked for compares equal to the
// view's news of it.
std::string ViewAddress(const std::string& uri);

}  // namespace engine
