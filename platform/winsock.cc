// Socket library start-up and clean-up over POSIX sockets, which need
// neither: the calls keep the platform's version negotiation and balance.
#include "platform/winsock.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace {

std::atomic<int> g_startups{0};

constexpr WORD kHighestVersion = MAKEWORD(2, 2);

}  // namespace

int WSAStartup(WORD version_requested, LPWSADATA data) {
  if (data == nullptr) return WSAEFAULT;
  BYTE major = LOBYTE(version_requested);
  BYTE minor = HIBYTE(version_requested);
  WORD granted;
  if (major == 1 && minor >= 1) {
    granted = MAKEWORD(1, 1);
  } else if (major == 2) {
    granted = minor <= 2 ? version_requested : kHighestVersion;
  } else if (major > 2) {
    granted = kHighestVersion;
  } else {
    return WSAVERNOTSUPPORTED;
  }
  *data = WSADATA{};
  data->wVersion = granted;
  data->wHighVersion = kHighestVersion;
  std::strncpy(data->szDescription, "POSIX sockets", sizeof(data->szDescription) - 1);
  std::strncpy(data->szSystemStatus, "Running", sizeof(data->szSystemStatus) - 1);
  if (major == 1) {
    data->iMaxSockets = 32767;
    data->iMaxUdpDg = 65467;
  }
  ++g_startups;
  return 0;
}

int WSACleanup() {
  int count = g_startups.load();
  while (count > 0 && !g_startups.compare_exchange_weak(count, count - 1)) {
  }
  if (count <= 0) {
    errno = 0;
    SetLastError(WSANOTINITIALISED);
    return SOCKET_ERROR;
  }
  return 0;
}

int closesocket(SOCKET s) { return close(s) == 0 ? 0 : SOCKET_ERROR; }

int ioctlsocket(SOCKET s, long command, u_long* arg) {
  if (command != static_cast<long>(FIONBIO) || arg == nullptr) {
    errno = EINVAL;
    return SOCKET_ERROR;
  }
  int flags = fcntl(s, F_GETFL);
  if (flags < 0) return SOCKET_ERROR;
  flags = *arg != 0 ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
  return fcntl(s, F_SETFL, flags) == 0 ? 0 : SOCKET_ERROR;
}

// A signal does not cut the wait short: poll resumes with the time left.
int WSAPoll(WSAPOLLFD* fds, ULONG count, int timeout) {
  DWORD start = GetTickCount();
  for (;;) {
    int rc = poll(fds, count, timeout);
    if (rc >= 0) return rc;
    if (errno != EINTR) return SOCKET_ERROR;
    if (timeout > 0) {
      DWORD spent = GetTickCount() - start;
      if (spent >= static_cast<DWORD>(timeout)) return 0;
      timeout -= static_cast<int>(spent);
      start += spent;
    }
  }
}

int WSAGetLastError() { return errno; }
