// Drop handles and their readers. Handles are numbers looked up in a table,
// so a finished or made-up handle is simply unknown: reading it gives 0 and
// finishing it again does nothing.
#include "platform/drop_files.h"

#include <cstdint>
#include <map>
#include <mutex>

namespace platform {
namespace {

std::mutex g_mutex;
std::map<std::uintptr_t, std::vector<std::wstring>> g_drops;
std::uintptr_t g_next = 0x5000;

}  // namespace

HDROP MakeDropHandle(const std::vector<std::wstring>& paths) {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::uintptr_t id = g_next;
  g_next += 0x10;
  g_drops[id] = paths;
  return reinterpret_cast<HDROP>(id);
}

void DeliverDroppedFiles(HWND hwnd, const std::vector<std::wstring>& paths) {
  if (paths.empty()) return;
  HDROP drop = MakeDropHandle(paths);
  SendMessageW(hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  DragFinish(drop);
}

}  // namespace platform

UINT DragQueryFileW(HDROP drop, UINT index, LPWSTR file, UINT cch) {
  std::lock_guard<std::mutex> lock(platform::g_mutex);
  auto it = platform::g_drops.find(reinterpret_cast<std::uintptr_t>(drop));
  if (it == platform::g_drops.end()) return 0;
  const auto& paths = it->second;
  if (index == 0xFFFFFFFFu) return static_cast<UINT>(paths.size());
  if (index >= paths.size()) return 0;
  const std::wstring& path = paths[index];
  // Without a buffer: the length the path needs, without its terminating 0.
  if (file == nullptr || cch == 0) return static_cast<UINT>(path.size());
  size_t n = std::min<size_t>(path.size(), cch - 1);
  path.copy(file, n);
  file[n] = L'\0';
  return static_cast<UINT>(n);
}

void DragFinish(HDROP drop) {
  std::lock_guard<std::mutex> lock(platform::g_mutex);
  platform::g_drops.erase(reinterpret_cast<std::uintptr_t>(drop));
}
