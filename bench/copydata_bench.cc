// Round trip of a page function's bridge message to the main window of
// another process, as a web process sends it (IsWindow, then WM_COPYDATA
// over the helpers' route, opened with the process's secret and carrying the
// order number of its news) and as the client takes it (the order check,
// then the secret and the route compared with what the client gave that
// process), against a plain Unix-socket request and reply of the same sizes
// measured in the same run.
//   copydata_bench [calls]    (the two children are this program itself)
#include <fcntl.h>
#include <glib-unix.h>
#include <glib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/target_line.h"
#include "bridge/bridge_message.h"
#include "platform/copydata_channel.h"
#include "platform/copydata_frame.h"
#include "platform/main_thread.h"
#include "platform/native_window.h"
#include "platform/windows.h"

extern char** environ;

namespace {

using platform::channel::CopyDataFrame;
using platform::channel::MessageSender;
using Clock = std::chrono::steady_clock;

// The secret the client gives a web process, and the number of that
// process's news the client has taken in (in the client: from the web
// engine's channel).
constexpr char kSecret[] = "6f1d0c5e9a3b47d2881f0e6c2b9a7d41";
constexpr std::uint64_t kNewsTakenIn = 3;

// What the client asks of a web process's message before and while it
// dispatches it: its news in, its secret and its route.
bool NewsTakenIn(const MessageSender& sender) {
  return sender.credential == kSecret && sender.order <= kNewsTakenIn;
}
bool FromTheWebProcess() {
  const MessageSender* sender = platform::channel::CurrentMessageSender();
  return sender != nullptr && sender->route == platform::channel::Route::kHelpers &&
         sender->credential == kSecret;
}

class BenchWindow : public platform::NativeWindow {
 public:
  std::wstring ClassName() const override { return L"bench_wnd_class"; }
  std::wstring Title() const override { return L"Bench"; }
  LRESULT Dispatch(UINT, WPARAM, LPARAM lparam) override {
    if (!FromTheWebProcess()) return 0;
    return static_cast<LRESULT>(DecodeText(reinterpret_cast<const COPYDATASTRUCT*>(lparam)).size());
  }
  LONG Style() const override { return 0; }
  void SetStyle(LONG) override {}
  RECT WindowRect() const override { return {}; }
  RECT ClientRect() const override { return {}; }
  void Move(int, int, int, int, bool) override {}
  void SetPos(HWND, int, int, int, int, UINT) override {}
  HWND Parent() const override { return nullptr; }
  void* NativeHandle() const override { return nullptr; }
};

void SayReady() {
  std::printf("ready\n");
  std::fflush(stdout);
}

int RunReceiver() {
  platform::InitMainThread();
  BenchWindow window;
  HWND hwnd = platform::RegisterWindow(&window);
  platform::channel::PublishWindow(hwnd, window.ClassName(), window.Title());
  platform::channel::SetOrderCheck(NewsTakenIn);
  // Ends when the parent closes our standard input.
  g_unix_fd_add(
      0, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP),
      [](gint, GIOCondition, gpointer) -> gboolean {
        platform::QuitApplicationLoop();
        return G_SOURCE_REMOVE;
      },
      nullptr);
  SayReady();
  platform::RunMessageLoop();
  platform::channel::WithdrawWindow(hwnd);
  return 0;
}

bool ReadAll(int fd, unsigned char* out, size_t size) {
  size_t got = 0;
  while (got < size) {
    ssize_t n = read(fd, out + got, size - got);
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  return true;
}

// The reference: a blocking server that reads the same request and writes a
// reply of the same size, with no event loop and no dispatch in between.
int RunEcho(const char* path) {
  int server = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un sa{};
  sa.sun_family = AF_UNIX;
  std::strncpy(sa.sun_path, path, sizeof(sa.sun_path) - 1);
  if (bind(server, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0 || listen(server, 1) != 0)
    return 1;
  SayReady();
  int fd = accept(server, nullptr, nullptr);
  unsigned char header[CopyDataFrame::kHeaderSize];
  std::vector<unsigned char> payload;
  while (ReadAll(fd, header, sizeof(header))) {
    CopyDataFrame frame;
    if (!CopyDataFrame::DecodeHeader(header, &frame)) return 1;
    payload.resize(frame.payload_size);
    if (!ReadAll(fd, payload.data(), payload.size())) break;
    unsigned char reply[CopyDataFrame::kReplySize];
    CopyDataFrame::EncodeReply(static_cast<std::int64_t>(payload.size()), reply);
    if (write(fd, reply, sizeof(reply)) != static_cast<ssize_t>(sizeof(reply))) break;
  }
  return 0;
}

struct Child {
  pid_t pid = -1;
  int in = -1;
  int out = -1;
};

Child Spawn(std::vector<std::string> args) {
  Child child;
  int in[2];
  int out[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return child;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  args.insert(args.begin(), "copydata_bench");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  if (posix_spawn(&child.pid, "/proc/self/exe", &actions, nullptr, argv.data(), environ) != 0)
    child.pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  child.in = in[1];
  child.out = out[0];
  char line[16] = {};
  if (read(child.out, line, sizeof(line) - 1) <= 0 || std::strncmp(line, "ready", 5) != 0)
    child.pid = -1;
  return child;
}

void End(Child& child) {
  if (child.in >= 0) close(child.in);
  if (child.out >= 0) close(child.out);
  if (child.pid > 0) {
    kill(child.pid, SIGTERM);
    waitpid(child.pid, nullptr, 0);
  }
}

struct Stats {
  double median_us;
  double p99_us;
};

Stats Summarise(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], times[times.size() * 99 / 100]};
}

double Time(const std::function<void()>& call) {
  auto start = Clock::now();
  call();
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

int RunBench(int calls) {
  char pattern[] = "/tmp/copydata-bench.XXXXXX";
  std::string runtime = mkdtemp(pattern);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);

  // A download link of typical length, as a renderer sends it.
  BridgePayload payload =
      EncodeText(L"http://127.0.0.1:8080/api/slide/download/2024/lesson-07/unit-3-slides.pptx");
  COPYDATASTRUCT record = payload.Record();

  std::string echo_path = runtime + "/echo.sock";
  Child receiver = Spawn({"--receiver"});
  Child echo = Spawn({"--echo", echo_path});
  // As a web process: the helpers' registry only, the secret, and the number
  // of the last news it sent the client another way.
  const std::vector<std::string> helper_dirs = platform::channel::SocketDirectories();
  if (!helper_dirs.empty()) platform::channel::UseRegistryDirectory(helper_dirs.front());
  platform::channel::SetSenderCredential(kSecret);
  platform::channel::SetSenderOrder([] { return kNewsTakenIn; });
  HWND hwnd = platform::channel::FindRemoteWindow(L"bench_wnd_class", L"Bench");
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un sa{};
  sa.sun_family = AF_UNIX;
  std::strncpy(sa.sun_path, echo_path.c_str(), sizeof(sa.sun_path) - 1);
  if (receiver.pid <= 0 || hwnd == nullptr || echo.pid <= 0 ||
      connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) != 0) {
    std::fprintf(stderr, "the receiver or the echo server did not start\n");
    End(receiver);
    End(echo);
    return 1;
  }

  LRESULT expected = static_cast<LRESULT>(record.cbData / 2 - 1);
  bool all_ok = true;
  // What the page bridge does for each call.
  auto channel_call = [&] {
    if (!IsWindow(hwnd) || SendMessageW(hwnd, WM_COPYDATA, BRIDGE_DOWNLOAD_LINK,
                                        reinterpret_cast<LPARAM>(&record)) != expected) {
      all_ok = false;
    }
  };
  CopyDataFrame frame;
  frame.message = WM_COPYDATA;
  frame.payload_size = record.cbData;
  std::vector<unsigned char> request(CopyDataFrame::kHeaderSize);
  frame.EncodeHeader(request.data());
  request.insert(request.end(), payload.bytes.begin(), payload.bytes.end());
  auto echo_call = [&] {
    unsigned char reply[CopyDataFrame::kReplySize];
    if (write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size()) ||
        !ReadAll(fd, reply, sizeof(reply))) {
      all_ok = false;
    }
  };

  // Warm caches, pools and the scheduler; then alternate blocks of the two, so
  // both see the same load on a shared machine.
  for (int i = 0; i < 500; ++i) {
    channel_call();
    echo_call();
  }
  std::vector<double> channel_times;
  std::vector<double> echo_times;
  constexpr int kBlock = 100;
  while (static_cast<int>(channel_times.size()) < calls) {
    for (int i = 0; i < kBlock && static_cast<int>(channel_times.size()) < calls; ++i) {
      channel_times.push_back(Time(channel_call));
    }
    for (int i = 0; i < kBlock && static_cast<int>(echo_times.size()) < calls; ++i) {
      echo_times.push_back(Time(echo_call));
    }
  }
  close(fd);
  End(receiver);
  End(echo);
  std::filesystem::remove_all(runtime);

  Stats channel = Summarise(channel_times);
  Stats reference = Summarise(echo_times);
  std::printf(
      "bridge message round trip (IsWindow, WM_COPYDATA with the secret and the order number, "
      "checked by the receiver), %d calls, %u-byte payload: median %.1f us, p99 %.1f us\n",
      calls, record.cbData, channel.median_us, channel.p99_us);
  std::printf(
      "plain Unix-socket request/reply (reference), same sizes, interleaved: median %.1f us, "
      "p99 %.1f us\n",
      reference.median_us, reference.p99_us);
  std::printf("ratio to reference: median %.2f, p99 %.2f\n",
              channel.median_us / reference.median_us, channel.p99_us / reference.p99_us);
  bench::ReportTarget("bridge round trip, median", channel.median_us, bench::Bound::kAtMost, 20.0,
                      " us", 1);
  bench::ReportTarget("bridge round trip, p99", channel.p99_us, bench::Bound::kAtMost, 60.0, " us",
                      1);
  if (!all_ok) std::printf("some calls returned a wrong result\n");
  return all_ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--receiver") == 0) return RunReceiver();
  if (argc > 2 && std::strcmp(argv[1], "--echo") == 0) return RunEcho(argv[2]);
  return RunBench(argc > 1 ? std::atoi(argv[1]) : 10000);
}
