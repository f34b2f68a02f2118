// Finding windows of other processes and sending them framed messages.
#include "platform/copydata_sender.h"

#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cwchar>

#include "platform/copydata_channel.h"
#include "platform/copydata_frame.h"
#include "platform/copydata_registry.h"
#include "platform/log.h"

namespace platform::channel {
namespace {

// Idle connections kept per window: one per thread that sends at the same
// time is plenty; the receiver serves one message at a time anyway.
constexpr std::size_t kMaxIdle = 4;
// The receiver drops a connection that brings no whole frame within five
// seconds; a pooled connection is used only well inside that time, so it is
// never closed under a frame being written.
constexpr auto kReuseWindow = std::chrono::seconds(4);
// Finding a window and asking whether it lives never wait for a busy owner.
constexpr int kLookupConnectTimeoutMs = 0;
// A window whose process has not even read a message after this long counts
// as hung, as on the original platform.
constexpr auto kHungAfter = std::chrono::seconds(5);
constexpr auto kHungPoll = std::chrono::milliseconds(100);

bool Matches(LPCWSTR wanted, const std::wstring& actual) {
  return wanted == nullptr || actual == wanted;
}

// Milliseconds left until deadline for poll: -1 without one, 0 once it passed.
int Left(bool bounded, std::chrono::steady_clock::time_point deadline) {
  if (!bounded) return -1;
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                  deadline - std::chrono::steady_clock::now())
                  .count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Waits until fd is ready for events; false (errno ETIMEDOUT) when the time
// ran out first.
bool WaitFor(int fd, short events, bool bounded, std::chrono::steady_clock::time_point deadline) {
  if (!bounded) return true;
  for (;;) {
    pollfd state{fd, events, 0};
    int n = poll(&state, 1, Left(true, deadline));
    if (n > 0) return true;
    if (n < 0 && errno == EINTR) continue;
    errno = ETIMEDOUT;
    return false;
  }
}

// Writes all of the iovecs; false when the connection broke or time ran out.
bool WriteAll(int fd, iovec* parts, int count, bool* wrote_nothing, bool bounded,
              std::chrono::steady_clock::time_point deadline) {
  *wrote_nothing = true;
  while (count > 0) {
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = static_cast<std::size_t>(count);
    ssize_t n = sendmsg(fd, &message, MSG_NOSIGNAL | (bounded ? MSG_DONTWAIT : 0));
    if (n < 0 && errno == EINTR) continue;
    // A full socket buffer: wait for room, within the time left.
    if (n < 0 && errno == EAGAIN) {
      if (!WaitFor(fd, POLLOUT, bounded, deadline)) return false;
      continue;
    }
    if (n <= 0) return false;
    *wrote_nothing = false;
    auto left = static_cast<std::size_t>(n);
    while (count > 0 && left >= parts->iov_len) {
      left -= parts->iov_len;
      ++parts;
      --count;
    }
    if (count > 0) {
      parts->iov_base = static_cast<char*>(parts->iov_base) + left;
      parts->iov_len -= left;
    }
  }
  return true;
}

// Whether the receiving process has left what was sent to it unread since
// sent_at for kHungAfter: its loop does not run (stopped, or stuck outside
// any loop). A loop that runs reads every frame at once, also while a modal
// dialog holds the frame's handling back.
bool LooksHung(int fd, std::chrono::steady_clock::time_point sent_at) {
  if (std::chrono::steady_clock::now() - sent_at < kHungAfter) return false;
  int unread = 0;
  return ioctl(fd, SIOCOUTQ, &unread) == 0 && unread > 0;
}

bool ReadAll(int fd, unsigned char* out, std::size_t size, bool bounded,
             std::chrono::steady_clock::time_point deadline, bool abort_if_hung) {
  const auto sent_at = std::chrono::steady_clock::now();
  std::size_t got = 0;
  while (got < size) {
    if (abort_if_hung) {
      // Look again every so often until the reply comes or time is up.
      auto slice = std::min(deadline, std::chrono::steady_clock::now() + kHungPoll);
      if (!WaitFor(fd, POLLIN, true, slice)) {
        if (std::chrono::steady_clock::now() >= deadline || LooksHung(fd, sent_at)) {
          errno = ETIMEDOUT;
          return false;
        }
        continue;
      }
    } else if (!WaitFor(fd, POLLIN, bounded, deadline)) {
      return false;
    }
    ssize_t n = recv(fd, out + got, size - got, bounded ? MSG_DONTWAIT : 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

CopyDataSender& CopyDataSender::Get() {
  static CopyDataSender* sender = new CopyDataSender();
  return *sender;
}

HWND CopyDataSender::HandleFor(const std::string& address) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = by_address_.find(address);
  if (found != by_address_.end()) return reinterpret_cast<HWND>(found->second);
  // Even values never collide with the window table's odd handles, and an
  // address keeps its handle, so repeated look-ups give the same window.
  std::uintptr_t id = next_handle_;
  next_handle_ += 2;
  auto endpoint = std::make_shared<Endpoint>();
  endpoint->address = address;
  by_handle_[id] = endpoint;
  by_address_[address] = id;
  return reinterpret_cast<HWND>(id);
}

std::shared_ptr<CopyDataSender::Endpoint> CopyDataSender::Lookup(HWND hwnd) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = by_handle_.find(reinterpret_cast<std::uintptr_t>(hwnd));
  return found == by_handle_.end() ? nullptr : found->second;
}

HWND CopyDataSender::Find(LPCWSTR class_name, LPCWSTR window_name) {
  if (class_name == nullptr && window_name == nullptr) return nullptr;
  for (const RegistryEntry& entry : CopyDataRegistry::ListOthers()) {
    if (!Matches(class_name, entry.class_name) || !Matches(window_name, entry.title)) continue;
    HWND hwnd = HandleFor(entry.address);
    std::shared_ptr<Endpoint> endpoint = Lookup(hwnd);
    bool reused = false;
    std::uint64_t order = 0;
    int fd = TakeConnection(*endpoint, true, &reused, kLookupConnectTimeoutMs, &order);
    if (fd >= 0) {
      // Kept for the first message, which usually follows the look-up.
      ReturnConnection(*endpoint, fd, order);
      return hwnd;
    }
    // A listener too busy to take a connection now still has a window.
    if (errno == ETIMEDOUT) return hwnd;
    // Refused or missing: the owner has gone without withdrawing its window
    // (the entry is written only after the socket listens). Tidy up for all.
    if (errno == ECONNREFUSED || errno == ENOENT) CopyDataRegistry::Remove(entry);
  }
  return nullptr;
}

bool CopyDataSender::IsRemote(HWND hwnd) { return Lookup(hwnd) != nullptr; }

bool CopyDataSender::IsAlive(HWND hwnd) {
  std::shared_ptr<Endpoint> endpoint = Lookup(hwnd);
  if (!endpoint) return false;
  bool reused = false;
  std::uint64_t order = 0;
  int fd = TakeConnection(*endpoint, true, &reused, kLookupConnectTimeoutMs, &order);
  if (fd < 0) return errno == ETIMEDOUT;
  ReturnConnection(*endpoint, fd, order);
  return true;
}

void CopyDataSender::SetCredential(const std::string& credential) {
  std::lock_guard<std::mutex> lock(mutex_);
  credential_ = credential.substr(0, CopyDataFrame::kMaxCredential);
}

void CopyDataSender::SetOrder(std::function<std::uint64_t()> stamp) {
  std::lock_guard<std::mutex> lock(mutex_);
  order_ = std::move(stamp);
}

void CopyDataSender::SetListenerCheck(std::function<bool(uid_t)> check) {
  std::lock_guard<std::mutex> lock(mutex_);
  listener_check_ = std::move(check);
}

// The registry directory is private, but the socket an entry names could
// still have been bound by someone else (a stale entry whose path was taken
// over): nothing is sent before the listener's user is known to be ours.
bool CopyDataSender::ListenerAllowed(int fd) {
  ucred credentials{};
  socklen_t length = sizeof(credentials);
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 ||
      length != sizeof(credentials)) {
    return false;
  }
  std::function<bool(uid_t)> check;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    check = listener_check_;
  }
  return check ? check(credentials.uid) : credentials.uid == geteuid();
}

int CopyDataSender::TakeConnection(Endpoint& endpoint, bool probe, bool* reused,
                                   int connect_timeout_ms, std::uint64_t* order) {
  {
    std::lock_guard<std::mutex> lock(endpoint.mutex);
    const Clock::time_point now = Clock::now();
    while (!endpoint.idle.empty()) {
      Idle idle = endpoint.idle.back();
      endpoint.idle.pop_back();
      // An idle connection has nothing to read; readable or hung up means the
      // receiver closed it (window withdrawn, process ended).
      pollfd state{idle.fd, POLLIN | POLLRDHUP, 0};
      if (now - idle.since < kReuseWindow && (!probe || poll(&state, 1, 0) == 0)) {
        *reused = true;
        *order = idle.order;
        return idle.fd;
      }
      close(idle.fd);
    }
  }
  *reused = false;
  *order = 0;
  int fd = CopyDataRegistry::Connect(endpoint.address, connect_timeout_ms);
  if (fd < 0) return -1;
  if (!ListenerAllowed(fd)) {
    LogWarning("copy-data: %s is served by another user; nothing sent", endpoint.address.c_str());
    close(fd);
    errno = EACCES;
    return -1;
  }
  // The credential opens the connection, before any message; it is small
  // enough for an empty socket buffer, so this never waits.
  std::string credential;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    credential = credential_;
  }
  if (!credential.empty()) {
    CopyDataFrame frame;
    frame.message = CopyDataFrame::kCredentialMessage;
    frame.payload_size = static_cast<std::uint32_t>(credential.size());
    unsigned char header[CopyDataFrame::kHeaderSize];
    frame.EncodeHeader(header);
    iovec parts[2] = {{header, sizeof(header)}, {credential.data(), credential.size()}};
    bool wrote_nothing = true;
    if (!WriteAll(fd, parts, 2, &wrote_nothing, false, Clock::now())) {
      const int saved = errno;
      close(fd);
      errno = saved;
      return -1;
    }
  }
  return fd;
}

void CopyDataSender::ReturnConnection(Endpoint& endpoint, int fd, std::uint64_t order) {
  std::lock_guard<std::mutex> lock(endpoint.mutex);
  // Newest last: TakeConnection uses the most recently returned one first.
  if (endpoint.idle.size() < kMaxIdle) {
    endpoint.idle.push_back({fd, Clock::now(), order});
  } else {
    close(fd);
  }
}

bool CopyDataSender::Send(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, int timeout_ms,
                          bool abort_if_hung, LRESULT* result) {
  *result = 0;
  if (!CrossesProcesses(msg) || lparam == 0) return false;
  const auto* record = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
  if (record->cbData > CopyDataFrame::kMaxPayload) return false;
  if (record->cbData > 0 && record->lpData == nullptr) return false;
  std::shared_ptr<Endpoint> endpoint = Lookup(hwnd);
  if (!endpoint) return false;
  const bool bounded = timeout_ms >= 0;
  abort_if_hung = abort_if_hung && bounded;
  const Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(bounded ? timeout_ms : 0);

  CopyDataFrame frame;
  frame.message = msg;
  frame.payload_size = record->cbData;
  frame.wparam = wparam;
  frame.data_tag = record->dwData;
  unsigned char header[CopyDataFrame::kHeaderSize];
  frame.EncodeHeader(header);
  std::function<std::uint64_t()> stamp;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stamp = order_;
  }
  const std::uint64_t order = stamp ? stamp() : 0;
  CopyDataFrame order_frame;
  order_frame.message = CopyDataFrame::kOrderMessage;
  order_frame.payload_size = CopyDataFrame::kOrderSize;
  unsigned char order_header[CopyDataFrame::kHeaderSize];
  order_frame.EncodeHeader(order_header);
  unsigned char order_bytes[CopyDataFrame::kOrderSize];
  CopyDataFrame::EncodeOrder(order, order_bytes);

  // A pooled connection may have been closed by the receiver; when nothing
  // of the frame went out, the pool is looked through once more, asking each
  // connection first, or a fresh one is made.
  for (int attempt = 0; attempt < 2; ++attempt) {
    bool reused = false;
    std::uint64_t carried = 0;
    int fd = TakeConnection(*endpoint, attempt > 0, &reused, Left(bounded, deadline), &carried);
    if (fd < 0) return false;  // the window has gone, or it is too busy to connect
    // The order frame goes only when the number grew; the receiver keeps the
    // last one with the connection.
    iovec parts[4];
    int count = 0;
    if (order > carried) {
      parts[count++] = {order_header, sizeof(order_header)};
      parts[count++] = {order_bytes, sizeof(order_bytes)};
    }
    parts[count++] = {header, sizeof(header)};
    if (record->cbData > 0) parts[count++] = {record->lpData, record->cbData};
    bool wrote_nothing = true;
    if (!WriteAll(fd, parts, count, &wrote_nothing, bounded, deadline)) {
      const int saved = errno;
      close(fd);
      if (reused && wrote_nothing && saved != ETIMEDOUT) continue;
      errno = saved;
      return false;
    }
    // Waits until the receiving window's handler has returned (a modal
    // dialog may take long) or, when bounded, until the time is up; ends at
    // once if the receiver goes away. Closing a connection whose message
    // waits unhandled withdraws the message.
    unsigned char reply[CopyDataFrame::kReplySize];
    std::int64_t value = 0;
    if (!ReadAll(fd, reply, sizeof(reply), bounded, deadline, abort_if_hung) ||
        !CopyDataFrame::DecodeReply(reply, &value)) {
      const int saved = errno;
      close(fd);
      errno = saved;
      return false;
    }
    ReturnConnection(*endpoint, fd, std::max(order, carried));
    *result = static_cast<LRESULT>(value);
    return true;
  }
  return false;
}

}  // namespace platform::channel
