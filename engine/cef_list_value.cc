// The process-message argument list.
#include "engine/cef_list_value.h"

namespace {
// An index beyond this is refused rather than allocated.
constexpr std::size_t kMaxEntries = 1 << 16;
}  // namespace

CefRefPtr<CefListValue> CefListValue::Create() { return new CefListValue(); }

bool CefListValue::SetSize(std::size_t size) {
  if (size > kMaxEntries) return false;
  values_.resize(size);
  return true;
}

bool CefListValue::SetString(std::size_t index, const CefString& value) {
  if (index >= kMaxEntries) return false;
  if (index >= values_.size()) values_.resize(index + 1);
  values_[index] = value;
  return true;
}

bool CefListValue::SetInt(std::size_t index, int value) {
  if (index >= kMaxEntries) return false;
  if (index >= values_.size()) values_.resize(index + 1);
  values_[index] = value;
  return true;
}

bool CefListValue::IsString(std::size_t index) const {
  return index < values_.size() && std::holds_alternative<CefString>(values_[index]);
}

bool CefListValue::IsInt(std::size_t index) const {
  return index < values_.size() && std::holds_alternative<int>(values_[index]);
}

CefString CefListValue::GetString(std::size_t index) const {
  return IsString(index) ? std::get<CefString>(values_[index]) : CefString();
}

int CefListValue::GetInt(std::size_t index) const {
  return IsInt(index) ? std::get<int>(values_[index]) : 0;
}
