// Percent-escaping of document paths for the offline editor's address, and
// percent-decoding of file names taken from download links.
#pragma once

#include <string>

std::string UrlEscape(const std::string& text);
std::string UrlUnescape(const std::string& text);
std::wstring EscapeDocumentPath(const std::wstring& path);
std::wstring UrlDecodeToWide(const std::wstring& text);
