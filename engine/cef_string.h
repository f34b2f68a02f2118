// The engine's text type: wide text (one wchar_t per code point here), built
// from and turned into UTF-8 or UTF-16 at the edges.
#pragma once

#include <string>

class CefString {
 public:
  CefString() = default;
  CefString(const std::wstring& text) : text_(text) {}
  CefString(std::wstring&& text) : text_(std::move(text)) {}
  CefString(const wchar_t* text) : text_(text ? text : L"") {}
  // UTF-8; invalid input follows the rule of platform/unicode_text.h.
  CefString(const std::string& utf8) { FromString(utf8); }
  CefString(const char* utf8) { FromString(utf8 ? std::string(utf8) : std::string()); }

  void FromString(const std::string& utf8);

  std::string ToString() const;  // UTF-8
  // UTF-16 code units as JavaScript holds them: a surrogate pair becomes one
  // character and a lone surrogate stays a character of its own, so text
  // goes back to the same units (ToString16) whatever the page held.
  void FromString16(const std::u16string& units);
  std::u16string ToString16() const;
  std::wstring ToWString() const { return text_; }
  operator std::wstring() const { return text_; }

  const wchar_t* c_str() const { return text_.c_str(); }
  std::size_t length() const { return text_.length(); }
  bool empty() const { return text_.empty(); }
  void clear() { text_.clear(); }

  friend bool operator==(const CefString& a, const CefString& b) { return a.text_ == b.text_; }
  friend bool operator<(const CefString& a, const CefString& b) { return a.text_ < b.text_; }

 private:
  std::wstring text_;
};
