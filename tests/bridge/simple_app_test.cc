// The page bridge in real web processes: the client's renderer extension
// binds the page functions into every frame and sends bridge messages to a
// stand-in main window (class "main_wnd_class", title "Quorbital") published
// over the channel between processes, as the real main window is.
#include "bridge/simple_app.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <webkit2/webkit2.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/engine_settings.h"
#include "app/locations.h"
#include "bridge/bridge_message.h"
#include "engine/cef_browser_host.h"
#include "engine/cef_client.h"
#include "engine/cef_frame.h"
#include "engine/cef_load_handler.h"
#include "engine/cef_process_message.h"
#include "platform/copydata_channel.h"
#include "tests/support/engine_env.h"
#include "tests/support/main_loop.h"
#include "tests/support/page_probe.h"
#include "tests/support/test_window.h"

using test_support::EvalJs;
using test_support::PumpFor;
using test_support::PumpUntil;

namespace {

std::string g_pages;  // test pages of the installed bundle (inside EditorDir)
std::string g_web;    // local pages outside it, which count as web pages

struct Received {
  WPARAM kind;
  std::vector<unsigned char> bytes;
};

// The test browser's client (every document counts as the client's own),
// which also keeps the documents the engine said the main frame committed.
class Client : public test_support::BrowserClient, public CefLoadHandler {
 public:
  CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
  void OnLoadStart(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame) override {
    if (!frame->IsMain()) return;
    const std::string url = frame->GetURL().ToString();
    commits.push_back(url.substr(url.rfind('/') + 1));
  }
  std::vector<std::string> commits;
  IMPLEMENT_REFCOUNTING(Client);
};

// Records every bridge message with its exact payload bytes.
class StandInMainWindow : public test_support::TestWindow {
 public:
  StandInMainWindow() : TestWindow(kMainWndClass, kMainWndTitle, 800, 600) {
    platform::channel::PublishWindow(hwnd(), kMainWndClass, kMainWndTitle);
  }
  ~StandInMainWindow() override { platform::channel::WithdrawWindow(hwnd()); }

  LRESULT Dispatch(UINT msg, WPARAM wparam, LPARAM lparam) override {
    if (msg == kOnlineQueryMessage) return online ? 1 : 0;
    if (msg == WM_COPYDATA) {
      auto* record = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
      const auto* data = static_cast<const unsigned char*>(record->lpData);
      received.push_back({wparam, std::vector<unsigned char>(data, data + record->cbData)});
      if (client) seen_commit.push_back(client->commits.empty() ? "" : client->commits.back());
    }
    return TestWindow::Dispatch(msg, wparam, lparam);
  }

  std::vector<Received> received;
  // For each message, the last main-frame document the client had heard of.
  Client* client = nullptr;
  std::vector<std::string> seen_commit;
  bool online = false;  // the answer to the renderer's online question
};

std::vector<unsigned char> TextBytes(const std::wstring& text) { return EncodeText(text).bytes; }
std::vector<unsigned char> IntBytes(int32_t value) { return EncodeInt(value).bytes; }

class PageBridge : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<StandInMainWindow>();
    client_ = new Client();
    window_->client = client_.get();
    browser_ = test_support::CreateBrowserIn(window_->hwnd(), RECT{1, 24, 799, 599}, client_,
                                             [&] { return client_->browser_; });
    ASSERT_TRUE(browser_);
    ASSERT_TRUE(Load("file://" + g_pages + "/page.html"));
  }
  void TearDown() override {
    browser_ = nullptr;
    window_.reset();
    test_support::PumpPending();
  }

  bool Load(const std::string& url) { return test_support::LoadAndWait(browser_, url); }
  // Runs script and returns what it evaluated to; bridge messages it caused
  // have arrived by then, since page functions send synchronously.
  std::string Js(const std::string& script) { return EvalJs(browser_, script); }
  std::vector<Received> Take() {
    std::vector<Received> out;
    out.swap(window_->received);
    return out;
  }

  std::unique_ptr<StandInMainWindow> window_;
  CefRefPtr<Client> client_;
  CefRefPtr<CefBrowser> browser_;
};

TEST_F(PageBridge, BindsTheTenPropertiesUnderTheirNames) {
  EXPECT_EQ(Js("[myfunc.name, test2.name, registercb.name, showWindowStatus.name, "
               "openFileDialog.name, goback.name, isonline.name, getversion.name].join()"),
            "testfunc,testfunc2,registercb,showWindowStatus,openFileDialog,goback,isonline,"
            "getversion");
  EXPECT_EQ(Js("String('testfunc' in window) + ('testfunc2' in window)"), "falsefalse");
  EXPECT_EQ(Js("[qt, JSON.stringify(filepath), getversion(), getversion(1, 'x')].join()"),
            "qt,\"\",1.4.3,1.4.3");
  // The main window answers isonline(): web processes have no network.
  EXPECT_EQ(Js("isonline()"), "false");
  window_->online = true;
  EXPECT_EQ(Js("isonline()"), "true");
  // Pages may overwrite them.
  EXPECT_EQ(Js("getversion = 5; String(getversion)"), "5");
}

TEST_F(PageBridge, SendsTheExactPayloadsAndKeepsTheArgumentRules) {
  EXPECT_EQ(Js("String(myfunc(1, 2))"), "undefined");
  auto got = Take();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].kind, static_cast<WPARAM>(BRIDGE_DOWNLOAD_LINK));
  EXPECT_EQ(got[0].bytes.size(), 18u);
  EXPECT_EQ(got[0].bytes, TextBytes(L"testfunc"));

  Js("test2('x'); test2(); test2(1); test2('a', 'b'); test2('cut\\u0000here')");
  got = Take();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].bytes, TextBytes(L"function name: testfunc2   arg: x"));
  EXPECT_EQ(got[1].bytes, TextBytes(L"function name: testfunc2   arg: cut"));

  Js("showWindowStatus(1); showWindowStatus(2); showWindowStatus(-1); showWindowStatus(1.5);"
     "showWindowStatus('1'); showWindowStatus(); showWindowStatus(1, 2)");
  got = Take();
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].kind, static_cast<WPARAM>(BRIDGE_WINDOW_STATUS));
  EXPECT_EQ(got[0].bytes, IntBytes(1));
  EXPECT_EQ(got[1].bytes, IntBytes(2));
  EXPECT_EQ(got[2].bytes, (std::vector<unsigned char>{0xFF, 0xFF, 0xFF, 0xFF}));

  Js("openFileDialog('ignored'); goback(1, 2, 3)");
  got = Take();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].kind, static_cast<WPARAM>(BRIDGE_OPEN_FILE_DIALOG));
  EXPECT_EQ(got[0].bytes, (std::vector<unsigned char>{1, 0, 0, 0}));
  EXPECT_EQ(got[1].kind, static_cast<WPARAM>(BRIDGE_GO_BACK));
  EXPECT_EQ(got[1].bytes, (std::vector<unsigned char>{1, 0, 0, 0}));
}

TEST_F(PageBridge, TextsKeepThePagesUnitsAndOnlyTrueIntegersAreSent) {
  Js("test2('A\\uD800B'); test2('\\uD83D\\uDE00\\uDC00')");
  auto got = Take();
  ASSERT_EQ(got.size(), 2u);
  // The UTF-16 units on the wire, written out one by one.
  auto units = [](std::u16string arg) {
    std::vector<unsigned char> bytes;
    for (char16_t unit : u"function name: testfunc2   arg: " + arg + u'\0') {
      bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
      bytes.push_back(static_cast<unsigned char>(unit >> 8));
    }
    return bytes;
  };
  EXPECT_EQ(got[0].bytes, units({u'A', char16_t(0xD800), u'B'}));
  EXPECT_EQ(got[1].bytes, units({char16_t(0xD83D), char16_t(0xDE00), char16_t(0xDC00)}));

  Js("showWindowStatus(-0); showWindowStatus(1.5); showWindowStatus(2**32); "
     "showWindowStatus(NaN); showWindowStatus(-(2**31))");
  got = Take();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].bytes, (std::vector<unsigned char>{0, 0, 0, 0x80}));
}

TEST_F(PageBridge, ReportsDownloadAndInstructionNavigationsAndKeepsThePage) {
  const std::string base = "file://" + g_pages;
  // A link the client saves itself is reported once and the page stays;
  // other navigations go on.
  auto follow = [&](const std::string& url) {
    Js("window.kept = 'kept'; location.href = '" + url + "'");
    PumpUntil([&] { return !window_->received.empty() || Js("window.kept") != "kept"; });
    PumpFor(300);  // only to show that nothing more comes
    return Take();
  };
  auto got = follow(base + "/slide/download/a%20b.html");
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].kind, static_cast<WPARAM>(BRIDGE_DOWNLOAD_LINK));
  std::wstring url(L"file://");
  for (char c : g_pages) url += static_cast<wchar_t>(static_cast<unsigned char>(c));
  EXPECT_EQ(got[0].bytes, TextBytes(url + L"/slide/download/a%20b.html"));
  EXPECT_EQ(Js("window.kept"), "kept");

  got = follow(base + "/instruction.pdf.html");
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].kind, static_cast<WPARAM>(BRIDGE_INSTRUCTION_LINK));
  got = follow(base + "/slide/download/instruction.pdf.html");
  ASSERT_EQ(got.size(), 1u) << "a URL holding both is reported once";
  EXPECT_EQ(got[0].kind, static_cast<WPARAM>(BRIDGE_DOWNLOAD_LINK));
  EXPECT_EQ(Js("window.kept"), "kept");

  ASSERT_TRUE(Load(base + "/Instruction.PDF.html"));
  EXPECT_TRUE(Take().empty()) << "other letter cases are not reported";
}

TEST_F(PageBridge, RegisteredCallbackIsConfirmedReplacedAndCalledByMessage) {
  EXPECT_EQ(Js("window.calls = []; String(registercb(function (t, n) { calls.push('a:' + t + ':' + "
               "n); })) + ' ' + calls.join('|')"),
            "undefined a:register call back function:0");
  Js("registercb(); registercb('x'); registercb(function(){}, function(){})");
  EXPECT_EQ(Js("calls.join('|')"), "a:register call back function:0");

  // Sends a message to the page and waits until the page has made calls
  // calls in all. The page handles messages in order, so a message that must
  // call nothing is followed by one that calls, and only that call comes.
  auto deliver = [&](const std::string& name, const std::string& text, int number, int calls) {
    CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name);
    message->GetArgumentList()->SetString(0, text);
    message->GetArgumentList()->SetInt(1, number);
    browser_->SendProcessMessage(PID_RENDERER, message);
    return PumpUntil([&] { return Js("calls.length") == std::to_string(calls); });
  };
  ASSERT_TRUE(deliver("callback_func", "hello", 7, 2));
  EXPECT_EQ(Js("calls[calls.length - 1]"), "a:hello:7");
  deliver("Callback_func", "ignored", 1, 2);
  ASSERT_TRUE(deliver("callback_func", "next", 2, 3));
  EXPECT_EQ(Js("calls.slice(1).join('|')"), "a:hello:7|a:next:2");

  // Replaced: only the second is called by a later delivery.
  Js("registercb(function (t, n) { calls.push('b:' + t + ':' + n); })");
  ASSERT_TRUE(deliver("callback_func", "again", 3, 5));
  EXPECT_EQ(Js("calls.slice(3).join('|')"), "b:register call back function:0|b:again:3");

  // A callback that registers another during its own confirmation.
  Js("registercb(function (t, n) { calls.push('outer:' + n); "
     "registercb(function (t2, n2) { calls.push('inner:' + t2 + ':' + n2); }); })");
  ASSERT_TRUE(deliver("callback_func", "last", 9, 8));
  EXPECT_EQ(Js("calls.slice(5).join('|')"),
            "outer:0|inner:register call back function:0|inner:last:9");
}

TEST_F(PageBridge, ANewContextClearsTheRegistration) {
  Js("window.calls = []; registercb(function (t, n) { calls.push(t + ':' + n); })");
  Js("var f = document.createElement('iframe'); f.src = 'frame.html'; "
     "document.body.appendChild(f)");
  ASSERT_TRUE(PumpUntil([&] {
    return Js("(document.querySelector('iframe').contentDocument || {}).readyState") == "complete";
  }));
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("callback_func");
  message->GetArgumentList()->SetString(0, "late");
  message->GetArgumentList()->SetInt(1, 1);
  browser_->SendProcessMessage(PID_RENDERER, message);
  PumpFor(300);  // only to show that nothing is called
  EXPECT_EQ(Js("calls.join('|')"), "register call back function:0");
}

TEST_F(PageBridge, PagesOutsideTheBundleGetNothingAndReportNothing) {
  const std::string web = "file://" + g_web;
  ASSERT_TRUE(Load(web + "/page.html"));
  EXPECT_EQ(Js("['myfunc', 'test2', 'registercb', 'showWindowStatus', 'openFileDialog', 'goback',"
               " 'isonline', 'getversion', 'qt', 'filepath'].filter(n => n in window).join()"),
            "");
  ASSERT_TRUE(Load(web + "/slide/download/a%20b.html"));
  EXPECT_TRUE(Take().empty()) << "a web page's navigation reports no download";

  // A bundle page holding a local page from outside the bundle in a frame:
  // the frame gets nothing; the page keeps its functions but serves no call
  // (the frame could reach into it and call them), and its navigations report
  // no download, since the frame may have started them.
  ASSERT_TRUE(Load("file://" + g_pages + "/page.html"));
  Js("var f = document.createElement('iframe'); f.src = '" + web +
     "/frame.html';"
     "document.body.appendChild(f)");
  ASSERT_TRUE(PumpUntil([&] {
    return Js("(frames[0] && frames[0].document.readyState) + frames[0].location.href") ==
           "complete" + web + "/frame.html";
  }));
  EXPECT_EQ(Js("typeof frames[0].getversion + ' ' + typeof getversion + ' ' + getversion()"),
            "undefined function undefined");
  Js("location.href = 'slide/download/a%20b.html'");
  ASSERT_TRUE(PumpUntil([&] { return Js("document.URL").find("/slide/") != std::string::npos; }));
  EXPECT_TRUE(Take().empty());
}

// The main window judges a command by what the engine told it of the page's
// document, and that news comes over WebKit's own channel, through another
// thread. A command sent by the new document's first script is not judged
// before it, even when the main thread was busy while both came in.
TEST_F(PageBridge, ACommandWaitsForTheNewsOfItsPagesCommit) {
  auto* view = WEBKIT_WEB_VIEW(test_support::ViewOf(browser_));
  // Once the view lets first.html's response through, the main thread is
  // busy for a while: the page commits and sends meanwhile.
  const gulong stall = g_signal_connect(
      view, "decide-policy",
      G_CALLBACK(+[](WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                     gpointer) -> gboolean {
        if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
        WebKitURIRequest* request =
            webkit_response_policy_decision_get_request(WEBKIT_RESPONSE_POLICY_DECISION(decision));
        if (!g_str_has_suffix(webkit_uri_request_get_uri(request), "/first.html")) return FALSE;
        webkit_policy_decision_use(decision);
        g_usleep(300 * 1000);
        return TRUE;
      }),
      nullptr);
  window_->seen_commit.clear();
  Take();
  Js("location.href = 'first.html'");
  EXPECT_TRUE(PumpUntil([&] { return !window_->received.empty(); }));
  g_signal_handler_disconnect(view, stall);
  EXPECT_EQ(window_->seen_commit, std::vector<std::string>{"first.html"});
  EXPECT_EQ(Take().size(), 1u);
}

TEST_F(PageBridge, WithoutAMainWindowNothingIsSentAndCallsReturn) {
  platform::channel::WithdrawWindow(window_->hwnd());
  ASSERT_TRUE(Load("file://" + g_pages + "/page.html?again"));
  EXPECT_EQ(Js("String(openFileDialog()) + String(goback()) + String(myfunc())"),
            "undefinedundefinedundefined");
  EXPECT_TRUE(Take().empty());
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // The client's own application object names its data directory's bundle
  // to each renderer; the test pages are that bundle.
  g_pages = test_support::MakeBundleDir();
  g_web = test_support::MakeTempDir();
  test_support::InitEngineForTests(&argc, &argv, QUORBITAL_WEBEXT_DIR,
                                   new SimpleApp(nullptr, ClientOwnPlaces));
  using test_support::WriteFile;
  const std::string page = "<html><body>page</body></html>";
  for (const std::string& dir : {g_pages, g_web}) {
    std::filesystem::create_directories(dir + "/slide/download");
    WriteFile(dir + "/page.html", page);
    WriteFile(dir + "/frame.html", "<html><body>frame</body></html>");
    WriteFile(dir + "/first.html", "<html><body><script>myfunc()</script></body></html>");
    WriteFile(dir + "/Instruction.PDF.html", page);
    WriteFile(dir + "/instruction.pdf.html", page);
    WriteFile(dir + "/slide/download/a b.html", page);
    WriteFile(dir + "/slide/download/instruction.pdf.html", page);
  }
  return RUN_ALL_TESTS();
}
