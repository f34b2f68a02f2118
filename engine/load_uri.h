// What the engine loads for a URL given to CefFrame::LoadURL.
#pragma once

#include <string>

namespace engine {

// An absolute file-system path (it starts with '/'), with or without a
// "?query", becomes a file:// URI of the path with the query appended as
// given; an empty text becomes about:blank; anything else is taken as a URL
// unchanged. The result is UTF-8.
std::string ToLoadUri(const std::wstring& url);

}  // namespace engine
