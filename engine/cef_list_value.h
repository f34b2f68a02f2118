// An ordered list of strings and integers, the arguments of a process message.
#pragma once

#include <variant>
#include <vector>

#include "engine/cef_ref_ptr.h"
#include "engine/cef_string.h"

class CefListValue : public CefBaseRefCounted {
 public:
  static CefRefPtr<CefListValue> Create();

  std::size_t GetSize() const { return values_.size(); }
  // Grows the list with empty entries or shrinks it.
  bool SetSize(std::size_t size);
  void Clear() { values_.clear(); }

  // Setting an index past the end grows the list to hold it.
  bool SetString(std::size_t index, const CefString& value);
  bool SetInt(std::size_t index, int value);
  bool IsString(std::size_t index) const;
  bool IsInt(std::size_t index) const;
  // The empty text or 0 for an entry that is missing or of another type.
  CefString GetString(std::size_t index) const;
  int GetInt(std::size_t index) const;

 private:
  CefListValue() = default;
  using Value = std::variant<std::monostate, CefString, int>;

  std::vector<Value> values_;

  IMPLEMENT_REFCOUNTING(CefListValue);
};
