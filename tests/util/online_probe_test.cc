// The connectivity probe against local listeners: open, closed, and one
// that never answers, and the diagnostic lines it writes in the encoding of
// the user's locale: GBK under a GBK locale (set for every test here unless it
// says otherwise), UTF-8 under a UTF-8 one.
#include "util/online_probe.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <netinet/tcp.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/winsock.h"

namespace {

const bool kGbkLocale = setenv("LC_ALL", "zh_CN.GBK", 1) == 0;

// A TCP listener on 127.0.0.1 at a port of the system's choice.
class Listener {
 public:
  // On 127.0.0.1 (or host, IPv4 or IPv6) at port, 0 for one of the system's
  // choice.
  explicit Listener(int backlog, const char* host = "127.0.0.1", unsigned short port = 0) {
    sockaddr_storage address{};
    socklen_t length = 0;
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    if (inet_pton(AF_INET6, host, &v6->sin6_addr) == 1) {
      v6->sin6_family = AF_INET6;
      v6->sin6_port = htons(port);
      length = sizeof(*v6);
    } else {
      inet_pton(AF_INET, host, &v4->sin_addr);
      v4->sin_family = AF_INET;
      v4->sin_port = htons(port);
      length = sizeof(*v4);
    }
    fd_ = socket(address.ss_family, SOCK_STREAM, 0);
    ok_ = fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
          listen(fd_, backlog) == 0;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.ss_family == AF_INET6 ? v6->sin6_port : v4->sin_port);
  }
  ~Listener() { close(fd_); }
  bool ok() const { return ok_; }
  int fd() const { return fd_; }
  unsigned short port() const { return port_; }

 private:
  int fd_ = -1;
  bool ok_ = false;
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
  // Full once the kernel holds more finished handshakes than the backlog
  // allows; for a listening socket TCP_INFO counts them in tcpi_unacked and
  // gives the backlog in tcpi_sacked.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (;;) {
    tcp_info info{};
    socklen_t size = sizeof(info);
    if (getsockopt(listener.fd(), IPPROTO_TCP, TCP_INFO, &info, &size) == 0 &&
        info.tcpi_unacked > info.tcpi_sacked) {
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      ADD_FAILURE() << "the listener's queue did not fill";
      break;
    }
    std::this_thread::yield();
  }
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
  ProbeResolver hanging = [released](const std::string&, std::vector<std::string>*) {
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
  ProbeResolver slow = [](const std::string& host, std::vector<std::string>* addresses) {
    usleep(300 * 1000);
    *addresses = {"127.0.0.1"};
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

// Where one family is blocked (its connection hangs) the other is tried a
// quarter second later, within the same bound; a family that refuses at once
// is left at once.
TEST(IsOnlineAt, TriesTheAddressesOfBothFamiliesInTurn) {
  Listener hanging(0);
  std::vector<int> fillers = FillQueue(hanging);
  // The same port on another loopback address, open.
  Listener open(4, "127.0.0.2", hanging.port());
  ASSERT_TRUE(open.ok());
  ProbeResolver two = [](const std::string&, std::vector<std::string>* addresses) {
    *addresses = {"::1", "127.0.0.1", "127.0.0.2"};
    return true;
  };
  // ::1 refuses (nothing listens there) or is not configured; 127.0.0.1
  // hangs; 127.0.0.2 answers.
  ProbeResult result = Probe("probe.example", hanging.port(), 3000, two);
  EXPECT_TRUE(result.online);
  EXPECT_EQ(result.output, kResolved);
  EXPECT_LT(result.milliseconds, 1500);
  for (int s : fillers) close(s);

  // Only an IPv6 listener.
  Listener v6(4, "::1", 0);
  if (!v6.ok()) GTEST_SKIP() << "no IPv6 loopback here";
  ProbeResolver both = [](const std::string&, std::vector<std::string>* addresses) {
    *addresses = {"127.0.0.1", "::1"};
    return true;
  };
  result = Probe("probe.example", v6.port(), 2000, both);
  EXPECT_TRUE(result.online);
}

TEST(ReadProbeHost, TakesTheHostFromTheProfileOrTheDefault) {
  char path[] = "/tmp/q-probe-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  EXPECT_EQ(ReadProbeHost(path), kDefaultProbeHost);
  EXPECT_EQ(ReadProbeHost("/nonexistent/version.ini"), kDefaultProbeHost);
  const std::string text = "[versionInformation]\nbuild=3\nprobeHost=probe.example.net\n";
  FILE* file = fopen(path, "w");
  fputs(text.c_str(), file);
  fclose(file);
  EXPECT_EQ(ReadProbeHost(path), "probe.example.net");
  unlink(path);
}

}  // namespace
