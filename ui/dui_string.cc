// The toolkit's wide string.
#include "ui/dui_string.h"

#include <cstdarg>
#include <cwchar>
#include <cwctype>
#include <vector>

CDuiString::CDuiString(const wchar_t* text) { Assign(text); }
CDuiString::CDuiString(const wchar_t* text, int length) { Assign(text, length); }
CDuiString::CDuiString(const std::wstring& text) : text_(text) {}
CDuiString::CDuiString(wchar_t ch) : text_(1, ch) {}

wchar_t CDuiString::GetAt(int index) const {
  if (index < 0 || index >= GetLength()) return L'\0';
  return text_[static_cast<size_t>(index)];
}

void CDuiString::Assign(const wchar_t* text, int length) {
  if (text == nullptr) {
    text_.clear();
    return;
  }
  if (length < 0) {
    text_.assign(text);
  } else {
    // Stop at an embedded zero, as a C string would.
    size_t n = 0;
    while (n < static_cast<size_t>(length) && text[n] != L'\0') ++n;
    text_.assign(text, n);
  }
}

void CDuiString::Append(const wchar_t* text) {
  if (text != nullptr) text_.append(text);
}

CDuiString& CDuiString::operator=(const wchar_t* text) {
  Assign(text);
  return *this;
}
CDuiString& CDuiString::operator=(wchar_t ch) {
  text_.assign(1, ch);
  return *this;
}
CDuiString& CDuiString::operator+=(const CDuiString& other) {
  text_ += other.text_;
  return *this;
}
CDuiString& CDuiString::operator+=(const wchar_t* text) {
  Append(text);
  return *this;
}
CDuiString& CDuiString::operator+=(wchar_t ch) {
  text_ += ch;
  return *this;
}
CDuiString CDuiString::operator+(const CDuiString& other) const {
  return CDuiString(text_ + other.text_);
}
CDuiString CDuiString::operator+(const wchar_t* text) const {
  CDuiString out(*this);
  out.Append(text);
  return out;
}

int CDuiString::Compare(const wchar_t* text) const {
  return std::wcscmp(text_.c_str(), text ? text : L"");
}

CDuiString CDuiString::Left(int length) const {
  if (length < 0) length = 0;
  return CDuiString(text_.substr(0, static_cast<size_t>(length)));
}

CDuiString CDuiString::Mid(int pos, int length) const {
  if (pos < 0) pos = 0;
  if (pos >= GetLength()) return CDuiString();
  size_t n = length < 0 ? std::wstring::npos : static_cast<size_t>(length);
  return CDuiString(text_.substr(static_cast<size_t>(pos), n));
}

int CDuiString::Find(wchar_t ch, int pos) const {
  if (pos < 0 || pos > GetLength()) return -1;
  size_t at = text_.find(ch, static_cast<size_t>(pos));
  return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CDuiString::Find(const wchar_t* text, int pos) const {
  if (text == nullptr || pos < 0 || pos > GetLength()) return -1;
  size_t at = text_.find(text, static_cast<size_t>(pos));
  return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CDuiString::ReverseFind(wchar_t ch) const {
  size_t at = text_.rfind(ch);
  return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CDuiString::Replace(const wchar_t* from, const wchar_t* to) {
  if (from == nullptr || *from == L'\0') return 0;
  std::wstring with = to ? to : L"";
  std::wstring what = from;
  int count = 0;
  size_t pos = 0;
  while ((pos = text_.find(what, pos)) != std::wstring::npos) {
    text_.replace(pos, what.size(), with);
    pos += with.size();
    ++count;
  }
  return count;
}

namespace {

// Wide formats of the original platform read %s and %c as wide text (%hs and
// %hc as narrow); the C library reads them as narrow. Rewrite the format so
// that text formatted for the original reads the same here.
std::wstring WideFormat(const wchar_t* format) {
  std::wstring out;
  for (const wchar_t* p = format; *p != L'\0'; ++p) {
    out += *p;
    if (*p != L'%') continue;
    ++p;
    if (*p == L'%') {
      out += *p;
      continue;
    }
    // flags, width, precision
    while (*p != L'\0' && std::wcschr(L"-+ #0123456789.*", *p) != nullptr) out += *p++;
    bool narrow = false, wide = false;
    while (*p != L'\0' && std::wcschr(L"hlLqjzt", *p) != nullptr) {
      if (*p == L'h') narrow = true;
      if (*p == L'l') wide = true;
      if (*p != L'h') out += *p;
      ++p;
    }
    if (*p == L'\0') break;
    if ((*p == L's' || *p == L'c') && !narrow && !wide) out += L'l';
    out += *p;
  }
  return out;
}

}  // namespace

int CDuiString::Format(const wchar_t* format_text, ...) {
  text_.clear();
  if (format_text == nullptr) return 0;
  const std::wstring format_string = WideFormat(format_text);
  const wchar_t* format = format_string.c_str();
  // vswprintf reports "too small" and "bad format" alike, so grow the buffer
  // a few times and give up beyond a sane size.
  std::vector<wchar_t> buffer(256);
  for (int attempt = 0; attempt < 8; ++attempt) {
    va_list args;
    va_start(args, format_text);
    int n = std::vswprintf(buffer.data(), buffer.size(), format, args);
    va_end(args);
    if (n >= 0) {
      text_.assign(buffer.data(), static_cast<size_t>(n));
      return n;
    }
    buffer.resize(buffer.size() * 4);
  }
  return -1;
}

bool operator==(const CDuiString& a, const CDuiString& b) { return a.str() == b.str(); }
bool operator==(const CDuiString& a, const wchar_t* b) { return a.Compare(b) == 0; }
bool operator<(const CDuiString& a, const CDuiString& b) { return a.str() < b.str(); }
CDuiString operator+(const wchar_t* a, const CDuiString& b) {
  CDuiString out(a);
  out += b;
  return out;
}
