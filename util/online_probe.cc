// The connectivity probe: resolve a well-known public web host and open (and
// at once close) a TCP connection to its port 80, over IPv6 or IPv4, whichever
// answers first. Resolution and connect share one bound, so a page asking
// isonline is never frozen for the system's resolver retries or its
// minutes-long connect time-out.
#include "util/online_probe.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/winsock.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned short kProbePort = 80;
constexpr int kProbeTimeoutMs = 5000;
// The longest host name the system resolves, and a byte for the end.
constexpr DWORD kProbeHostBufferSize = 254;
// How long one connection attempt runs alone before the next address is
// tried beside it.
constexpr std::chrono::milliseconds kAttemptDelay{250};
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

bool SystemResolve(const std::string& host, std::vector<std::string>* addresses) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  // Only families this machine has an address of its own in.
  hints.ai_flags = AI_ADDRCONFIG;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
  for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    char text[INET6_ADDRSTRLEN] = {};
    if (getnameinfo(entry->ai_addr, entry->ai_addrlen, text, sizeof(text), nullptr, 0,
                    NI_NUMERICHOST) != 0) {
      continue;
    }
    if (std::find(addresses->begin(), addresses->end(), text) == addresses->end()) {
      addresses->push_back(text);
    }
  }
  freeaddrinfo(found);
  return !addresses->empty();
}

// Runs the resolver on a thread of its own and waits for it until the
// deadline; a resolver that has not answered by then is left to finish alone.
bool ResolveBefore(const ProbeResolver& resolver, const std::string& host,
                   Clock::time_point deadline, std::vector<std::string>* addresses) {
  struct Result {
    std::mutex mutex;
    std::condition_variable done_signal;
    bool done = false;
    bool ok = false;
    std::vector<std::string> addresses;
  };
  if (g_running_resolutions.load() >= kMaxAbandonedResolutions) return false;
  auto result = std::make_shared<Result>();
  ++g_running_resolutions;
  std::thread([result, resolver, host] {
    std::vector<std::string> found;
    const bool ok = resolver(host, &found);
    {
      std::lock_guard<std::mutex> lock(result->mutex);
      result->done = true;
      result->ok = ok;
      result->addresses = std::move(found);
    }
    result->done_signal.notify_all();
    --g_running_resolutions;
  }).detach();
  std::unique_lock<std::mutex> lock(result->mutex);
  if (!result->done_signal.wait_until(lock, deadline, [&] { return result->done; })) return false;
  *addresses = result->addresses;
  return result->ok && !addresses->empty();
}

// One address in the form connect takes; false for text that is none.
bool ToSocketAddress(const std::string& text, unsigned short port, sockaddr_storage* address,
                     socklen_t* length) {
  *address = sockaddr_storage{};
  auto* v6 = reinterpret_cast<sockaddr_in6*>(address);
  if (inet_pton(AF_INET6, text.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(port);
    *length = sizeof(sockaddr_in6);
    return true;
  }
  auto* v4 = reinterpret_cast<sockaddr_in*>(address);
  if (inet_pton(AF_INET, text.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(port);
    *length = sizeof(sockaddr_in);
    return true;
  }
  return false;
}

// The addresses with the families taking turns, the preferred one first, so
// a family that does not get through is left after one attempt.
std::vector<std::string> InTurns(const std::vector<std::string>& addresses) {
  auto is_v6 = [](const std::string& a) { return a.find(':') != std::string::npos; };
  std::vector<std::string> first, second;
  for (const std::string& a : addresses) {
    (is_v6(a) == is_v6(addresses.front()) ? first : second).push_back(a);
  }
  std::vector<std::string> ordered;
  for (size_t i = 0; i < std::max(first.size(), second.size()); ++i) {
    if (i < first.size()) ordered.push_back(first[i]);
    if (i < second.size()) ordered.push_back(second[i]);
  }
  return ordered;
}

// What the connection attempts came to.
enum class Outcome { kConnected, kFailed, kNoSocket };

// Starts a non-blocking connect to address; the socket, or INVALID_SOCKET
// when none could be made (*made tells whether a socket was made at all).
// *open is set when the connection opened at once.
SOCKET StartConnect(const std::string& text, unsigned short port, bool* made, bool* open) {
  sockaddr_storage address;
  socklen_t length = 0;
  if (!ToSocketAddress(text, port, &address, &length)) return INVALID_SOCKET;
  SOCKET s = socket(address.ss_family, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) return INVALID_SOCKET;
  *made = true;
  u_long non_blocking = 1;
  if (ioctlsocket(s, FIONBIO, &non_blocking) == 0) {
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
      *open = true;
      return s;
    }
    if (WSAGetLastError() == EINPROGRESS) return s;
  }
  closesocket(s);  // refused or unreachable at once
  return INVALID_SOCKET;
}

// Connects to each address in turn, starting the next one when kAttemptDelay
// has passed or every running attempt has failed, until one connection is
// open or the deadline. Every socket is closed again.
Outcome ConnectAnyBefore(const std::vector<std::string>& addresses, unsigned short port,
                         Clock::time_point deadline) {
  std::vector<WSAPOLLFD> running;
  bool made = false;
  bool open = false;
  size_t next = 0;
  Clock::time_point next_start = Clock::now();
  while (!open && Clock::now() < deadline) {
    while (!open && next < addresses.size() && (running.empty() || Clock::now() >= next_start)) {
      const SOCKET s = StartConnect(addresses[next++], port, &made, &open);
      if (s == INVALID_SOCKET) continue;
      running.push_back(WSAPOLLFD{s, POLLOUT, 0});
      next_start = Clock::now() + kAttemptDelay;
      break;
    }
    if (open || running.empty()) break;  // open at once, or every address failed
    const Clock::time_point until =
        next < addresses.size() ? std::min(next_start, deadline) : deadline;
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
    if (WSAPoll(running.data(), static_cast<ULONG>(running.size()),
                static_cast<int>(std::max<long long>(0, wait.count()))) <= 0) {
      continue;
    }
    for (auto it = running.begin(); it != running.end() && !open;) {
      if (it->revents == 0) {
        ++it;
        continue;
      }
      int error = 0;
      socklen_t error_length = sizeof(error);
      open = getsockopt(it->fd, SOL_SOCKET, SO_ERROR, &error, &error_length) == 0 && error == 0;
      if (!open) {
        closesocket(it->fd);
        it = running.erase(it);
      }
    }
  }
  for (const WSAPOLLFD& attempt : running) closesocket(attempt.fd);
  if (open) return Outcome::kConnected;
  return made ? Outcome::kFailed : Outcome::kNoSocket;
}

}  // namespace

std::string ReadProbeHost(const std::string& profile_path) {
  char host[kProbeHostBufferSize] = {};
  GetPrivateProfileStringA("versionInformation", "probeHost", kDefaultProbeHost, host,
                           kProbeHostBufferSize, profile_path.c_str());
  return host[0] != '\0' ? host : kDefaultProbeHost;
}

bool IsOnlineAt(const char* host, unsigned short port, int timeout_ms,
                const ProbeResolver& resolver) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(1, 1), &wsa) != 0) return false;
  if (LOBYTE(wsa.wVersion) != 1 || HIBYTE(wsa.wVersion) != 1) {
    WSACleanup();
    return false;
  }
  std::vector<std::string> addresses;
  if (host == nullptr || !ResolveBefore(resolver ? resolver : ProbeResolver(SystemResolve), host,
                                        deadline, &addresses)) {
    Diagnose(L"主机处于没有联网状态;");
    WSACleanup();
    return false;
  }
  Diagnose(L"主机处于联网状态，现在可以进行通信!");
  const Outcome outcome = ConnectAnyBefore(InTurns(addresses), port, deadline);
  if (outcome == Outcome::kNoSocket) Diagnose(L"建立访问socket套接字失败!");
  if (outcome == Outcome::kFailed) Diagnose(L"与网页建立连接失败!");
  WSACleanup();
  return outcome == Outcome::kConnected;
}

bool IsOnline(const std::string& host) {
  return IsOnlineAt(host.c_str(), kProbePort, kProbeTimeoutMs);
}
