// The benchmarks' stand-in services listen on the loopback interface only.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace bench {

// A listening socket on 127.0.0.1 with a free port, which is stored in
// *port. A benchmark cannot go on without its service, so a failure ends it.
inline int ListenOnLoopback(int* port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof(addr);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
      listen(fd, 16) != 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    std::perror("listener");
    std::exit(1);
  }
  *port = ntohs(addr.sin_port);
  return fd;
}

// Reads the head of one HTTP request from client (at most 64 KiB, giving up
// when nothing comes for two seconds) and returns its request line, such as
// "GET /loaded HTTP/1.1"; a connection that sends nothing gives "".
inline std::string ReadRequestLine(int client) {
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
    pollfd p{client, POLLIN, 0};
    if (poll(&p, 1, 2000) <= 0) break;
    const ssize_t n = read(client, buffer, sizeof(buffer));
    if (n <= 0) break;
    request.append(buffer, static_cast<size_t>(n));
  }
  return request.substr(0, request.find("\r\n"));
}

}  // namespace bench
