// The connectivity probe: resolve a well-known public web host and open (and
// at once close) a TCP connection to its port 80. The connect is bounded so a
// page asking isonline is never frozen for the system's minutes-long time-out.
#include "util/online_probe.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/winsock.h"

namespace {

constexpr char kProbeHost[] = "www.wikipedia.org";
constexpr unsigned short kProbePort = 80;
constexpr int kConnectTimeoutMs = 10000;
constexpr UINT kDiagnosticCodePage = 936;

// One diagnostic line on standard output in the GBK code page.
void Diagnose(const wchar_t* line) {
  int n = WideCharToMultiByte(kDiagnosticCodePage, 0, line, -1, nullptr, 0, nullptr, nullptr);
  if (n > 1) {
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(kDiagnosticCodePage, 0, line, -1, bytes.data(), n, nullptr, nullptr);
    std::fwrite(bytes.data(), 1, static_cast<size_t>(n - 1), stdout);
  }
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// A non-blocking connect waited for at most timeout_ms.
bool ConnectWithin(SOCKET s, const sockaddr_in& address, int timeout_ms) {
  u_long non_blocking = 1;
  if (ioctlsocket(s, FIONBIO, &non_blocking) != 0) return false;
  if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) return true;
  if (WSAGetLastError() != EINPROGRESS) return false;
  WSAPOLLFD pending{s, POLLOUT, 0};
  if (WSAPoll(&pending, 1, timeout_ms) <= 0) return false;
  int error = 0;
  socklen_t length = sizeof(error);
  if (getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return false;
  return error == 0;
}

}  // namespace

bool IsOnlineAt(const char* host, unsigned short port, int timeout_ms) {
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
  hostent* entry = host != nullptr ? gethostbyname(host) : nullptr;
  if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_length != 4 ||
      entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr) {
    Diagnose(L"主机处于没有联网状态;");
    closesocket(s);
    WSACleanup();
    return false;
  }
  Diagnose(L"主机处于联网状态，现在可以进行通信!");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  std::memcpy(&address.sin_addr, entry->h_addr_list[0], 4);
  if (!ConnectWithin(s, address, timeout_ms)) {
    Diagnose(L"与网页建立连接失败!");
    closesocket(s);
    WSACleanup();
    return false;
  }
  closesocket(s);
  WSACleanup();
  return true;
}

bool IsOnline() { return IsOnlineAt(kProbeHost, kProbePort, kConnectTimeoutMs); }
