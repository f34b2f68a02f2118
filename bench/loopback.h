// The benchmarks' stand-in services listen on the loopback interface only.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

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

// A sender of bytes on 127.0.0.1, fast enough that a download's throughput
// is the client's, not the service's: each connection, one after the other,
// gets "200 OK" with a Content-Length of size and that many bytes, whatever
// it asked for.
class ByteSender {
 public:
  explicit ByteSender(unsigned long long size) : size_(size), buffer_(1 << 20, 'q') {
    fd_ = ListenOnLoopback(&port_);
    thread_ = std::thread([this] { Serve(); });
  }
  ~ByteSender() {
    stop_ = true;
    shutdown(fd_, SHUT_RDWR);
    thread_.join();
    close(fd_);
  }
  ByteSender(const ByteSender&) = delete;
  ByteSender& operator=(const ByteSender&) = delete;

  std::string Url() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/bytes/" + std::to_string(size_);
  }

 private:
  void Serve() {
    while (!stop_) {
      const int client = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      ReadRequestLine(client);
      const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(size_) +
                               "\r\nConnection: close\r\n\r\n";
      bool ok =
          send(client, head.data(), head.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(head.size());
      for (unsigned long long left = size_; ok && left > 0;) {
        const size_t piece = left < buffer_.size() ? static_cast<size_t>(left) : buffer_.size();
        const ssize_t n = send(client, buffer_.data(), piece, MSG_NOSIGNAL);
        ok = n > 0;
        if (ok) left -= static_cast<unsigned long long>(n);
      }
      close(client);
    }
  }

  unsigned long long size_;
  std::vector<char> buffer_;
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace bench
