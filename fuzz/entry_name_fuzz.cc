// Sanitising of archive entry names: whatever name an archive gives an
// entry, what is left never starts at a root or drive and never steps above
// the directory it is written into, and splitting refuses exactly the names
// that still would.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "update/entry_name.h"

namespace {

bool IsSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

// A ".." component at the start or the end; one in the middle is a parent
// step, which sanitising removes.
bool HasOuterParentStep(const std::wstring& name) {
  if (name == L"..") return true;
  if (name.size() >= 3 && name.compare(0, 2, L"..") == 0 && IsSeparator(name[2])) return true;
  return name.size() >= 3 && name.compare(name.size() - 2, 2, L"..") == 0 &&
         IsSeparator(name[name.size() - 3]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Entry names reach the sanitiser as wide text; one byte per character
  // keeps the separators, dots and colons the fuzzer has to combine short.
  std::wstring name;
  for (size_t i = 0; i < size; ++i) name.push_back(static_cast<wchar_t>(data[i]));

  // A name that does not leave stays inside under a parent folder too; one
  // that climbs (rather than starting at a root or drive) still leaves with
  // more after it.
  const bool leaves = EntryNameLeaves(name);
  if (!leaves) FUZZ_CHECK(!EntryNameLeaves(L"a/" + name));
  if (leaves && !name.empty() && !IsSeparator(name[0]) && (name.size() < 2 || name[1] != L':')) {
    FUZZ_CHECK(EntryNameLeaves(name + L"/x"));
  }

  const std::wstring safe = MakeSafeEntryName(name);
  FUZZ_CHECK(safe.size() <= name.size());
  FUZZ_CHECK(name.compare(name.size() - safe.size(), safe.size(), safe) == 0);
  FUZZ_CHECK(safe.empty() || !IsSeparator(safe[0]));
  FUZZ_CHECK(safe.size() < 2 || safe[1] != L':');
  for (const wchar_t* step : {L"\\..\\", L"\\../", L"/../", L"/..\\"}) {
    FUZZ_CHECK(safe.find(step) == std::wstring::npos);
  }
  FUZZ_CHECK(MakeSafeEntryName(safe) == safe);

  std::vector<std::wstring> components{L"stale"};
  const bool ok = SplitEntryName(safe, components);
  FUZZ_CHECK(ok == !HasOuterParentStep(safe));
  if (ok) {
    for (const std::wstring& part : components) {
      FUZZ_CHECK(!part.empty() && part != L"." && part != L"..");
      for (wchar_t c : part) FUZZ_CHECK(!IsSeparator(c));
    }
  }
  return 0;
}
