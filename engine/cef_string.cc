// Conversions of the engine's text type, over GLib's UTF-8 routines.
#include "engine/cef_string.h"

#include <glib.h>

void CefString::FromString(const std::string& utf8) {
  text_.clear();
  const char* p = utf8.data();
  const char* end = p + utf8.size();
  while (p < end) {
    gunichar c = g_utf8_get_char_validated(p, end - p);
    if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) {
      text_.push_back(L'\uFFFD');
      ++p;
      continue;
    }
    text_.push_back(static_cast<wchar_t>(c));
    p = (c == 0) ? p + 1 : g_utf8_next_char(p);
  }
}

std::string CefString::ToString() const {
  std::string out;
  out.reserve(text_.size());
  for (wchar_t wc : text_) {
    gunichar c = static_cast<gunichar>(wc);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    char buf[6];
    int n = g_unichar_to_utf8(c, buf);
    out.append(buf, n);
  }
  return out;
}

void CefString::FromString16(const std::u16string& units) {
  text_.clear();
  text_.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char32_t unit = units[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      text_.push_back(
          static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00)));
      ++i;
    } else {
      text_.push_back(static_cast<wchar_t>(unit));
    }
  }
}

std::u16string CefString::ToString16() const {
  std::u16string units;
  units.reserve(text_.size());
  for (wchar_t wc : text_) {
    auto c = static_cast<char32_t>(wc);
    if (c > 0x10FFFF) c = 0xFFFD;
    if (c >= 0x10000) {
      c -= 0x10000;
      units.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(c));
    }
  }
  return units;
}
