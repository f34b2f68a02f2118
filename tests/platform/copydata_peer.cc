// The other process of the copy-data channel tests.
//   copydata_peer receive <class> <title> [handler delay ms]
//     publishes a window, prints "ready", and for every message prints
//     "got <wParam> <dwData> <cbData> <hex payload>" and returns
//     cbData * 1000 + wParam after the delay. A line "withdraw" on standard
//     input withdraws the window ("withdrawn"); the end of input ends it.
//   copydata_peer send <class|-> <title|-> <wParam>:<payload> ...
//     finds the window ("notfound", exit 2, when none) and sends each message
//     with dwData 0x1122334455667788, printing "result <n>" for each. A
//     payload is hex bytes, or "#<n>" for n bytes of the pattern (i*7+3)&255.
//     An argument "msg=<n>" sends the messages after it as message n (by
//     default WM_COPYDATA).
//     A first message argument "registry=<dir>" finds the window in that
//     registry (as a confined helper does); then "credential=<text>" makes
//     text this process's credential before anything is sent, and
//     "order=<n>" numbers every message with order n (SetSenderOrder).
#include <glib-unix.h>
#include <glib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/copydata_channel.h"
#include "platform/main_thread.h"
#include "tests/support/test_window.h"

namespace {

using test_support::TestWindow;

std::wstring Wide(const char* text) {
  std::wstring out;
  for (const char* p = text; *p; ++p) out.push_back(static_cast<unsigned char>(*p));
  return out;
}

std::vector<unsigned char> ParsePayload(const std::string& text) {
  std::vector<unsigned char> bytes;
  if (!text.empty() && text[0] == '#') {
    size_t n = std::strtoul(text.c_str() + 1, nullptr, 10);
    for (size_t i = 0; i < n; ++i) bytes.push_back(static_cast<unsigned char>((i * 7 + 3) & 255));
    return bytes;
  }
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    bytes.push_back(
        static_cast<unsigned char>(std::strtoul(text.substr(i, 2).c_str(), nullptr, 16)));
  }
  return bytes;
}

std::string Hex(const unsigned char* data, size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < size; ++i) {
    out.push_back(digits[data[i] >> 4]);
    out.push_back(digits[data[i] & 15]);
  }
  return out.empty() ? "-" : out;
}

HWND g_window = nullptr;
std::string g_input;

gboolean OnInput(gint fd, GIOCondition, gpointer) {
  char chunk[256];
  ssize_t n = read(fd, chunk, sizeof(chunk));
  if (n <= 0) {
    platform::QuitApplicationLoop();
    return G_SOURCE_REMOVE;
  }
  g_input.append(chunk, static_cast<size_t>(n));
  size_t newline;
  while ((newline = g_input.find('\n')) != std::string::npos) {
    std::string line = g_input.substr(0, newline);
    g_input.erase(0, newline + 1);
    if (line == "withdraw") {
      platform::channel::WithdrawWindow(g_window);
      std::printf("withdrawn\n");
      std::fflush(stdout);
    }
  }
  return G_SOURCE_CONTINUE;
}

int Receive(int argc, char** argv) {
  if (argc < 4) return 64;
  int delay_ms = argc > 4 ? std::atoi(argv[4]) : 0;
  platform::InitMainThread();
  TestWindow window(
      Wide(argv[2]), Wide(argv[3]), [delay_ms](UINT msg, WPARAM wparam, LPARAM lparam) {
        if (msg != WM_COPYDATA) return LRESULT{0};
        const auto* record = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
        std::printf("got %lu %lx %u %s\n", static_cast<unsigned long>(wparam),
                    static_cast<unsigned long>(record->dwData), record->cbData,
                    Hex(static_cast<const unsigned char*>(record->lpData), record->cbData).c_str());
        std::fflush(stdout);
        if (delay_ms > 0) g_usleep(static_cast<gulong>(delay_ms) * 1000);
        return static_cast<LRESULT>(record->cbData) * 1000 + static_cast<LRESULT>(wparam);
      });
  g_window = window.hwnd();
  platform::channel::PublishWindow(window.hwnd(), window.ClassName(), window.Title());
  g_unix_fd_add(0, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP), OnInput, nullptr);
  std::printf("ready\n");
  std::fflush(stdout);
  platform::RunMessageLoop();
  platform::channel::WithdrawWindow(window.hwnd());
  return 0;
}

int Send(int argc, char** argv) {
  if (argc < 4) return 64;
  std::wstring class_name = Wide(argv[2]);
  std::wstring title = Wide(argv[3]);
  int first = 4;
  if (argc > first && std::string(argv[first]).rfind("registry=", 0) == 0) {
    platform::channel::UseRegistryDirectory(argv[first] + std::strlen("registry="));
    ++first;
  }
  if (argc > first && std::string(argv[first]).rfind("credential=", 0) == 0) {
    platform::channel::SetSenderCredential(argv[first] + std::strlen("credential="));
    ++first;
  }
  if (argc > first && std::string(argv[first]).rfind("order=", 0) == 0) {
    const std::uint64_t order = std::strtoull(argv[first] + std::strlen("order="), nullptr, 10);
    platform::channel::SetSenderOrder([order] { return order; });
    ++first;
  }
  HWND hwnd = platform::channel::FindRemoteWindow(
      std::string(argv[2]) == "-" ? nullptr : class_name.c_str(),
      std::string(argv[3]) == "-" ? nullptr : title.c_str());
  if (hwnd == nullptr) {
    std::printf("notfound\n");
    return 2;
  }
  UINT message = WM_COPYDATA;
  for (int i = first; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.rfind("msg=", 0) == 0) {
      message = static_cast<UINT>(std::strtoul(arg.c_str() + 4, nullptr, 0));
      continue;
    }
    size_t colon = arg.find(':');
    WPARAM wparam = std::strtoul(arg.substr(0, colon).c_str(), nullptr, 10);
    std::vector<unsigned char> payload = ParsePayload(arg.substr(colon + 1));
    COPYDATASTRUCT record;
    record.dwData = static_cast<ULONG_PTR>(0x1122334455667788ull);
    record.cbData = static_cast<DWORD>(payload.size());
    record.lpData = payload.empty() ? nullptr : payload.data();
    LRESULT result = platform::channel::SendRemoteMessage(hwnd, message, wparam,
                                                          reinterpret_cast<LPARAM>(&record));
    std::printf("result %ld\n", static_cast<long>(result));
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string role = argc > 1 ? argv[1] : "";
  if (role == "receive") return Receive(argc, argv);
  if (role == "send") return Send(argc, argv);
  std::fprintf(stderr, "usage: copydata_peer receive|send ...\n");
  return 64;
}
