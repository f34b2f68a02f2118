// The engine with its renderer side, against real WebKit web processes: page
// functions bound at context creation with synchronous results, process
// messages both ways, navigation reports (links, redirects, iframes, but no
// subresources), and the engine's defaults where a client has no handler.
#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "app/engine_settings.h"
#include "engine/cef_browser_host.h"
#include "engine/cef_client.h"
#include "engine/cef_frame.h"
#include "engine/cef_process_message.h"
#include "tests/support/browser_test.h"
#include "tests/support/engine_env.h"
#include "tests/support/http_server.h"
#include "tests/support/main_loop.h"
#include "tests/support/page_probe.h"
#include "tests/support/test_window.h"

using test_support::EvalJs;
using test_support::HttpServer;
using test_support::PumpFor;
using test_support::PumpUntil;
using test_support::TestWindow;

namespace {

std::string g_pages;

struct Report {
  std::string name;
  std::string text;
  int value;
};

class TestClient : public CefClient,
                   public CefLifeSpanHandler,
                   public CefRequestHandler,
                   public CefLoadHandler {
 public:
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
  CefRefPtr<CefRequestHandler> GetRequestHandler() override { return this; }
  CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
  // Each committed document, as "main:" or "frame:" and its file name.
  void OnLoadStart(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame) override {
    const std::string url = frame->GetURL().ToString();
    commits.push_back((frame->IsMain() ? "main:" : "frame:") + url.substr(url.rfind('/') + 1));
  }
  std::vector<std::string> commits;
  // Every document is the client's own but those whose address holds
  // "foreign".
  bool IsOwnDocument(CefRefPtr<CefBrowser>, const CefString& url) override {
    return url.ToString().find("foreign") == std::string::npos;
  }
  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override { browser_ = browser; }
  void OnBeforeClose(CefRefPtr<CefBrowser>) override { browser_ = nullptr; }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser>, CefProcessId source,
                                CefRefPtr<CefProcessMessage> message) override {
    EXPECT_EQ(source, PID_RENDERER);
    reports.push_back({message->GetName().ToString(),
                       message->GetArgumentList()->GetString(0).ToString(),
                       message->GetArgumentList()->GetInt(1)});
    return true;
  }

  std::vector<std::string> Texts(const std::string& name) const {
    std::vector<std::string> out;
    for (const auto& r : reports) {
      if (r.name == name) out.push_back(r.text);
    }
    return out;
  }
  bool Has(const std::string& name, const std::string& text) const {
    auto texts = Texts(name);
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }

  CefRefPtr<CefBrowser> browser_;
  std::vector<Report> reports;

  IMPLEMENT_REFCOUNTING(TestClient);
};

// As the client's browser: file pages may reach into their frames.
class EngineRendererTest : public test_support::BrowserTest<TestClient> {
 protected:
  // Sends "ping" (text, value) to the renderer and returns its answer: what
  // the stored callback returned, "threw", "released" (its context has gone)
  // or "no callback".
  std::string Ping(const std::string& text, int value) {
    CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("ping");
    message->GetArgumentList()->SetString(0, text);
    message->GetArgumentList()->SetInt(1, value);
    const size_t before = client_->Texts("pong").size();
    EXPECT_TRUE(browser_->SendProcessMessage(PID_RENDERER, message));
    PumpUntil([&] { return client_->Texts("pong").size() > before; });
    return client_->Texts("pong").empty() ? std::string() : client_->Texts("pong").back();
  }
};

TEST_F(EngineRendererTest, BoundFunctionsAnswerSynchronouslyUnderTheirEngineNames) {
  ASSERT_TRUE(Load("file://" + g_pages + "/plain.html"));
  EXPECT_EQ(EvalJs(browser_, "[typeof probe, probe.name, typeof engine_probe, marker].join()"),
            "function,engine_probe,undefined,bound");
  EXPECT_EQ(EvalJs(browser_, "JSON.stringify([probe('a\u00e9'), probe(21), probe(false)])"),
            "[\"echo:a\u00e9\",42,true]");
  // Not handled: undefined, and nothing thrown.
  EXPECT_EQ(EvalJs(browser_,
                   "(function () { try { return [String(probe()), String(probe({})), "
                   "String(probe(1, 2))].join(); } catch (e) { return 'threw ' + e; } })()"),
            "undefined,undefined,undefined");
  // Exact arguments: only whole 32-bit numbers are integers.
  EXPECT_EQ(EvalJs(browser_,
                   "[kind(1), kind(-1), kind(1.5), kind(2147483647), kind(2147483648), "
                   "kind(-2147483648), kind('1'), kind(NaN), kind(function(){}), kind()]"
                   ".join(' ')"),
            "int/1 int/1 other/1 int/1 other/1 int/1 string/1 other/1 function/1 none/0");
  // Pages may overwrite and delete the bound properties.
  EXPECT_EQ(EvalJs(browser_, "marker = 'x'; delete window.probe; marker + ' ' + typeof probe"),
            "x undefined");
}

TEST_F(EngineRendererTest, ContextsAreCreatedForEveryFrameAndEveryLoad) {
  ASSERT_TRUE(Load("file://" + g_pages + "/framed.html"));
  ASSERT_TRUE(
      PumpUntil([&] { return client_->Has("context", "file://" + g_pages + "/frame.html"); }));
  EXPECT_TRUE(client_->Has("context", "file://" + g_pages + "/framed.html"));
  EXPECT_EQ(EvalJs(browser_, "frames[0].marker + ' ' + frames[0].probe(2)"), "bound 4");
  ASSERT_TRUE(Load("file://" + g_pages + "/plain.html"));
  EXPECT_EQ(EvalJs(browser_, "marker"), "bound");
}

TEST_F(EngineRendererTest, TheBrowserSideKnowsEachFramesDocument) {
  EXPECT_TRUE(Load("file://" + g_pages + "/framed.html"));
  EXPECT_EQ(EvalJs(browser_, "extra"), "from the browser process");
  auto documents = [&] {
    std::vector<long long> ids;
    browser_->GetFrameIdentifiers(ids);
    std::string out;
    for (long long id : ids) {
      CefRefPtr<CefFrame> frame = browser_->GetFrame(id);
      const std::string url = frame->GetURL().ToString();
      out += (frame->IsMain() ? "main:" : "frame:") + url.substr(url.rfind('/') + 1) + " ";
    }
    return out;
  };
  ASSERT_TRUE(PumpUntil([&] { return documents() == "main:framed.html frame:frame.html "; }))
      << documents();
  // Each commit was told: the main frame's by the view, the frame's by the
  // web process; and the main frame is the view's own.
  EXPECT_EQ(client_->commits, (std::vector<std::string>{"main:framed.html", "frame:frame.html"}));
  EXPECT_EQ(browser_->GetFrame(browser_->GetIdentifier())->IsMain(), true);
  EXPECT_EQ(browser_->GetFrame(-1), nullptr);
  // A frame that goes is forgotten; a new document in the main frame starts
  // the list anew.
  EvalJs(browser_, "document.querySelector('iframe').remove(); 1");
  EXPECT_TRUE(PumpUntil([&] { return documents() == "main:framed.html "; })) << documents();
  ASSERT_TRUE(Load("file://" + g_pages + "/plain.html"));
  EXPECT_TRUE(PumpUntil([&] { return documents() == "main:plain.html "; })) << documents();
}

TEST_F(EngineRendererTest, ProcessMessagesTravelBothWays) {
  ASSERT_TRUE(Load("file://" + g_pages + "/plain.html"));
  EXPECT_EQ(Ping("x", 1), "no callback");

  // The callback runs at once when it is registered, and again for a message.
  EXPECT_EQ(EvalJs(browser_,
                   "storecb(function (s, n) { document.title = s + ':' + n; "
                   "return 'got ' + s; }); document.title"),
            "registered:0");
  EXPECT_EQ(Ping("hello", 42), "got hello");
  EXPECT_EQ(EvalJs(browser_, "document.title"), "hello:42");
  EXPECT_FALSE(browser_->SendProcessMessage(PID_BROWSER, CefProcessMessage::Create("ping")));

  // An exception in the callback stays in the engine.
  EXPECT_EQ(EvalJs(browser_,
                   "(function () { try { storecb(function () { throw new Error('no'); });"
                   " return 'returned'; } catch (e) { return 'threw'; } })()"),
            "returned");
  EXPECT_EQ(Ping("again", 2), "threw");

  // A new load clears the registration in this renderer.
  ASSERT_TRUE(Load("file://" + g_pages + "/plain.html?second"));
  EXPECT_EQ(Ping("late", 3), "no callback");
}

TEST_F(EngineRendererTest, ARemovedFramesContextIsNeverEnteredAgain) {
  ASSERT_TRUE(Load("file://" + g_pages + "/framed.html"));
  ASSERT_TRUE(PumpUntil([&] { return EvalJs(browser_, "String(frames[0].marker)") == "bound"; }));
  // The callback and a page function of the iframe, kept by the page.
  EXPECT_EQ(EvalJs(browser_,
                   "window.log = []; var kept = frames[0].probe; frames[0].eval(\"var log = "
                   "parent.log; storecb(function (s) { log.push(s); return 'got ' + s; })\");"
                   " log.join()"),
            "registered");
  EXPECT_EQ(Ping("before", 1), "got before");
  EvalJs(browser_, "document.querySelector('iframe').remove(); 1");
  // The stored function let go of the frame's script state with the frame.
  EXPECT_TRUE(PumpUntil([&] { return Ping("after", 2) == "released"; }));
  EXPECT_EQ(EvalJs(browser_, "log.indexOf('after') + ' ' + String(kept('x'))"), "-1 undefined");
}

TEST_F(EngineRendererTest, NavigationsAreReportedButNotSubresourcesOfFilePages) {
  const std::string base = "file://" + g_pages;
  ASSERT_TRUE(Load(base + "/framed.html"));
  ASSERT_TRUE(PumpUntil([&] { return client_->Has("nav", base + "/frame.html"); }));
  EvalJs(browser_, "frames[0].document.getElementById('f2').click(); 1");
  ASSERT_TRUE(PumpUntil([&] { return client_->Has("nav", base + "/frame2.html"); }));
  // On disk the link's target is a plain file.
  EvalJs(browser_, "document.getElementById('go').click(); 1");
  ASSERT_TRUE(PumpUntil([&] { return client_->Has("nav", base + "/redirect/target.html"); }));
  // The page asked for everything it holds before it completed, and those
  // reports come before the answer that says it did.
  ASSERT_TRUE(PumpUntil([&] {
    return EvalJs(browser_, "document.URL + ' ' + document.readyState") ==
           base + "/redirect/target.html complete";
  }));
  EXPECT_TRUE(client_->Has("nav", base + "/framed.html"));
  for (const std::string& url : client_->Texts("nav")) {
    EXPECT_EQ(url.find(".png"), std::string::npos) << url;
    EXPECT_EQ(url.find(".js"), std::string::npos) << url;
    EXPECT_EQ(url.find(".css"), std::string::npos) << url;
  }
}

TEST_F(EngineRendererTest, NavigationsAreReportedWithRedirectsButNotSubresourcesOverHttp) {
  HttpServer server({"--dir", g_pages});
  ASSERT_GT(server.port(), 0);
  const std::string base = server.Base();
  ASSERT_TRUE(Load(base + "/framed.html"));
  ASSERT_TRUE(PumpUntil([&] { return client_->Has("nav", base + "/frame.html"); }));
  EvalJs(browser_, "frames[0].document.getElementById('f2').click(); 1");
  ASSERT_TRUE(PumpUntil([&] { return client_->Has("nav", base + "/frame2.html"); }));
  EvalJs(browser_, "document.getElementById('go').click(); 1");
  ASSERT_TRUE(PumpUntil([&] { return client_->Has("nav", base + "/target.html"); }));
  ASSERT_TRUE(PumpUntil([&] {
    return EvalJs(browser_, "document.URL + ' ' + document.readyState") ==
           base + "/target.html complete";
  }));
  EXPECT_TRUE(client_->Has("nav", base + "/framed.html"));
  EXPECT_TRUE(client_->Has("nav", base + "/redirect/target.html"));
  for (const Report& r : client_->reports) {
    if (r.name != "nav") continue;
    EXPECT_EQ(r.text.find(".png"), std::string::npos) << r.text;
    EXPECT_EQ(r.text.find(".js"), std::string::npos) << r.text;
    // Only the redirected request says so.
    EXPECT_EQ(r.value, r.text == base + "/target.html" ? 1 : 0) << r.text;
  }
}

TEST_F(EngineRendererTest, DownloadsAreReportedButNeitherShownNorSaved) {
  HttpServer server({"--dir", g_pages});
  ASSERT_GT(server.port(), 0);
  const std::string base = server.Base();
  ASSERT_TRUE(Load(base + "/target.html"));
  EvalJs(browser_, "location.href = '/slide/download/deck%201.bin'; 1");
  const std::string url = base + "/slide/download/deck%201.bin";
  ASSERT_TRUE(PumpUntil([&] { return client_->Has("nav", url); }));
  PumpFor(500);  // only to show that the page stays and nothing is saved
  EXPECT_EQ(EvalJs(browser_, "document.URL + ' ' + document.body.textContent"),
            base + "/target.html target");
  const char* home = g_get_home_dir();
  const std::string downloads = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD)
                                    ? g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD)
                                    : std::string(home) + "/Downloads";
  for (const std::string& dir : {downloads, std::string(home)}) {
    EXPECT_FALSE(g_file_test((dir + "/s.bin").c_str(), G_FILE_TEST_EXISTS)) << dir;
    EXPECT_FALSE(g_file_test((dir + "/deck 1.bin").c_str(), G_FILE_TEST_EXISTS)) << dir;
  }
}

class MenuRecorder : public TestClient, public CefContextMenuHandler {
 public:
  CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() override { return this; }
  void OnBeforeContextMenu(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                           CefRefPtr<CefContextMenuParams> params,
                           CefRefPtr<CefMenuModel> model) override {
    flags.push_back(params->GetTypeFlags());
    counts.push_back(model->GetCount());
    model->Clear();
  }
  std::vector<int> flags;
  std::vector<std::size_t> counts;
  IMPLEMENT_REFCOUNTING(MenuRecorder);
};

TEST_F(EngineRendererTest, ContextMenuFlagsTellThePageFromAFrameAndLinks) {
  // A browser of its own, with a client that records and clears menus.
  CefRefPtr<MenuRecorder> recorder = new MenuRecorder();
  browser_ = nullptr;
  window_ = std::make_unique<TestWindow>(L"test_wnd", L"menu test", 800, 600);
  browser_ = test_support::CreateBrowserIn(window_->hwnd(), RECT{0, 0, 800, 600}, recorder,
                                           [&] { return recorder->browser_; });
  ASSERT_TRUE(browser_);
  ASSERT_TRUE(Load("file://" + g_pages + "/menus.html"));
  ASSERT_TRUE(test_support::RightClick(browser_, 600, 400));  // page background
  ASSERT_TRUE(PumpUntil([&] { return recorder->flags.size() == 1; }));
  ASSERT_TRUE(test_support::RightClick(browser_, 100, 100));  // inside the iframe
  ASSERT_TRUE(PumpUntil([&] { return recorder->flags.size() == 2; }));
  ASSERT_TRUE(test_support::RightClick(browser_, 505, 15));  // on the link
  ASSERT_TRUE(PumpUntil([&] { return recorder->flags.size() == 3; }));
  EXPECT_EQ(recorder->flags[0], CM_TYPEFLAG_PAGE);
  EXPECT_EQ(recorder->flags[1], CM_TYPEFLAG_FRAME);
  EXPECT_EQ(recorder->flags[2], CM_TYPEFLAG_PAGE | CM_TYPEFLAG_LINK);
  for (std::size_t count : recorder->counts) EXPECT_GT(count, 0u);
  // Cleared models show nothing.
  PumpFor(200);  // only to show that no menu opens
  EXPECT_FALSE(test_support::AnyMenuShowing());
  browser_ = nullptr;
  recorder->browser_ = nullptr;
}

// Only a main document the client counts as its own gets the settings' file
// powers and element full screen; the committed document, not a load under
// way, is the main frame's address.
TEST_F(EngineRendererTest, FilePowersAndFullScreenAreForTheClientsOwnDocuments) {
  const std::string read =
      "(function () { var x = new XMLHttpRequest(); try { x.open('GET', 'frame2.html', false);"
      " x.send(); return x.responseText; } catch (e) { return 'refused'; } })()";
  // Refused: the page has no full-screen calls at all (prefixed or not).
  const std::string full =
      "var e = document.documentElement; (e.requestFullscreen || e.webkitRequestFullscreen ?"
      " e.requestFullscreen() : Promise.reject()).then(function () { document.title = 'full'; },"
      " function () { document.title = 'refused'; }); 1";
  for (const std::string page : {"plain.html", "foreign.html"}) {
    ASSERT_TRUE(Load("file://" + g_pages + "/" + page));
    EXPECT_EQ(browser_->GetMainFrame()->GetURL().ToString(), "file://" + g_pages + "/" + page);
    const bool own = page == "plain.html";
    EXPECT_EQ(EvalJs(browser_, read), own ? "<html><body>frame two</body></html>" : "refused");
    EvalJs(browser_, full);
    EXPECT_TRUE(PumpUntil([&] { return EvalJs(browser_, "document.title") != ""; }));
    EXPECT_EQ(EvalJs(browser_, "document.title + ' ' + !!document.fullscreenElement"),
              own ? "full true" : "refused false");
    EvalJs(browser_, "document.fullscreenElement && document.exitFullscreen(); 1");
  }
}

TEST_F(EngineRendererTest, WithoutAContextMenuHandlerWebKitShowsItsMenu) {
  ASSERT_TRUE(Load("file://" + g_pages + "/plain.html"));
  ASSERT_TRUE(test_support::RightClick(browser_, 100, 100));
  EXPECT_TRUE(PumpUntil([] { return test_support::AnyMenuShowing(); }));
}

// The browser process's application object: adds a text for each renderer.
class BrowserApp : public CefApp, public CefBrowserProcessHandler {
 public:
  CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override { return this; }
  void OnRenderProcessThreadCreated(CefRefPtr<CefListValue> extra_info) override {
    extra_info->SetString(0, "from the browser process");
  }
  IMPLEMENT_REFCOUNTING(BrowserApp);
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  test_support::InitEngineForTests(&argc, &argv, QUORBITAL_TEST_WEBEXT_DIR, new BrowserApp());
  g_pages = test_support::MakeTempDir();
  using test_support::WriteFile;
  WriteFile(g_pages + "/plain.html", "<html><body>plain</body></html>");
  WriteFile(g_pages + "/foreign.html", "<html><body>foreign</body></html>");
  WriteFile(g_pages + "/framed.html",
            "<html><head><link rel=stylesheet href='style.css'><script src='s.js'></script></head>"
            "<body><img src='img.png'><iframe src='frame.html'></iframe>"
            "<a id=go href='redirect/target.html'>go</a></body></html>");
  WriteFile(g_pages + "/frame.html",
            "<html><body><img src='img.png?f'><a id=f2 href='frame2.html'>next</a></body></html>");
  WriteFile(g_pages + "/menus.html",
            "<html><body style='margin:0'><iframe src='frame2.html' style='position:absolute;"
            "left:0;top:0;width:300px;height:300px;border:0'></iframe>"
            "<a href='target.html' style='position:absolute;left:500px;top:0;"
            "font-size:30px'>link</a></body></html>");
  WriteFile(g_pages + "/frame2.html", "<html><body>frame two</body></html>");
  mkdir((g_pages + "/redirect").c_str(), 0700);
  WriteFile(g_pages + "/redirect/target.html", "<html><body>not redirected on disk</body></html>");
  WriteFile(g_pages + "/target.html", "<html><body>target</body></html>");
  WriteFile(g_pages + "/s.js", "var loaded = 1;");
  WriteFile(g_pages + "/style.css", "body { color: black }");
  WriteFile(g_pages + "/img.png", "not really a png");
  return RUN_ALL_TESTS();
}
