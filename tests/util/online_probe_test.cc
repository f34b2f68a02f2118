// The connectivity probe against local listeners: open, closed, and one
// that never answers, and the diagnostic lines it writes in the encoding of
// the user's locale: GBK under a GBK locale (set for every test here unless it
// says otherwise), UTF-8 under a UTF-8 one.
#include "util/online_probe.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "platform/winsock.h"

namespace {

const bool kGbkLocale = setenv("LC_ALL", "zh_CN.GBK", 1) == 0;

// A TCP listener on 127.0.0.1 at a port of the system's choice.
class Listener {
 public:
  explicit Listener(int backlog) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    listen(fd_, backlog);
    socklen_t length = sizeof(address);
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~Listener() { close(fd_); }
  int fd() const { return fd_; }
  unsigned short port() const { return port_; }

 private:
  int fd_ = -1;
  unsigned short port_ = 0;
};

int OpenDescriptors() {
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  while (readdir(dir) != nullptr) ++count;
  closedir(dir);
  return count;
}

struct ProbeResult {
  bool online;
  std::string output;
  long milliseconds;
};

ProbeResult Probe(const char* host, unsigned short port, int timeout_ms,
                  const ProbeResolver& resolver = {}) {
  int before = OpenDescriptors();
  testing::internal::CaptureStdout();
  auto start = std::chrono::steady_clock::now();
  bool online = IsOnlineAt(host, port, timeout_ms, resolver);
  auto spent = std::chrono::steady_clock::now() - start;
  std::string output = testing::internal::GetCapturedStdout();
  EXPECT_EQ(OpenDescriptors(), before) << "a socket was left open";
  // Every start-up of the socket library was balanced by a clean-up.
  EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
  return {online, output,
          static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(spent).count())};
}

// The diagnostic lines in code page 936.
const std::string kResolved =
    "\xD6\xF7\xBB\xFA\xB4\xA6\xD3\xDA\xC1\xAA\xCD\xF8\xD7\xB4\xCC\xAC"
    "\xA3\xAC\xCF\xD6\xD4\xDA\xBF\xC9\xD2\xD4\xBD\xF8\xD0\xD0\xCD\xA8"
    "\xD0\xC5!\n";
const std::string kNotResolved =
    "\xD6\xF7\xBB\xFA\xB4\xA6\xD3\xDA\xC3\xBB\xD3\xD0\xC1\xAA\xCD\xF8"
    "\xD7\xB4\xCC\xAC;\n";
const std::string kConnectFailed =
    "\xD3\xEB\xCD\xF8\xD2\xB3\xBD\xA8\xC1\xA2\xC1\xAC\xBD\xD3"
    "\xCA\xA7\xB0\xDC!\n";

TEST(IsOnlineAt, ListenerOn127AcceptsAndNothingIsSent) {
  Listener listener(4);
  ProbeResult result = Probe("127.0.0.1", listener.port(), 2000);
  EXPECT_TRUE(result.online);
  EXPECT_EQ(result.output, kResolved);
  int peer = accept(listener.fd(), nullptr, nullptr);
  ASSERT_GE(peer, 0);
  char byte;
  EXPECT_EQ(read(peer, &byte, 1), 0);  // closed at once, no request
  close(peer);
}

TEST(IsOnlineAt, LinesFollowTheLocaleEncoding) {
  ASSERT_TRUE(kGbkLocale);
  setenv("LC_ALL", "C.UTF-8", 1);
  ProbeResult result = Probe("no-such-host.invalid", 80, 2000);
  setenv("LC_ALL", "zh_CN.GBK", 1);
  EXPECT_EQ(result.output, "主机处于没有联网状态;\n");
}

TEST(IsOnlineAt, ClosedPortIsOffline) {
  unsigned short port;
  {
    Listener gone(1);
    port = gone.port();
  }
  ProbeResult result = Probe("127.0.0.1", port, 2000);
  EXPECT_FALSE(result.online);
  EXPECT_EQ(result.output, kResolved + kConnectFailed);
  EXPECT_LT(result.milliseconds, 1000);
}

TEST(IsOnlineAt, UnresolvableHostIsOffline) {
  ProbeResult result = Probe("no-such-host.invalid", 80, 2000);
  EXPECT_FALSE(result.online);
  EXPECT_EQ(result.output, kNotResolved);
  result = Probe(nullptr, 80, 2000);
  EXPECT_FALSE(result.online);
}

// A listener whose queue is full drops new connection requests, so the
// connect hangs exactly as it does towards a host that never answers.
std::vector<int> FillQueue(const Listener& listener) {
  std::vector<int> fillers;
  for (int i = 0; i < 4; ++i) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(listener.port());
    connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    fillers.push_back(s);
  }
  usleep(100 * 1000);
  return fillers;
}

TEST(IsOnlineAt, ConnectIsBoundedByTheTimeout) {
  Listener listener(0);
  std::vector<int> fillers = FillQueue(listener);
  ProbeResult result = Probe("127.0.0.1", listener.port(), 300);
  EXPECT_FALSE(result.online);
  EXPECT_GE(result.milliseconds, 250);
  EXPECT_LT(result.milliseconds, 2000);
  EXPECT_EQ(result.output, kResolved + kConnectFailed);
  for (int s : fillers) close(s);
}

// A name server that never replies: the resolver blocks until the test lets
// it go. Resolution and connect share one bound.
TEST(IsOnlineAt, NameResolutionIsWithinTheSameBound) {
  auto gate = std::make_shared<std::promise<void>>();
  std::shared_future<void> released = gate->get_future().share();
  ProbeResolver hanging = [released](const std::string&, std::uint32_t*) {
    released.wait();
    return false;
  };
  ProbeResult result = Probe("probe.example", 80, 300, hanging);
  EXPECT_FALSE(result.online);
  EXPECT_EQ(result.output, kNotResolved);
  EXPECT_GE(result.milliseconds, 250);
  EXPECT_LT(result.milliseconds, 1500);

  // A slow answer leaves the connect only what is left of the bound.
  Listener listener(0);
  std::vector<int> fillers = FillQueue(listener);
  ProbeResolver slow = [](const std::string& host, std::uint32_t* address) {
    usleep(300 * 1000);
    *address = htonl(INADDR_LOOPBACK);
    return host == "probe.example";
  };
  result = Probe("probe.example", listener.port(), 600, slow);
  EXPECT_FALSE(result.online);
  EXPECT_EQ(result.output, kResolved + kConnectFailed);
  EXPECT_GE(result.milliseconds, 550);
  EXPECT_LT(result.milliseconds, 1500);
  for (int s : fillers) close(s);
  gate->set_value();
}

}  // namespace
