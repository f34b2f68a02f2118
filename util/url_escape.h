// Percent-escaping of document paths for the offline editor's address and of
// file paths as file URLs, and percent-decoding of file names taken from
// download links.
#pragma once

#include <string>

std::string UrlEscape(const std::string& text);
// Decoding of a link's file name: '+' is a space, and escapes of letters,
// digits and URL delimiters stay as they are.
std::string UrlUnescape(const std::string& text);
// Plain percent-decoding, as the path of a file URL needs it: every valid
// escape becomes its byte (a zero byte included), anything else stays.
std::string PercentDecode(const std::string& text);
std::wstring EscapeDocumentPath(const std::wstring& path);
std::wstring UrlDecodeToWide(const std::wstring& text);
// The file URL of an absolute file-system path (UTF-8, percent-escaped), so
// that every character of the path, '?' and '#' included, names the file.
std::wstring FilePathToUrl(const std::wstring& path);
