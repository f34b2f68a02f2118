// Sanitising of archive entry names.
#include "update/entry_name.h"

#include <string_view>

namespace {

bool IsSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

// The position just after the first parent-directory step written with any
// mix of separators, or npos.
std::wstring::size_type AfterFirstParentStep(const std::wstring& name) {
  static const wchar_t* const kSteps[] = {L"\\..\\", L"\\../", L"/../", L"/..\\"};
  std::wstring::size_type first = std::wstring::npos;
  for (const wchar_t* step : kSteps) {
    const auto pos = name.find(step);
    if (pos < first) first = pos;
  }
  return first == std::wstring::npos ? first : first + 4;
}

}  // namespace

bool EntryNameLeaves(const std::wstring& name) {
  if (!name.empty() && IsSeparator(name[0])) return true;
  if (name.size() >= 2 && name[1] == L':') return true;
  std::size_t depth = 0;
  std::wstring::size_type start = 0;
  while (start <= name.size()) {
    auto end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    const std::wstring_view part(name.data() + start, end - start);
    if (part == L"..") {
      if (depth == 0) return true;
      --depth;
    } else if (!part.empty() && part != L".") {
      ++depth;
    }
    start = end + 1;
  }
  return false;
}

std::wstring MakeSafeEntryName(const std::wstring& name) {
  std::wstring safe = name;
  // Every step shortens the name, so the loop ends.
  for (bool changed = true; changed;) {
    changed = false;
    if (safe.size() >= 2 && safe[1] == L':') {
      safe.erase(0, 2);
      changed = true;
    }
    if (!safe.empty() && IsSeparator(safe[0])) {
      safe.erase(0, 1);
      changed = true;
    }
    const auto after = AfterFirstParentStep(safe);
    if (after != std::wstring::npos) {
      safe.erase(0, after);
      changed = true;
    }
  }
  return safe;
}

bool SplitEntryName(const std::wstring& safeName, std::vector<std::wstring>& components) {
  components.clear();
  std::wstring::size_type start = 0;
  while (start <= safeName.size()) {
    auto end = start;
    while (end < safeName.size() && !IsSeparator(safeName[end])) ++end;
    std::wstring part = safeName.substr(start, end - start);
    if (part == L"..") return false;
    if (!part.empty() && part != L".") components.push_back(std::move(part));
    start = end + 1;
  }
  return true;
}
