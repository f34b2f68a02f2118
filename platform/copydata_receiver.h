// The receiving end of the copy-data channel in the process that owns the
// windows: one listening socket per published window and route, served on the main
// thread's GLib context with non-blocking reads, so a slow, stalled or broken
// sender never holds up the main thread, and a connection that brings no
// whole frame within 5 seconds is dropped. Complete frames wait in one queue
// and are dispatched to their window one at a time, in arrival order; while a
// handler runs (also when it runs a modal loop) the next one waits, and so
// does a message whose sender's news has not come in yet (SetOrderCheck).
// Everything here is for the main thread.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "platform/copydata_channel.h"
#include "platform/copydata_registry.h"
#include "platform/windows.h"

typedef struct _GSource GSource;

namespace platform::channel {

class CopyDataReceiver {
 public:
  static CopyDataReceiver& Get();

  bool Publish(HWND hwnd, const std::wstring& class_name, const std::wstring& title);
  void Withdraw(HWND hwnd);

  // Who may send: by default only this process's own user.
  void SetPeerCheck(std::function<bool(uid_t)> check);
  // Whether a sender's news up to its message's order number has come in
  // (see SetOrderCheck in copydata_channel.h), and how long a message waits
  // for it.
  void SetOrderCheck(std::function<bool(const MessageSender&)> taken_in,
                     std::chrono::milliseconds wait);
  void ResumeHeld();
  std::size_t QueuedFrames() const { return queue_.size(); }
  std::string AddressOf(HWND hwnd, Route route) const;
  // The sender of the message being dispatched; null between messages.
  const MessageSender* CurrentSender() const { return current_sender_; }

  struct Connection;

 private:
  struct Listener {
    HWND hwnd = nullptr;
    Route route = Route::kUserProcesses;
    int fd = -1;
    unsigned int source_id = 0;
    RegistryEntry entry;
    std::map<Connection*, std::shared_ptr<Connection>> connections;
  };

  using ListenerKey = std::pair<HWND, Route>;

  CopyDataReceiver() = default;

  // Listens for the window on one route under the entry's name.
  bool Listen(HWND hwnd, Route route, const std::wstring& class_name, const std::wstring& title,
              RegistryEntry entry);
  void Stop(std::unique_ptr<Listener> listener);

  struct Callbacks;  // the GLib source callbacks
  friend struct Callbacks;

  void Accept(Listener* listener);
  // Fills sender with the connecting process and its user.
  bool PeerAllowed(int fd, MessageSender* sender) const;
  bool EvictIdle();
  void OnReadable(const std::shared_ptr<Connection>& connection);
  void Close(const std::shared_ptr<Connection>& connection);
  void Enqueue(const std::shared_ptr<Connection>& connection);
  // The connection's timer: a time of the monotonic clock, or -1 for none.
  void SetTimer(Connection& c, std::int64_t time);
  void Answer(const std::shared_ptr<Connection>& connection, LRESULT result);
  // Whether the connection's message may be dispatched now; false while it
  // waits for its sender's news (the dispatcher is then woken at the end of
  // the wait).
  bool InOrder(Connection& c);
  void WakeDispatcherAt(std::int64_t time);
  void ScheduleDispatch() { WakeDispatcherAt(0); }
  void DispatchOne();

  std::map<ListenerKey, std::unique_ptr<Listener>> listeners_;
  std::deque<std::shared_ptr<Connection>> queue_;
  GSource* dispatcher_ = nullptr;
  std::int64_t dispatcher_at_ = -1;  // the dispatcher's ready time, as last set
  std::size_t connection_count_ = 0;
  bool dispatching_ = false;  // a handler is running (maybe in a nested loop)
  std::function<bool(uid_t)> peer_check_;
  std::function<bool(const MessageSender&)> order_check_;
  std::int64_t order_wait_us_ = 0;
  const MessageSender* current_sender_ = nullptr;
};

}  // namespace platform::channel
