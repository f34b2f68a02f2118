// Percent-escaping of document paths for the offline editor's address and
// percent-decoding of file names taken from download links.
#include "util/url_escape.h"

#include <string_view>

#include "platform/windows.h"
#include "util/text_convert.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Characters whose escapes are left as they are: letters, digits and the URL
// delimiters, which mean something different escaped than plain.
bool KeepsItsEscape(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("!$&'()*+,-./:;=?@_").find(static_cast<char>(c)) !=
         std::string_view::npos;
}

// The one decoder: '%' and two hex digits become that byte unless keep says
// the escape stays as it is; '+' becomes a space when asked.
std::string Unescape(const std::string& text, bool plus_is_space, bool (*keep)(unsigned char)) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '+' && plus_is_space) {
      out += ' ';
      continue;
    }
    if (c == '%' && i + 2 < text.size()) {
      int high = HexValue(static_cast<unsigned char>(text[i + 1]));
      int low = HexValue(static_cast<unsigned char>(text[i + 2]));
      if (high >= 0 && low >= 0) {
        unsigned char value = static_cast<unsigned char>(high * 16 + low);
        if (keep(value)) {
          out += '%';
        } else {
          out += static_cast<char>(value);
          i += 2;
        }
        continue;
      }
    }
    out += static_cast<char>(c);
  }
  return out;
}

}  // namespace

// Non-ASCII bytes and spaces are escaped, and so are '#', '&', '+' and '%': in
// the editor's address they would end the file value, start another query
// value, read as a space, or start an escape, and the editor decodes the value
// exactly once. '?', ';', ':', '\' and '/' stay, so a path keeps its
// separators.
std::string UrlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c >= 0x80 || c == ' ' || c == '#' || c == '&' || c == '+' || c == '%') {
      out += '%';
      out += kHexDigits[c >> 4];
      out += kHexDigits[c & 0x0F];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string UrlUnescape(const std::string& text) {
  return Unescape(text, /*plus_is_space=*/true, KeepsItsEscape);
}

std::string PercentDecode(const std::string& text) {
  return Unescape(text, /*plus_is_space=*/false, [](unsigned char) { return false; });
}

std::wstring EscapeDocumentPath(const std::wstring& path) {
  std::string narrow;
  WideToAnsi(path, narrow);
  std::string escaped = AnsiToUtf8(UrlEscape(AnsiToUtf8(narrow)));
  std::wstring result = path;
  AnsiToWide(escaped, result);
  return result;
}

std::wstring FilePathToUrl(const std::wstring& path) {
  std::string utf8;
  if (!path.empty()) {
    int n = WideCharToMultiByte(CP_UTF8, 0, path.c_str(), static_cast<int>(path.size()), nullptr, 0,
                                nullptr, nullptr);
    if (n > 0) {
      utf8.resize(static_cast<size_t>(n));
      WideCharToMultiByte(CP_UTF8, 0, path.c_str(), static_cast<int>(path.size()), utf8.data(), n,
                          nullptr, nullptr);
    }
  }
  // Everything but unreserved characters and the separator is escaped, so
  // '?', '#', '%' and ';' stay part of the name.
  std::wstring url = L"file://";
  for (unsigned char c : utf8) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
        std::string_view("-._~/").find(static_cast<char>(c)) != std::string_view::npos) {
      url += static_cast<wchar_t>(c);
    } else {
      url += L'%';
      url += static_cast<wchar_t>(kHexDigits[c >> 4]);
      url += static_cast<wchar_t>(kHexDigits[c & 0x0F]);
    }
  }
  return url;
}

std::wstring UrlDecodeToWide(const std::wstring& text) {
  std::string narrow;
  WideToAnsi(text, narrow);
  std::string decoded = Utf8ToAnsi(UrlUnescape(Utf8ToAnsi(narrow)));
  std::wstring result;
  AnsiToWide(decoded, result);
  return result;
}
