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
