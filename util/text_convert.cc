// Narrow/wide text conversions. AnsiToUtf8, Utf8ToAnsi and AnsiToWide use the
// system code page through the platform's conversion calls; WideToAnsi uses
// the C runtime with the user's locale.
#include "util/text_convert.h"

#include <climits>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

#include "platform/windows.h"

namespace {

// Text up to its first zero byte, from one code page to another through wide
// text; empty when nothing converts.
std::string Reencode(UINT from, UINT to, const std::string& text) {
  const char* source = text.c_str();
  if (*source == '\0') return std::string();
  int wide_size = MultiByteToWideChar(from, 0, source, -1, nullptr, 0);
  if (wide_size <= 0) return std::string();
  std::wstring wide(static_cast<size_t>(wide_size), L'\0');
  MultiByteToWideChar(from, 0, source, -1, wide.data(), wide_size);
  int size = WideCharToMultiByte(to, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(to, 0, wide.c_str(), -1, out.data(), size, nullptr, nullptr);
  out.resize(static_cast<size_t>(size) - 1);
  return out;
}

bool IsPlainCLocale(const char* name) {
  return name == nullptr || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0;
}

}  // namespace

std::string AnsiToUtf8(const std::string& ansi) { return Reencode(CP_ACP, CP_UTF8, ansi); }

std::string Utf8ToAnsi(const std::string& utf8) { return Reencode(CP_UTF8, CP_ACP, utf8); }

int AnsiToWide(const std::string& ansi, std::wstring& wide) {
  if (ansi.empty() || ansi.size() > INT_MAX) return 0;
  int size = static_cast<int>(ansi.size());
  int count = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
  if (count <= 0) return 0;
  std::wstring converted(static_cast<size_t>(count), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, converted.data(), count);
  size_t start = converted[0] == 0xFEFF ? 1 : 0;  // a byte-order mark is not text
  wide.assign(converted.c_str() + start);
  return 1;
}

int WideToAnsi(const std::wstring& wide, std::string& ansi) {
  std::setlocale(LC_CTYPE, "");
  if (wide.empty()) {
    ansi.clear();
    return 1;
  }
  // The plain C locale has no characters beyond ASCII; file names here are
  // UTF-8 by convention then, as the system code page is.
  if (IsPlainCLocale(std::setlocale(LC_CTYPE, nullptr))) {
    int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? static_cast<size_t>(size) : 1, '\0');
    if (size > 0)
      WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, out.data(), size, nullptr, nullptr);
    ansi.assign(out.c_str());
    return 1;
  }
  std::vector<char> buffer(wide.size() * 4 + 1, '\0');
  size_t n = std::wcstombs(buffer.data(), wide.c_str(), buffer.size());
  if (n != static_cast<size_t>(-1)) {
    ansi.assign(buffer.data(), n);
    return 1;
  }
  // One character the locale cannot write must not cost the whole text:
  // convert one by one and put '?' for each such character.
  std::string out;
  std::mbstate_t state{};
  char one[MB_LEN_MAX];
  for (const wchar_t* p = wide.c_str(); *p != L'\0'; ++p) {
    size_t k = std::wcrtomb(one, *p, &state);
    if (k == static_cast<size_t>(-1)) {
      state = std::mbstate_t{};
      out += '?';
    } else {
      out.append(one, k);
    }
  }
  ansi = out;
  return 1;
}
