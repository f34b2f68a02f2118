// The sending end of the copy-data channel: finds windows of other processes
// in the registry, gives them handles of this process (even values, apart
// from the window table's odd ones), and sends them framed messages over a
// small pool of connections per window. Any thread may call it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
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
  // Sends and waits for the handler's result. With timeout_ms >= 0 the whole
  // send (connecting, writing, waiting for the reply) ends within that time,
  // and with abort_if_hung sooner when the receiving process has not read the
  // message 5 seconds after it was sent; a message not yet handled by then is
  // withdrawn. False when the window has gone or the time ran out (errno
  // ETIMEDOUT).
  bool Send(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, int timeout_ms, bool abort_if_hung,
            LRESULT* result);

  // Sent on every new connection before its first message (see
  // SetSenderCredential); at most CopyDataFrame::kMaxCredential bytes.
  void SetCredential(const std::string& credential);

  // Gives each message's order number (see SetSenderOrder).
  void SetOrder(std::function<std::uint64_t()> stamp);

  // Who may listen at a window's address: by default only this user.
  void SetListenerCheck(std::function<bool(uid_t)> check);

 private:
  using Clock = std::chrono::steady_clock;
  struct Idle {
    int fd;
    Clock::time_point since;
    std::uint64_t order;  // the last order number the connection carried
  };
  struct Endpoint {
    std::string address;
    std::mutex mutex;
    std::vector<Idle> idle;  // connected sockets not in use by a call
  };

  CopyDataSender() = default;
  std::shared_ptr<Endpoint> Lookup(HWND hwnd);
  HWND HandleFor(const std::string& address);
  // A connected socket from the pool or a new one whose listener runs as this
  // user, and the last order number it carried; -1 with errno set otherwise
  // (ETIMEDOUT: the listener is busy). probe: a pooled connection is asked
  // first whether the receiver has closed it; a caller that writes at once
  // learns it from the write, which fails with nothing written.
  int TakeConnection(Endpoint& endpoint, bool probe, bool* reused, int connect_timeout_ms,
                     std::uint64_t* order);
  static void ReturnConnection(Endpoint& endpoint, int fd, std::uint64_t order);
  bool ListenerAllowed(int fd);

  std::mutex mutex_;
  std::map<std::uintptr_t, std::shared_ptr<Endpoint>> by_handle_;
  std::map<std::string, std::uintptr_t> by_address_;
  std::uintptr_t next_handle_ = 0x20000;
  std::function<bool(uid_t)> listener_check_;
  std::string credential_;
  std::function<std::uint64_t()> order_;
};

}  // namespace platform::channel
