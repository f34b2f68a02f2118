// The socket calls of the client, where the platform's socket header would
// stand: the POSIX socket, name-resolution and poll calls themselves, plus
// the few socket-library calls the platform adds (start-up and clean-up in
// windows.h; non-blocking mode and polling here).
#pragma once

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include "platform/windows.h"

using WSAPOLLFD = pollfd;
using u_long = unsigned long;

// FIONBIO with a nonzero *arg makes the socket non-blocking, zero blocking.
int ioctlsocket(SOCKET s, long command, u_long* arg);
// Waits for events on sockets; timeout in milliseconds, -1 for none.
int WSAPoll(WSAPOLLFD* fds, ULONG count, int timeout);
// The error of the last failed socket call of this thread.
int WSAGetLastError();
