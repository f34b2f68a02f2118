// The table of this process's windows behind HWND values.
#include <cstdint>
#include <map>

#include "platform/native_window.h"

namespace platform {
namespace {

// Local handles are small odd numbers; even values and values with the high
// bits set are left to the copy-data channel for windows of other processes.
std::map<std::uintptr_t, NativeWindow*>& Table() {
  static std::map<std::uintptr_t, NativeWindow*> table;
  return table;
}
std::uintptr_t next_id = 0x101;

}  // namespace

HWND RegisterWindow(NativeWindow* window) {
  std::uintptr_t id = next_id;
  next_id += 2;
  Table()[id] = window;
  return reinterpret_cast<HWND>(id);
}

void UnregisterWindow(HWND hwnd) { Table().erase(reinterpret_cast<std::uintptr_t>(hwnd)); }

NativeWindow* LookupWindow(HWND hwnd) {
  auto it = Table().find(reinterpret_cast<std::uintptr_t>(hwnd));
  return it == Table().end() ? nullptr : it->second;
}

std::vector<HWND> LocalWindows() {
  std::vector<HWND> out;
  for (const auto& [id, window] : Table()) out.push_back(reinterpret_cast<HWND>(id));
  return out;
}

}  // namespace platform
