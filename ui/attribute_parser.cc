// Parsing of skin attribute values.
#include "ui/attribute_parser.h"

#include <cwchar>
#include <cwctype>

namespace ui {

bool ParseColor(const std::wstring& text, std::uint32_t* color) {
  std::wstring t = text;
  while (!t.empty() && std::iswspace(static_cast<wint_t>(t.front()))) t.erase(0, 1);
  while (!t.empty() && std::iswspace(static_cast<wint_t>(t.back()))) t.pop_back();
  std::wstring digits;
  if (!t.empty() && t[0] == L'#') {
    digits = t.substr(1);
  } else if (t.size() > 2 && t[0] == L'0' && (t[1] == L'x' || t[1] == L'X')) {
    digits = t.substr(2);
  } else {
    return false;
  }
  if (digits.size() != 6 && digits.size() != 8) return false;
  std::uint32_t value = 0;
  for (wchar_t c : digits) {
    int v;
    if (c >= L'0' && c <= L'9')
      v = c - L'0';
    else if (c >= L'a' && c <= L'f')
      v = c - L'a' + 10;
    else if (c >= L'A' && c <= L'F')
      v = c - L'A' + 10;
    else
      return false;
    value = (value << 4) | static_cast<std::uint32_t>(v);
  }
  if (digits.size() == 6) value |= 0xFF000000u;
  *color = value;
  return true;
}

namespace {

std::vector<int> ParseInts(const std::wstring& text, size_t count) {
  std::vector<int> out(count, 0);
  size_t pos = 0;
  for (size_t i = 0; i < count && pos <= text.size(); ++i) {
    size_t comma = text.find(L',', pos);
    std::wstring field =
        text.substr(pos, comma == std::wstring::npos ? std::wstring::npos : comma - pos);
    out[i] = ParseInt(field, 0);
    if (comma == std::wstring::npos) break;
    pos = comma + 1;
  }
  return out;
}

}  // namespace

RECT ParseRect(const std::wstring& text) {
  auto v = ParseInts(text, 4);
  RECT rc;
  rc.left = v[0];
  rc.top = v[1];
  rc.right = v[2];
  rc.bottom = v[3];
  return rc;
}

SIZE ParseSize(const std::wstring& text) {
  auto v = ParseInts(text, 2);
  SIZE sz;
  sz.cx = v[0];
  sz.cy = v[1];
  return sz;
}

int ParseInt(const std::wstring& text, int fallback) {
  const wchar_t* start = text.c_str();
  wchar_t* end = nullptr;
  long v = std::wcstol(start, &end, 10);
  if (end == start) return fallback;
  if (v > 1000000) v = 1000000;
  if (v < -1000000) v = -1000000;
  return static_cast<int>(v);
}

bool ParseBool(const std::wstring& text) { return text == L"true" || text == L"1"; }

std::vector<std::pair<std::wstring, std::wstring>> ParseAttributeList(const std::wstring& list) {
  std::vector<std::pair<std::wstring, std::wstring>> out;
  size_t i = 0;
  const size_t n = list.size();
  for (;;) {
    while (i < n && std::iswspace(static_cast<wint_t>(list[i]))) ++i;
    if (i >= n) break;
    size_t name_start = i;
    while (i < n && list[i] != L'=' && !std::iswspace(static_cast<wint_t>(list[i]))) ++i;
    std::wstring name = list.substr(name_start, i - name_start);
    while (i < n && std::iswspace(static_cast<wint_t>(list[i]))) ++i;
    if (name.empty() || i >= n || list[i] != L'=') break;
    ++i;
    while (i < n && std::iswspace(static_cast<wint_t>(list[i]))) ++i;
    if (i >= n || (list[i] != L'"' && list[i] != L'\'')) break;
    wchar_t quote = list[i++];
    size_t value_start = i;
    while (i < n && list[i] != quote) ++i;
    if (i >= n) break;
    out.emplace_back(name, list.substr(value_start, i - value_start));
    ++i;
  }
  return out;
}

ImageSpec ParseImageSpec(const std::wstring& text) {
  ImageSpec image;
  if (text.find(L'=') == std::wstring::npos) {
    image.file = text;
    return image;
  }
  for (const auto& [name, value] : ParseAttributeList(text)) {
    if (name == L"file" || name == L"res") {
      image.file = value;
    } else if (name == L"source") {
      image.source = ParseRect(value);
      image.has_source = true;
    } else if (name == L"dest") {
      image.dest = ParseRect(value);
      image.has_dest = true;
    } else if (name == L"corner") {
      image.corner = ParseRect(value);
    } else if (name == L"fade") {
      image.fade = ParseInt(value, 255);
      if (image.fade < 0) image.fade = 0;
      if (image.fade > 255) image.fade = 255;
    }
  }
  return image;
}

}  // namespace ui
