// The connectivity probe: resolve a well-known public web host and open (and
// at once close) a TCP connection to its port 80. Resolution and connect share
// one bound, so a page asking isonline is never frozen for the system's
// resolver retries or its minutes-long connect time-out.
#include "util/online_probe.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/winsock.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kProbeHost[] = "www.wikipedia.org";
constexpr unsigned short kProbePort = 80;
constexpr int kProbeTimeoutMs = 5000;
// Resolutions still running after their probe gave up. Beyond this many (a
// resolver that hangs for every call) a probe answers "offline" at once
// rather than leave yet another thread behind.
constexpr int kMaxAbandonedResolutions = 4;

std::atomic<int> g_running_resolutions{0};

// One diagnostic line on standard output, in the code page the user's
// terminal reads (GBK where the locale is GBK, UTF-8 on a UTF-8 locale).
void Diagnose(const wchar_t* line) {
  const UINT code_page = GetConsoleOutputCP();
  int n = WideCharToMultiByte(code_page, 0, line, -1, nullptr, 0, nullptr, nullptr);
  if (n > 1) {
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(code_page, 0, line, -1, bytes.data(), n, nullptr, nullptr);
    std::fwrite(bytes.data(), 1, static_cast<size_t>(n - 1), stdout);
  }
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

bool SystemResolve(const std::string& host, std::uint32_t* address) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
  const bool ok = found->ai_family == AF_INET && found->ai_addrlen >= sizeof(sockaddr_in);
  if (ok) *address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  freeaddrinfo(found);
  return ok;
}

// Runs the resolver on a thread of its own and waits for it until the
// deadline; a resolver that has not answered by then is left to finish alone.
bool ResolveBefore(const ProbeResolver& resolver, const std::string& host,
                   Clock::time_point deadline, std::uint32_t* address) {
  struct Result {
    std::mutex mutex;
    std::condition_variable done_signal;
    bool done = false;
    bool ok = false;
    std::uint32_t address = 0;
  };
  if (g_running_resolutions.load() >= kMaxAbandonedResolutions) return false;
  auto result = std::make_shared<Result>();
  ++g_running_resolutions;
  std::thread([result, resolver, host] {
    std::uint32_t found = 0;
    const bool ok = resolver(host, &found);
    {
      std::lock_guard<std::mutex> lock(result->mutex);
      result->done = true;
      result->ok = ok;
      result->address = found;
    }
    result->done_signal.notify_all();
    --g_running_resolutions;
  }).detach();
  std::unique_lock<std::mutex> lock(result->mutex);
  if (!result->done_signal.wait_until(lock, deadline, [&] { return result->done; })) return false;
  *address = result->address;
  return result->ok;
}

// A non-blocking connect waited for until the deadline.
bool ConnectBefore(SOCKET s, const sockaddr_in& address, Clock::time_point deadline) {
  u_long non_blocking = 1;
  if (ioctlsocket(s, FIONBIO, &non_blocking) != 0) return false;
  if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) return true;
  if (WSAGetLastError() != EINPROGRESS) return false;
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) return false;
  WSAPOLLFD pending{s, POLLOUT, 0};
  if (WSAPoll(&pending, 1, static_cast<int>(left)) <= 0) return false;
  int error = 0;
  socklen_t length = sizeof(error);
  if (getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return false;
  return error == 0;
}

}  // namespace

bool IsOnlineAt(const char* host, unsigned short port, int timeout_ms,
                const ProbeResolver& resolver) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(1, 1), &wsa) != 0) return false;
  if (LOBYTE(wsa.wVersion) != 1 || HIBYTE(wsa.wVersion) != 1) {
    WSACleanup();
    return false;
  }
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) {
    Diagnose(L"建立访问socket套接字失败!");
    WSACleanup();
    return false;
  }
  std::uint32_t ipv4 = 0;
  if (host == nullptr ||
      !ResolveBefore(resolver ? resolver : ProbeResolver(SystemResolve), host, deadline, &ipv4)) {
    Diagnose(L"主机处于没有联网状态;");
    closesocket(s);
    WSACleanup();
    return false;
  }
  Diagnose(L"主机处于联网状态，现在可以进行通信!");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = ipv4;
  if (!ConnectBefore(s, address, deadline)) {
    Diagnose(L"与网页建立连接失败!");
    closesocket(s);
    WSACleanup();
    return false;
  }
  closesocket(s);
  WSACleanup();
  return true;
}

bool IsOnline() { return IsOnlineAt(kProbeHost, kProbePort, kProbeTimeoutMs); }
