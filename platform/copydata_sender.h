// The sending end of the copy-data channel: finds windows of other processes
// in the registry, gives them handles of this process (even values, apart
// from the window table's odd ones), and sends them framed messages over a
// small pool of connections per window. Any thread may call it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/windows.h"

namespace platform::channel {

class CopyDataSender {
 public:
  static CopyDataSender& Get();

  HWND Find(LPCWSTR class_name, LPCWSTR window_name);
  bool IsRemote(HWND hwnd);
  bool IsAlive(HWND hwnd);
  LRESULT Send(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

 private:
  struct Endpoint {
    std::string address;
    std::mutex mutex;
    std::vector<int> idle;  // connected sockets not in use by a call
  };

  CopyDataSender() = default;
  std::shared_ptr<Endpoint> Lookup(HWND hwnd);
  HWND HandleFor(const std::string& address);
  // A connected socket from the pool or a new one; -1 when the window has gone.
  static int TakeConnection(Endpoint& endpoint, bool* reused);
  static void ReturnConnection(Endpoint& endpoint, int fd);

  std::mutex mutex_;
  std::map<std::uintptr_t, std::shared_ptr<Endpoint>> by_handle_;
  std::map<std::string, std::uintptr_t> by_address_;
  std::uintptr_t next_handle_ = 0x20000;
};

}  // namespace platform::channel
