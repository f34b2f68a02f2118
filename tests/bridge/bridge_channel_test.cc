// Bridge messages sent by another process arrive at the main window with the
// bytes and cbData both ends agree on.
#include <glib.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bridge/bridge_message.h"
#include "platform/copydata_channel.h"
#include "platform/main_thread.h"
#include "tests/platform/peer_process.h"
#include "tests/support/test_window.h"

namespace {

using test_support::TestWindow;

std::string Hex(const BridgePayload& payload) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char b : payload.bytes) {
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}

struct Arrival {
  WPARAM kind;
  DWORD size;
  std::vector<unsigned char> bytes;
  std::wstring text;
  bool has_int;
  std::int32_t value;
};

TEST(BridgeChannel, EdgeCasesArriveExactlyFromAnotherProcess) {
  char pattern[] = "/tmp/bridge-test.XXXXXX";
  std::string runtime = mkdtemp(pattern);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  platform::InitMainThread();

  std::vector<Arrival> arrivals;
  TestWindow window(L"main_wnd_class", L"Quorbital", [&](UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg != WM_COPYDATA) return LRESULT{0};
    const auto* record = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
    const auto* data = static_cast<const unsigned char*>(record->lpData);
    Arrival a{wparam,
              record->cbData,
              std::vector<unsigned char>(data, data + record->cbData),
              DecodeText(record),
              false,
              0};
    a.has_int = DecodeInt(record, &a.value);
    arrivals.push_back(a);
    if (arrivals.size() == 6) platform::QuitMessageLoop();
    return LRESULT{0};
  });
  platform::channel::PublishWindow(window.hwnd(), window.ClassName(), window.Title());

  std::wstring cut = L"x";
  cut.push_back(L'\0');
  cut += L"y";
  std::wstring url = L"http://127.0.0.1:8080/slide/download/a%20b.pdf";
  std::vector<BridgePayload> sent = {
      EncodeText(L"testfunc"), EncodeInt(-1),  EncodeInt(1), EncodeInt(1),
      EncodeText(cut),         EncodeText(url)};
  std::vector<int> kinds = {BRIDGE_DOWNLOAD_LINK, BRIDGE_WINDOW_STATUS, BRIDGE_OPEN_FILE_DIALOG,
                            BRIDGE_GO_BACK,       BRIDGE_DOWNLOAD_LINK, BRIDGE_INSTRUCTION_LINK};
  std::vector<std::string> args = {"send", "main_wnd_class", "Quorbital"};
  for (size_t i = 0; i < sent.size(); ++i)
    args.push_back(std::to_string(kinds[i]) + ":" + Hex(sent[i]));
  PeerProcess renderer(args);
  guint guard = g_timeout_add(
      10000,
      [](gpointer) -> gboolean {
        platform::QuitMessageLoop();
        return G_SOURCE_REMOVE;
      },
      nullptr);
  platform::RunMessageLoop();
  g_source_remove(guard);
  platform::channel::WithdrawWindow(window.hwnd());
  std::filesystem::remove_all(runtime);

  ASSERT_EQ(arrivals.size(), 6u);
  EXPECT_EQ(arrivals[0].kind, 0u);
  EXPECT_EQ(arrivals[0].size, 18u);
  EXPECT_EQ(arrivals[0].text, L"testfunc");
  EXPECT_EQ(arrivals[1].kind, 2u);
  EXPECT_EQ(arrivals[1].bytes, (std::vector<unsigned char>{0xff, 0xff, 0xff, 0xff}));
  EXPECT_TRUE(arrivals[1].has_int);
  EXPECT_EQ(arrivals[1].value, -1);
  for (int i : {2, 3}) {
    EXPECT_EQ(arrivals[i].kind, static_cast<WPARAM>(kinds[i]));
    EXPECT_EQ(arrivals[i].bytes, (std::vector<unsigned char>{1, 0, 0, 0}));
    EXPECT_EQ(arrivals[i].value, 1);
  }
  EXPECT_EQ(arrivals[4].size, 4u);
  EXPECT_EQ(arrivals[4].text, L"x");
  EXPECT_EQ(arrivals[5].kind, 1u);
  EXPECT_EQ(arrivals[5].size, 2 * url.size() + 2);
  EXPECT_EQ(arrivals[5].text, url);
}

}  // namespace
