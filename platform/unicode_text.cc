// The UTF-8 decoder follows the table of well-formed byte sequences: the
// first byte fixes how many bytes follow and the range the second may take;
// the first byte outside that range ends the sequence, and is read again as
// the start of the next one.
#include "platform/unicode_text.h"

#include <glib.h>

#include <cstdint>
#include <cstring>
#include <cwchar>

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsScalarValue(char32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::size_t AppendUtf8AsWide(std::string_view utf8, std::wstring& out) {
  std::size_t replaced = 0;
  std::size_t i = 0;
  const std::size_t n = utf8.size();
  while (i < n) {
    const auto lead = static_cast<unsigned char>(utf8[i++]);
    if (lead < 0x80) {
      out += static_cast<wchar_t>(lead);
      continue;
    }
    std::size_t follow = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    char32_t c = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      follow = 1;
      c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      follow = 2;
      c = lead & 0x0F;
      if (lead == 0xE0) low = 0xA0;   // no overlong forms
      if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      follow = 3;
      c = lead & 0x07;
      if (lead == 0xF0) low = 0x90;   // no overlong forms
      if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
      out += static_cast<wchar_t>(kReplacement);
      ++replaced;
      continue;
    }
    bool complete = true;
    for (std::size_t k = 0; k < follow; ++k, low = 0x80, high = 0xBF) {
      const auto byte = i < n ? static_cast<unsigned char>(utf8[i]) : 0;
      if (i >= n || byte < low || byte > high) {
        complete = false;
        break;
      }
      c = (c << 6) | (byte & 0x3F);
      ++i;
    }
    if (complete) {
      out += static_cast<wchar_t>(c);
    } else {
      out += static_cast<wchar_t>(kReplacement);
      ++replaced;
    }
  }
  return replaced;
}

std::size_t AppendWideAsUtf8(std::wstring_view wide, std::string& out) {
  std::size_t replaced = 0;
  for (wchar_t unit : wide) {
    auto c = static_cast<char32_t>(unit);
    if (!IsScalarValue(c)) {
      c = kReplacement;
      ++replaced;
    }
    AppendUtf8(c, out);
  }
  return replaced;
}

std::wstring Utf8ToWide(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  AppendUtf8AsWide(utf8, out);
  return out;
}

std::wstring Utf8ToWide(const char* utf8) {
  return utf8 == nullptr ? std::wstring() : Utf8ToWide(std::string_view(utf8));
}

std::string WideToUtf8(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size());
  AppendWideAsUtf8(wide, out);
  return out;
}

std::string WideToUtf8(const wchar_t* wide) {
  return wide == nullptr ? std::string() : WideToUtf8(std::wstring_view(wide));
}

std::wstring Utf16ToWide(std::u16string_view utf16) {
  std::wstring out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    const char32_t unit = utf16[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      out += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
      ++i;
    } else {
      out += static_cast<wchar_t>(unit);
    }
  }
  return out;
}

std::u16string WideToUtf16(std::wstring_view wide) {
  std::u16string out;
  out.reserve(wide.size());
  for (wchar_t unit : wide) {
    auto c = static_cast<char32_t>(unit);
    if (c > 0x10FFFF) c = kReplacement;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

bool IsFormatCharacter(char32_t c) {
  // GLib's character tables follow the Unicode version it was built with.
  return IsScalarValue(c) && g_unichar_type(static_cast<gunichar>(c)) == G_UNICODE_FORMAT;
}

}  // namespace platform
