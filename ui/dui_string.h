// CDuiString: the toolkit's wide string. Text handed to controls and read
// back from them travels in it; it converts to a plain wide C string where a
// call takes one.
#pragma once

#include <string>

class CDuiString {
 public:
  CDuiString() = default;
  CDuiString(const wchar_t* text);  // NOLINT: implicit, as text literals are passed everywhere
  CDuiString(const wchar_t* text, int length);
  CDuiString(const std::wstring& text);  // NOLINT
  CDuiString(wchar_t ch);                // NOLINT

  const wchar_t* GetData() const { return text_.c_str(); }
  operator const wchar_t*() const { return text_.c_str(); }  // NOLINT
  const std::wstring& str() const { return text_; }

  int GetLength() const { return static_cast<int>(text_.size()); }
  bool IsEmpty() const { return text_.empty(); }
  void Empty() { text_.clear(); }
  wchar_t GetAt(int index) const;
  wchar_t operator[](int index) const { return GetAt(index); }

  void Assign(const wchar_t* text, int length = -1);
  void Append(const wchar_t* text);
  CDuiString& operator=(const wchar_t* text);
  CDuiString& operator=(wchar_t ch);
  CDuiString& operator+=(const CDuiString& other);
  CDuiString& operator+=(const wchar_t* text);
  CDuiString& operator+=(wchar_t ch);
  CDuiString operator+(const CDuiString& other) const;
  CDuiString operator+(const wchar_t* text) const;

  int Compare(const wchar_t* text) const;

  CDuiString Left(int length) const;
  CDuiString Mid(int pos, int length = -1) const;
  int Find(wchar_t ch, int pos = 0) const;
  int Find(const wchar_t* text, int pos = 0) const;
  int ReverseFind(wchar_t ch) const;
  int Replace(const wchar_t* from, const wchar_t* to);

  // printf-style formatting with wide format strings: %d, %.2f, ... and, as
  // on the original platform, %s and %c for wide text and characters (%hs,
  // %hc for narrow ones). Returns the new length; on a formatting error the
  // string is left empty and -1 is returned.
  int Format(const wchar_t* format, ...);

 private:
  std::wstring text_;
};

bool operator==(const CDuiString& a, const CDuiString& b);
bool operator==(const CDuiString& a, const wchar_t* b);
bool operator<(const CDuiString& a, const CDuiString& b);
CDuiString operator+(const wchar_t* a, const CDuiString& b);
