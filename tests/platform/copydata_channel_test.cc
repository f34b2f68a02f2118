// The copy-data channel across two real processes: what arrives, in which
// order, what is refused, and how a sender fares when its target goes away.
#include "platform/copydata_channel.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/copydata_frame.h"
#include "platform/main_thread.h"
#include "tests/platform/peer_process.h"
#include "tests/support/test_window.h"

namespace {

using platform::channel::CopyDataFrame;
using test_support::TestWindow;
using Clock = std::chrono::steady_clock;

struct Received {
  WPARAM wparam;
  ULONG_PTR tag;
  DWORD size;
  bool null_data;
  std::vector<unsigned char> bytes;
};

Received Record(WPARAM wparam, LPARAM lparam) {
  const auto* record = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
  const auto* data = static_cast<const unsigned char*>(record->lpData);
  return {wparam, record->dwData, record->cbData, data == nullptr,
          std::vector<unsigned char>(data, data + (data ? record->cbData : 0))};
}

// Runs the (possibly nested) message loop until done() holds or time runs out.
bool RunLoopUntil(const std::function<bool()>& done, int timeout_ms = test_support::kEventWaitMs) {
  struct State {
    const std::function<bool()>* done;
    gint64 deadline;
    bool ok = false;
  } state{&done, g_get_monotonic_time() + timeout_ms * 1000};
  g_timeout_add(
      2,
      [](gpointer data) -> gboolean {
        auto* s = static_cast<State*>(data);
        s->ok = (*s->done)();
        if (!s->ok && g_get_monotonic_time() < s->deadline) return G_SOURCE_CONTINUE;
        platform::QuitMessageLoop();
        return G_SOURCE_REMOVE;
      },
      &state);
  platform::RunMessageLoop();
  return state.ok;
}

std::vector<unsigned char> Frame(std::uint32_t magic, std::uint32_t version, UINT message,
                                 std::uint32_t size, std::size_t payload_bytes) {
  CopyDataFrame frame;
  frame.message = message;
  frame.payload_size = size;
  frame.wparam = 4;
  std::vector<unsigned char> bytes(CopyDataFrame::kHeaderSize + payload_bytes, 0x61);
  frame.EncodeHeader(bytes.data());
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(magic >> (8 * i));
  for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<unsigned char>(version >> (8 * i));
  return bytes;
}

std::vector<unsigned char> GoodFrame(std::uint32_t size = 3) {
  return Frame(CopyDataFrame::kMagic, CopyDataFrame::kVersion, WM_COPYDATA, size, size);
}

int ConnectTo(const std::string& address) {
  sockaddr_un sa{};
  sa.sun_family = AF_UNIX;
  socklen_t length;
  if (address[0] == '@') {
    std::memcpy(sa.sun_path + 1, address.data() + 1, address.size() - 1);
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + address.size());
  } else {
    std::memcpy(sa.sun_path, address.data(), address.size());
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + address.size() + 1);
  }
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&sa), length) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Sends raw bytes on a connection of its own and says what came back:
// "eof" (dropped without a reply), "reply <n>", or "timeout".
std::string RawExchange(const std::string& address, const std::vector<unsigned char>& bytes,
                        bool half_close = false) {
  int fd = ConnectTo(address);
  if (fd < 0) return "noconnect";
  if (send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) < 0) {
    close(fd);
    return "eof";
  }
  if (half_close) shutdown(fd, SHUT_WR);
  timeval timeout{3, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
  unsigned char reply[CopyDataFrame::kReplySize];
  ssize_t n = recv(fd, reply, sizeof(reply), MSG_WAITALL);
  close(fd);
  std::int64_t result = 0;
  if (n == 0 || (n < 0 && errno == ECONNRESET)) return "eof";
  if (n != static_cast<ssize_t>(sizeof(reply))) return "timeout";
  if (!CopyDataFrame::DecodeReply(reply, &result)) return "bad reply";
  return "reply " + std::to_string(result);
}

// Runs fn on a worker while the main loop serves the channel.
std::string OffMainThread(const std::function<std::string()>& fn) {
  std::string result;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    result = fn();
    done = true;
  });
  RunLoopUntil([&] { return done.load(); }, 10000);
  worker.join();
  return result;
}

class CopyDataChannel : public ::testing::Test {
 protected:
  // A private runtime directory for this test program and its peers.
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/copydata-test.XXXXXX";
    runtime_dir_ = mkdtemp(pattern);
    setenv("XDG_RUNTIME_DIR", runtime_dir_.c_str(), 1);
    platform::InitMainThread();
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(runtime_dir_); }

  static int CountRegistryFiles(const std::string& suffix,
                                const std::string& registry = "quorbital-windows") {
    int count = 0;
    std::error_code error;
    for (auto& file : std::filesystem::directory_iterator(runtime_dir_ + "/" + registry, error)) {
      if (file.path().extension() == suffix) ++count;
    }
    return count;
  }

  static inline std::string runtime_dir_;
};

TEST_F(CopyDataChannel, MessagesArriveWithTheirExactBytesAndReturnTheHandlersResult) {
  std::vector<Received> received;
  TestWindow window(L"qtest_exact", L"Exact", [&](UINT msg, WPARAM wparam, LPARAM lparam) {
    EXPECT_EQ(msg, WM_COPYDATA);
    received.push_back(Record(wparam, lparam));
    return static_cast<LRESULT>(received.back().size) - static_cast<LRESULT>(wparam) * 1000;
  });
  platform::channel::PublishWindow(window.hwnd(), L"qtest_exact", L"Exact");
  PeerProcess sender({"send", "qtest_exact", "Exact", "7:", "0:00", "2:ffffffff",
                      "3:0a000000000062", "5:#1048576", "6:#1048577"});
  ASSERT_TRUE(RunLoopUntil([&] { return received.size() >= 5; }, 10000));
  EXPECT_EQ(sender.ReadLine(), "result -7000");
  EXPECT_EQ(sender.ReadLine(), "result 1");
  EXPECT_EQ(sender.ReadLine(), "result -1996");
  EXPECT_EQ(sender.ReadLine(), "result -2993");
  EXPECT_EQ(sender.ReadLine(), "result " + std::to_string((1 << 20) - 5000));
  EXPECT_EQ(sender.ReadLine(), "result 0");  // over the cap: refused by the sender itself
  EXPECT_EQ(sender.Wait(), 0);
  platform::channel::WithdrawWindow(window.hwnd());

  ASSERT_EQ(received.size(), 5u);
  EXPECT_EQ(received[0].wparam, 7u);
  EXPECT_EQ(received[0].size, 0u);
  EXPECT_TRUE(received[0].null_data);
  EXPECT_EQ(received[0].tag, static_cast<ULONG_PTR>(0x1122334455667788ull));
  EXPECT_EQ(received[1].bytes, std::vector<unsigned char>({0x00}));
  EXPECT_EQ(received[2].bytes, std::vector<unsigned char>({0xff, 0xff, 0xff, 0xff}));
  EXPECT_EQ(received[3].bytes, std::vector<unsigned char>({0x0a, 0, 0, 0, 0, 0, 0x62}));
  ASSERT_EQ(received[4].size, 1u << 20);
  bool pattern_ok = true;
  for (size_t i = 0; i < received[4].bytes.size(); ++i) {
    pattern_ok =
        pattern_ok && received[4].bytes[i] == static_cast<unsigned char>((i * 7 + 3) & 255);
  }
  EXPECT_TRUE(pattern_ok);
}

TEST_F(CopyDataChannel, EachMessageNamesItsSendersProcessAndCredential) {
  std::vector<std::string> senders;
  TestWindow window(L"qtest_sender", L"Sender", [&](UINT, WPARAM, LPARAM) {
    const platform::channel::MessageSender* sender = platform::channel::CurrentMessageSender();
    senders.push_back(sender ? std::to_string(sender->pid) + " " + sender->credential : "none");
    return LRESULT{1};
  });
  platform::channel::PublishWindow(window.hwnd(), L"qtest_sender", L"Sender");
  PeerProcess with({"send", "qtest_sender", "Sender", "credential=s3cret", "1:01", "2:02"});
  ASSERT_TRUE(RunLoopUntil([&] { return senders.size() >= 2; }, 10000));
  PeerProcess without({"send", "qtest_sender", "Sender", "3:03"});
  ASSERT_TRUE(RunLoopUntil([&] { return senders.size() >= 3; }, 10000));
  EXPECT_EQ(senders, (std::vector<std::string>{std::to_string(with.pid()) + " s3cret",
                                               std::to_string(with.pid()) + " s3cret",
                                               std::to_string(without.pid()) + " "}));
  EXPECT_EQ(platform::channel::CurrentMessageSender(), nullptr) << "only while one is handled";

  // A credential comes first on a connection or not at all, and is short.
  std::string address = platform::channel::PublishedAddressForTesting(window.hwnd());
  auto late = GoodFrame();
  auto credential = Frame(CopyDataFrame::kMagic, 1, CopyDataFrame::kCredentialMessage, 3, 3);
  late.insert(late.end(), credential.begin(), credential.end());
  auto long_one = Frame(CopyDataFrame::kMagic, 1, CopyDataFrame::kCredentialMessage,
                        CopyDataFrame::kMaxCredential + 1, CopyDataFrame::kMaxCredential + 1);
  EXPECT_EQ(OffMainThread([&] { return RawExchange(address, long_one); }), "eof");
  std::string outcome = OffMainThread([&] {
    int fd = ConnectTo(address);
    send(fd, late.data(), late.size(), MSG_NOSIGNAL);
    unsigned char reply[CopyDataFrame::kReplySize * 2];
    const ssize_t n = recv(fd, reply, sizeof(reply), MSG_WAITALL);
    close(fd);
    return std::to_string(n);
  });
  EXPECT_EQ(outcome, std::to_string(CopyDataFrame::kReplySize)) << "one reply, then dropped";
  platform::channel::WithdrawWindow(window.hwnd());
}

TEST_F(CopyDataChannel, HelpersHaveARouteOfTheirOwnThatOpensWithACredential) {
  using platform::channel::Route;
  std::vector<Route> routes;
  TestWindow window(L"qtest_route", L"Route", [&](UINT, WPARAM, LPARAM) {
    routes.push_back(platform::channel::CurrentMessageSender()->route);
    return LRESULT{1};
  });
  platform::channel::PublishWindow(window.hwnd(), L"qtest_route", L"Route");
  const std::string users =
      platform::channel::PublishedAddressForTesting(window.hwnd(), Route::kUserProcesses);
  const std::string helpers =
      platform::channel::PublishedAddressForTesting(window.hwnd(), Route::kHelpers);
  // What a helper is given holds the helpers' socket and nothing of the
  // other route: neither its socket nor its entries.
  const std::vector<std::string> dirs = platform::channel::SocketDirectories();
  ASSERT_EQ(dirs, std::vector<std::string>{runtime_dir_ + "/quorbital-bridge"});
  EXPECT_EQ(helpers.substr(0, helpers.rfind('/')), dirs[0]);
  EXPECT_EQ(users.substr(0, users.rfind('/')), runtime_dir_ + "/quorbital-windows");
  EXPECT_EQ(users.substr(users.rfind('/')), helpers.substr(helpers.rfind('/')))
      << "one name on both routes";

  auto credential = Frame(CopyDataFrame::kMagic, 1, CopyDataFrame::kCredentialMessage, 3, 3);
  auto credited = credential;
  const auto message = GoodFrame();
  credited.insert(credited.end(), message.begin(), message.end());
  EXPECT_EQ(OffMainThread([&] { return RawExchange(helpers, message); }), "eof");
  EXPECT_EQ(OffMainThread([&] { return RawExchange(helpers, credited); }), "reply 1");
  EXPECT_EQ(OffMainThread([&] { return RawExchange(users, message); }), "reply 1");
  EXPECT_EQ(routes, (std::vector<Route>{Route::kHelpers, Route::kUserProcesses}));

  // A process that sees only the helpers' registry finds the window there.
  PeerProcess helper(
      {"send", "qtest_route", "Route", "registry=" + dirs[0], "credential=c", "7:07"});
  EXPECT_TRUE(RunLoopUntil([&] { return routes.size() == 3; }));
  EXPECT_EQ(helper.ReadLine(), "result 1");
  EXPECT_EQ(routes.back(), Route::kHelpers);
  platform::channel::WithdrawWindow(window.hwnd());
}

TEST_F(CopyDataChannel, LaterMessagesWaitWhileAHandlerRunsAModalLoop) {
  std::vector<std::string> trace;
  int ticks_in_modal = 0;
  std::vector<std::unique_ptr<PeerProcess>> senders;
  TestWindow window(L"qtest_modal", L"Modal", [&](UINT, WPARAM wparam, LPARAM) {
    trace.push_back("begin " + std::to_string(wparam));
    if (wparam == 1) {
      // The scripted modal dialog: two more senders arrive, one after the
      // other, while it runs; its loop keeps serving other sources.
      guint ticker = g_timeout_add(
          5,
          [](gpointer count) -> gboolean {
            ++*static_cast<int*>(count);
            return G_SOURCE_CONTINUE;
          },
          &ticks_in_modal);
      senders.push_back(std::make_unique<PeerProcess>(
          std::vector<std::string>{"send", "qtest_modal", "Modal", "2:02"}));
      EXPECT_TRUE(RunLoopUntil([] { return platform::channel::QueuedMessagesForTesting() == 1; }));
      senders.push_back(std::make_unique<PeerProcess>(
          std::vector<std::string>{"send", "qtest_modal", "Modal", "3:03"}));
      EXPECT_TRUE(RunLoopUntil([] { return platform::channel::QueuedMessagesForTesting() == 2; }));
      // Several turns of the modal loop, which serve other sources and leave
      // the queued messages waiting.
      const int ticks = ticks_in_modal;
      EXPECT_TRUE(RunLoopUntil([&] { return ticks_in_modal > ticks + 5; }));
      g_source_remove(ticker);
    }
    trace.push_back("end " + std::to_string(wparam));
    return static_cast<LRESULT>(wparam) * 10;
  });
  platform::channel::PublishWindow(window.hwnd(), L"qtest_modal", L"Modal");
  PeerProcess first({"send", "qtest_modal", "Modal", "1:01"});
  ASSERT_TRUE(RunLoopUntil([&] { return trace.size() >= 6; }, 10000));
  platform::channel::WithdrawWindow(window.hwnd());

  EXPECT_EQ(trace,
            (std::vector<std::string>{"begin 1", "end 1", "begin 2", "end 2", "begin 3", "end 3"}));
  EXPECT_GT(ticks_in_modal, 5);
  EXPECT_EQ(first.ReadLine(), "result 10");
  ASSERT_EQ(senders.size(), 2u);
  EXPECT_EQ(senders[0]->ReadLine(), "result 20");
  EXPECT_EQ(senders[1]->ReadLine(), "result 30");
}

TEST_F(CopyDataChannel, MalformedFramesAreDroppedAndAStalledSenderBlocksNothing) {
  int handled = 0;
  TestWindow window(L"qtest_raw", L"Raw", [&](UINT, WPARAM wparam, LPARAM lparam) {
    ++handled;
    auto r = Record(wparam, lparam);
    return static_cast<LRESULT>(r.size * 100 + r.bytes[0] - 0x61);
  });
  platform::channel::PublishWindow(window.hwnd(), L"qtest_raw", L"Raw");
  std::string address = platform::channel::PublishedAddressForTesting(window.hwnd());
  ASSERT_FALSE(address.empty());

  // A sender that stops in the middle of its header holds only its own connection.
  int stalled = ConnectTo(address);
  ASSERT_GE(stalled, 0);
  auto good = GoodFrame();
  ASSERT_EQ(send(stalled, good.data(), 10, MSG_NOSIGNAL), 10);

  std::vector<std::string> outcomes = {
      OffMainThread([&] { return RawExchange(address, Frame(0x12345678, 1, WM_COPYDATA, 3, 3)); }),
      OffMainThread(
          [&] { return RawExchange(address, Frame(CopyDataFrame::kMagic, 2, WM_COPYDATA, 3, 3)); }),
      OffMainThread(
          [&] { return RawExchange(address, Frame(CopyDataFrame::kMagic, 1, WM_USER, 3, 3)); }),
      OffMainThread([&] {
        return RawExchange(address,
                           Frame(CopyDataFrame::kMagic, 1, WM_COPYDATA, (1u << 20) + 1, 64));
      }),
      OffMainThread([&] {  // declares 10 bytes, sends 4, then ends
        return RawExchange(address, Frame(CopyDataFrame::kMagic, 1, WM_COPYDATA, 10, 4), true);
      }),
      OffMainThread([&] { return RawExchange(address, GoodFrame()); }),
  };
  EXPECT_EQ(outcomes, (std::vector<std::string>{"eof", "eof", "eof", "eof", "eof", "reply 300"}));
  EXPECT_EQ(handled, 1);

  // The stalled sender finishes late and is served like anyone else.
  ASSERT_EQ(send(stalled, good.data() + 10, good.size() - 10, MSG_NOSIGNAL),
            static_cast<ssize_t>(good.size() - 10));
  std::string late = OffMainThread([&] {
    unsigned char reply[CopyDataFrame::kReplySize];
    std::int64_t result = -1;
    if (recv(stalled, reply, sizeof(reply), MSG_WAITALL) != sizeof(reply))
      return std::string("eof");
    CopyDataFrame::DecodeReply(reply, &result);
    return "reply " + std::to_string(result);
  });
  EXPECT_EQ(late, "reply 300");
  close(stalled);
  EXPECT_EQ(handled, 2);

  // Two messages in one write: each is answered in order, the second once
  // the first's reply is out.
  std::vector<unsigned char> two = GoodFrame(5);
  const std::vector<unsigned char> next = GoodFrame(7);
  two.insert(two.end(), next.begin(), next.end());
  std::string both = OffMainThread([&] {
    int fd = ConnectTo(address);
    if (fd < 0 || send(fd, two.data(), two.size(), MSG_NOSIGNAL) != ssize_t(two.size()))
      return std::string("not sent");
    timeval timeout{3, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    std::string replies;
    for (int i = 0; i < 2; ++i) {
      unsigned char reply[CopyDataFrame::kReplySize];
      std::int64_t result = -1;
      if (recv(fd, reply, sizeof(reply), MSG_WAITALL) != sizeof(reply)) break;
      CopyDataFrame::DecodeReply(reply, &result);
      replies += std::to_string(result) + " ";
    }
    close(fd);
    return replies;
  });
  EXPECT_EQ(both, "500 700 ");
  EXPECT_EQ(handled, 4);
  platform::channel::WithdrawWindow(window.hwnd());
}

TEST_F(CopyDataChannel, OtherUsersAreRefused) {
  int handled = 0;
  TestWindow window(L"qtest_user", L"User", [&](UINT, WPARAM, LPARAM) { return ++handled; });
  platform::channel::PublishWindow(window.hwnd(), L"qtest_user", L"User");
  std::string address = platform::channel::PublishedAddressForTesting(window.hwnd());

  // The check sees the connecting process's user as the kernel reports it.
  uid_t seen = 12345;
  platform::channel::SetPeerCheckForTesting([&](uid_t uid) {
    seen = uid;
    return false;
  });
  EXPECT_EQ(OffMainThread([&] { return RawExchange(address, GoodFrame()); }), "eof");
  EXPECT_EQ(seen, geteuid());
  platform::channel::SetPeerCheckForTesting({});
  EXPECT_EQ(OffMainThread([&] { return RawExchange(address, GoodFrame()); }), "reply 1");

  if (geteuid() == 0) {
    // A real other user: the child takes the user "nobody" as its effective
    // user (which the kernel reports to the receiver) but keeps root's file
    // access, so it can still reach the socket in our private directory.
    pid_t child = fork();
    if (child == 0) {
      if (seteuid(65534) != 0) _exit(3);
      setfsuid(0);
      int fd = ConnectTo(address);
      if (fd < 0) _exit(4);
      auto frame = GoodFrame();
      if (send(fd, frame.data(), frame.size(), MSG_NOSIGNAL) < 0) _exit(0);
      unsigned char reply[CopyDataFrame::kReplySize];
      _exit(recv(fd, reply, sizeof(reply), MSG_WAITALL) <= 0 ? 0 : 1);
    }
    int status = -1;
    ASSERT_TRUE(RunLoopUntil([&] { return waitpid(child, &status, WNOHANG) == child; }));
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "3: seteuid, 4: connect failed, 1: got a reply";
  }
  EXPECT_EQ(handled, 1);
  platform::channel::WithdrawWindow(window.hwnd());
}

TEST_F(CopyDataChannel, ConnectionsThatBringNoWholeFrameInTimeAreDropped) {
  int handled = 0;
  TestWindow window(L"qtest_late", L"Late", [&](UINT, WPARAM, LPARAM) { return ++handled; });
  platform::channel::PublishWindow(window.hwnd(), L"qtest_late", L"Late");
  std::string address = platform::channel::PublishedAddressForTesting(window.hwnd());
  // One says nothing at all, one stops in the middle of its header.
  int silent = ConnectTo(address);
  int half = ConnectTo(address);
  ASSERT_GE(silent, 0);
  ASSERT_GE(half, 0);
  auto good = GoodFrame();
  ASSERT_EQ(send(half, good.data(), 10, MSG_NOSIGNAL), 10);
  const auto start = Clock::now();
  ASSERT_TRUE(RunLoopUntil(
      [&] {
        pollfd both[2] = {{silent, POLLIN, 0}, {half, POLLIN, 0}};
        return poll(both, 2, 0) == 2;
      },
      10000));
  const auto waited = Clock::now() - start;
  // Dropped after the 5 s they are given: not before, and not never.
  EXPECT_GT(waited, std::chrono::milliseconds(4500));
  char byte;
  EXPECT_EQ(recv(silent, &byte, 1, 0), 0);
  EXPECT_EQ(recv(half, &byte, 1, 0), 0);
  close(silent);
  close(half);
  // A sender that keeps to the time is served as ever.
  EXPECT_EQ(OffMainThread([&] { return RawExchange(address, GoodFrame()); }), "reply 1");
  platform::channel::WithdrawWindow(window.hwnd());
}

TEST_F(CopyDataChannel, NothingIsSentToAListenerOfAnotherUser) {
  PeerProcess receiver({"receive", "qtest_owner", "Owner"});
  ASSERT_EQ(receiver.ReadLine(), "ready");
  // The check sees the listening process's user as the kernel reports it.
  uid_t seen = 12345;
  platform::channel::SetListenerCheckForTesting([&](uid_t uid) {
    seen = uid;
    return false;
  });
  EXPECT_EQ(platform::channel::FindRemoteWindow(L"qtest_owner", L"Owner"), nullptr);
  EXPECT_EQ(seen, geteuid());
  platform::channel::SetListenerCheckForTesting({});
  HWND hwnd = platform::channel::FindRemoteWindow(L"qtest_owner", L"Owner");
  ASSERT_NE(hwnd, nullptr);
  unsigned char one[] = {1};
  COPYDATASTRUCT record{0, 1, one};
  EXPECT_EQ(
      platform::channel::SendRemoteMessage(hwnd, WM_COPYDATA, 2, reinterpret_cast<LPARAM>(&record)),
      1002);
  EXPECT_EQ(receiver.ReadLine(), "got 2 0 1 01");

  if (geteuid() == 0) {
    // A real other user listening at an address our registry names: the
    // child takes the user "nobody" before it listens, keeping root's file
    // access to reach our private directory.
    const std::string dir = runtime_dir_ + "/quorbital-windows";
    const std::string socket_path = dir + "/other.sock";
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    if (child == 0) {
      close(ready[0]);
      if (seteuid(65534) != 0) _exit(3);
      setfsuid(0);
      sockaddr_un sa{};
      sa.sun_family = AF_UNIX;
      std::strcpy(sa.sun_path, socket_path.c_str());
      int fd = socket(AF_UNIX, SOCK_STREAM, 0);
      if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0 || listen(fd, 4) != 0)
        _exit(4);
      if (write(ready[1], "r", 1) != 1) _exit(5);
      pause();
      _exit(0);
    }
    close(ready[1]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    {
      std::ofstream entry(dir + "/other.window");
      entry << "[window]\npid=1\npublished=1\naddress=" << socket_path
            << "\nclass=qtest_other_user\ntitle=Other\n";
    }
    EXPECT_EQ(platform::channel::FindRemoteWindow(L"qtest_other_user", L"Other"), nullptr);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    unlink((dir + "/other.window").c_str());
    unlink(socket_path.c_str());
  }
}

TEST_F(CopyDataChannel, ABoundedSendToAStoppedWindowEndsAndIsWithdrawn) {
  PeerProcess receiver({"receive", "qtest_stopped", "Stopped"});
  ASSERT_EQ(receiver.ReadLine(), "ready");
  HWND hwnd = platform::channel::FindRemoteWindow(L"qtest_stopped", L"Stopped");
  ASSERT_NE(hwnd, nullptr);
  unsigned char abc[] = {'a', 'b', 'c'};
  COPYDATASTRUCT record{5, 3, abc};
  // Sent only once the receiver has stopped: a signal takes effect a moment
  // after kill() returns, and a receiver still running could take a message
  // that the test means to be withdrawn.
  kill(receiver.pid(), SIGSTOP);
  // SIGSTOP cannot be caught or ignored, so the child reports its stop (or
  // its end, failing the check) at once.
  int status = 0;
  waitpid(receiver.pid(), &status, WUNTRACED);
  ASSERT_TRUE(WIFSTOPPED(status)) << "the receiver did not stop";
  LRESULT result = -1;
  auto start = Clock::now();
  EXPECT_FALSE(platform::channel::SendRemoteMessageWithin(
      hwnd, WM_COPYDATA, 1, reinterpret_cast<LPARAM>(&record), 300, false, &result));
  auto spent = Clock::now() - start;
  // The upper bounds below are far from the bound kept, so that a busy
  // machine does not fail them, and far below the next bound that a send
  // ignoring its own would meet (5 s for a hung receiver, then 30 s).
  EXPECT_GE(spent, std::chrono::milliseconds(250));
  EXPECT_LT(spent, std::chrono::milliseconds(3000));
  EXPECT_EQ(result, 0);
  // A process that leaves the message unread for 5 seconds counts as hung.
  start = Clock::now();
  EXPECT_FALSE(platform::channel::SendRemoteMessageWithin(
      hwnd, WM_COPYDATA, 1, reinterpret_cast<LPARAM>(&record), 30000, true, &result));
  spent = Clock::now() - start;
  EXPECT_GE(spent, std::chrono::milliseconds(4900));
  EXPECT_LT(spent, std::chrono::milliseconds(15000));
  kill(receiver.pid(), SIGCONT);
  // The withdrawn messages never reach the window; the next one does.
  EXPECT_TRUE(platform::channel::SendRemoteMessageWithin(
      hwnd, WM_COPYDATA, 2, reinterpret_cast<LPARAM>(&record), 5000, true, &result));
  EXPECT_EQ(result, 3002);
  EXPECT_EQ(receiver.ReadLine(), "got 2 5 3 616263");
}

TEST_F(CopyDataChannel, FindsByClassAndTitleAndFailsAtOnceWhenTheTargetHasGone) {
  PeerProcess receiver({"receive", "qtest_gone", "Gone"});
  ASSERT_EQ(receiver.ReadLine(), "ready");
  HWND hwnd = platform::channel::FindRemoteWindow(L"qtest_gone", L"Gone");
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(hwnd) % 2, 0u);
  EXPECT_TRUE(platform::channel::IsRemoteHandle(hwnd));
  EXPECT_TRUE(platform::channel::IsRemoteWindowAlive(hwnd));
  EXPECT_EQ(platform::channel::FindRemoteWindow(L"qtest_gone", nullptr), hwnd);
  EXPECT_EQ(platform::channel::FindRemoteWindow(nullptr, L"Gone"), hwnd);
  EXPECT_EQ(platform::channel::FindRemoteWindow(L"qtest_gone", L"Other"), nullptr);
  EXPECT_EQ(platform::channel::FindRemoteWindow(L"qtest_other", L"Gone"), nullptr);

  unsigned char abc[] = {'a', 'b', 'c'};
  COPYDATASTRUCT record{5, 3, abc};
  EXPECT_EQ(
      platform::channel::SendRemoteMessage(hwnd, WM_COPYDATA, 9, reinterpret_cast<LPARAM>(&record)),
      3009);
  EXPECT_EQ(receiver.ReadLine(), "got 9 5 3 616263");
  EXPECT_EQ(
      platform::channel::SendRemoteMessage(hwnd, WM_USER, 9, reinterpret_cast<LPARAM>(&record)), 0);

  // Withdrawn: no longer a window, found no more, and a send fails at once.
  receiver.WriteLine("withdraw");
  ASSERT_EQ(receiver.ReadLine(), "withdrawn");
  EXPECT_FALSE(platform::channel::IsRemoteWindowAlive(hwnd));
  EXPECT_EQ(platform::channel::FindRemoteWindow(L"qtest_gone", L"Gone"), nullptr);
  auto start = Clock::now();
  EXPECT_EQ(
      platform::channel::SendRemoteMessage(hwnd, WM_COPYDATA, 9, reinterpret_cast<LPARAM>(&record)),
      0);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2500));  // not the 5 s of a hung one

  // A receiver that dies while its handler runs releases the waiting sender.
  PeerProcess slow({"receive", "qtest_slow", "Slow", "20000"});
  ASSERT_EQ(slow.ReadLine(), "ready");
  HWND slow_hwnd = platform::channel::FindRemoteWindow(L"qtest_slow", L"Slow");
  ASSERT_NE(slow_hwnd, nullptr);
  LRESULT slow_result = -1;
  Clock::time_point returned;
  std::thread waiting([&] {
    slow_result = platform::channel::SendRemoteMessage(slow_hwnd, WM_COPYDATA, 1,
                                                       reinterpret_cast<LPARAM>(&record));
    returned = Clock::now();
  });
  ASSERT_EQ(slow.ReadLine(), "got 1 5 3 616263");
  auto killed = Clock::now();
  slow.Kill();
  waiting.join();
  EXPECT_EQ(slow_result, 0);
  EXPECT_LT(returned - killed, std::chrono::milliseconds(2500));  // not the 5 s of a hung one
  EXPECT_FALSE(platform::channel::IsRemoteWindowAlive(slow_hwnd));
}

TEST_F(CopyDataChannel, EntriesOfAKilledProcessAreNotFoundAndAreRemoved) {
  const int entries = CountRegistryFiles(".window");
  const int sockets = CountRegistryFiles(".sock");
  const int helper_entries = CountRegistryFiles(".window", "quorbital-bridge");
  const int helper_sockets = CountRegistryFiles(".sock", "quorbital-bridge");
  {
    PeerProcess receiver({"receive", "qtest_stale", "Stale"});
    ASSERT_EQ(receiver.ReadLine(), "ready");
    receiver.Kill();  // no chance to withdraw its window
  }
  EXPECT_EQ(CountRegistryFiles(".window"), entries + 1);
  EXPECT_EQ(CountRegistryFiles(".window", "quorbital-bridge"), helper_entries + 1);
  EXPECT_EQ(platform::channel::FindRemoteWindow(L"qtest_stale", L"Stale"), nullptr);
  // Both routes' files go: the helpers could not remove theirs.
  EXPECT_EQ(CountRegistryFiles(".window"), entries);
  EXPECT_EQ(CountRegistryFiles(".sock"), sockets);
  EXPECT_EQ(CountRegistryFiles(".window", "quorbital-bridge"), helper_entries);
  EXPECT_EQ(CountRegistryFiles(".sock", "quorbital-bridge"), helper_sockets);

  // A live window published after it is still found.
  PeerProcess receiver({"receive", "qtest_stale", "Stale"});
  ASSERT_EQ(receiver.ReadLine(), "ready");
  EXPECT_NE(platform::channel::FindRemoteWindow(L"qtest_stale", L"Stale"), nullptr);
}

TEST_F(CopyDataChannel, IdleConnectionsMakeRoomForNewSenders) {
  TestWindow window(L"qtest_many", L"Many", [&](UINT, WPARAM, LPARAM) { return LRESULT{1}; });
  platform::channel::PublishWindow(window.hwnd(), L"qtest_many", L"Many");
  std::string address = platform::channel::PublishedAddressForTesting(window.hwnd());
  std::vector<int> idle;
  // Connecting waits while the listen queue is full, so the loop must run.
  OffMainThread([&] {
    for (int i = 0; i < 80; ++i) idle.push_back(ConnectTo(address));
    return std::string();
  });
  // The receiver has taken more than it keeps once the oldest is closed.
  EXPECT_TRUE(RunLoopUntil([&] {
    pollfd first{idle.front(), POLLIN, 0};
    return poll(&first, 1, 0) == 1;
  }));
  EXPECT_EQ(OffMainThread([&] { return RawExchange(address, GoodFrame()); }), "reply 1");
  // The oldest idle connections were the ones closed.
  pollfd first{idle.front(), POLLIN, 0};
  EXPECT_EQ(poll(&first, 1, 0), 1);
  pollfd last{idle.back(), POLLIN, 0};
  EXPECT_EQ(poll(&last, 1, 0), 0);
  for (int fd : idle) close(fd);
  platform::channel::WithdrawWindow(window.hwnd());
}

TEST_F(CopyDataChannel, ADeepRuntimeDirectoryPutsTheSocketInAShortPrivateDirectory) {
  std::string deep = runtime_dir_ + "/" + std::string(60, 'd') + "/" + std::string(60, 'e');
  std::filesystem::create_directories(deep);
  std::filesystem::permissions(deep, std::filesystem::perms::owner_all);
  setenv("XDG_RUNTIME_DIR", deep.c_str(), 1);
  // The folders a helper must reach: its registry and its short folder.
  const std::vector<std::string> dirs = platform::channel::SocketDirectories();
  ASSERT_EQ(dirs.size(), 2u);
  EXPECT_EQ(dirs[0], deep + "/quorbital-bridge");
  const std::string shared = "/tmp/quorbital-" + std::to_string(geteuid());
  EXPECT_EQ(dirs[1], shared + "/bridge");
  std::vector<Received> received;
  TestWindow window(L"qtest_deep", L"Deep", [&](UINT, WPARAM wparam, LPARAM lparam) {
    received.push_back(Record(wparam, lparam));
    return LRESULT{5};
  });
  platform::channel::PublishWindow(window.hwnd(), L"qtest_deep", L"Deep");
  // Never a name in the abstract namespace, which any user could take first.
  const std::string address = platform::channel::PublishedAddressForTesting(window.hwnd());
  const std::string folder = address.substr(0, address.rfind('/'));
  EXPECT_EQ(folder, shared) << address;
  const std::string helpers = platform::channel::PublishedAddressForTesting(
      window.hwnd(), platform::channel::Route::kHelpers);
  EXPECT_EQ(helpers.substr(0, helpers.rfind('/')), dirs[1]);
  struct stat st;
  ASSERT_EQ(lstat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, geteuid());
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  PeerProcess sender({"send", "qtest_deep", "Deep", "1:41"});
  EXPECT_TRUE(RunLoopUntil([&] { return !received.empty(); }));
  EXPECT_EQ(sender.ReadLine(), "result 5");
  platform::channel::WithdrawWindow(window.hwnd());
  EXPECT_NE(lstat(address.c_str(), &st), 0) << "the socket goes with the window";
  setenv("XDG_RUNTIME_DIR", runtime_dir_.c_str(), 1);
}

}  // namespace
