// Finding windows of other processes and sending them framed messages.
#include "platform/copydata_sender.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cwchar>

#include "platform/copydata_channel.h"
#include "platform/copydata_frame.h"
#include "platform/copydata_registry.h"

namespace platform::channel {
namespace {

// Idle connections kept per window: one per thread that sends at the same
// time is plenty; the receiver serves one message at a time anyway.
constexpr std::size_t kMaxIdle = 4;

bool Matches(LPCWSTR wanted, const std::wstring& actual) {
  return wanted == nullptr || actual == wanted;
}

// Writes all of the iovecs; false when the connection broke.
bool WriteAll(int fd, iovec* parts, int count, bool* wrote_nothing) {
  *wrote_nothing = true;
  while (count > 0) {
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = static_cast<std::size_t>(count);
    ssize_t n = sendmsg(fd, &message, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
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

bool ReadAll(int fd, unsigned char* out, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    ssize_t n = recv(fd, out + got, size - got, 0);
    if (n < 0 && errno == EINTR) continue;
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
    int fd = TakeConnection(*endpoint, &reused);
    if (fd >= 0) {
      // Kept for the first message, which usually follows the look-up.
      ReturnConnection(*endpoint, fd);
      return hwnd;
    }
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
  int fd = TakeConnection(*endpoint, &reused);
  if (fd < 0) return false;
  ReturnConnection(*endpoint, fd);
  return true;
}

int CopyDataSender::TakeConnection(Endpoint& endpoint, bool* reused) {
  {
    std::lock_guard<std::mutex> lock(endpoint.mutex);
    while (!endpoint.idle.empty()) {
      int fd = endpoint.idle.back();
      endpoint.idle.pop_back();
      // An idle connection has nothing to read; readable or hung up means the
      // receiver closed it (window withdrawn, process ended).
      pollfd state{fd, POLLIN | POLLRDHUP, 0};
      if (poll(&state, 1, 0) == 0) {
        *reused = true;
        return fd;
      }
      close(fd);
    }
  }
  *reused = false;
  return CopyDataRegistry::Connect(endpoint.address);
}

void CopyDataSender::ReturnConnection(Endpoint& endpoint, int fd) {
  std::lock_guard<std::mutex> lock(endpoint.mutex);
  if (endpoint.idle.size() < kMaxIdle) {
    endpoint.idle.push_back(fd);
  } else {
    close(fd);
  }
}

LRESULT CopyDataSender::Send(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (!CrossesProcesses(msg) || lparam == 0) return 0;
  const auto* record = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
  if (record->cbData > CopyDataFrame::kMaxPayload) return 0;
  if (record->cbData > 0 && record->lpData == nullptr) return 0;
  std::shared_ptr<Endpoint> endpoint = Lookup(hwnd);
  if (!endpoint) return 0;

  CopyDataFrame frame;
  frame.message = msg;
  frame.payload_size = record->cbData;
  frame.wparam = wparam;
  frame.data_tag = record->dwData;
  unsigned char header[CopyDataFrame::kHeaderSize];
  frame.EncodeHeader(header);

  // A pooled connection may have been closed by the receiver an instant ago;
  // when nothing of the frame went out, one fresh connection is tried.
  for (int attempt = 0; attempt < 2; ++attempt) {
    bool reused = false;
    int fd = TakeConnection(*endpoint, &reused);
    if (fd < 0) return 0;  // the window has gone
    iovec parts[2] = {{header, sizeof(header)}, {record->lpData, record->cbData}};
    bool wrote_nothing = true;
    if (!WriteAll(fd, parts, record->cbData > 0 ? 2 : 1, &wrote_nothing)) {
      close(fd);
      if (reused && wrote_nothing) continue;
      return 0;
    }
    // Blocks until the receiving window's handler has returned, however long
    // that takes (a modal dialog); ends at once if the receiver goes away.
    unsigned char reply[CopyDataFrame::kReplySize];
    std::int64_t result = 0;
    if (!ReadAll(fd, reply, sizeof(reply)) || !CopyDataFrame::DecodeReply(reply, &result)) {
      close(fd);
      return 0;
    }
    ReturnConnection(*endpoint, fd);
    return static_cast<LRESULT>(result);
  }
  return 0;
}

}  // namespace platform::channel
