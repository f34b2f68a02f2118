// The browser client against real WebKit pages: start URL and maximising,
// popups folded into the main frame, the error page, aborted loads, the
// context menu rule and the end of the browser with its window.
#include "browser/simple_handler.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/engine_settings.h"
#include "app/locations.h"
#include "engine/cef_browser_host.h"
#include "engine/cef_frame.h"
#include "tests/support/engine_env.h"
#include "tests/support/main_loop.h"
#include "tests/support/page_probe.h"
#include "tests/support/test_window.h"
#include "ui/window_styles.h"
#include "ui/window_wnd.h"

using test_support::EvalJs;
using test_support::PumpFor;
using test_support::PumpUntil;
using test_support::TestWindow;

namespace {

std::string g_pages;  // test pages of the installed bundle (inside EditorDir)
std::string g_web;    // local pages outside it, which count as web pages

CefBrowserSettings ProductSettings() {
  CefBrowserSettings settings;
  FillBrowserSettings(settings);
  return settings;
}

std::string PageUri(const std::string& name) { return "file://" + g_pages + "/" + name; }

std::string Url(CefRefPtr<CefBrowser> browser) {
  return browser->GetMainFrame()->GetURL().ToString();
}

class SimpleHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<TestWindow>(kMainWndClass, kMainWndTitle, 800, 600);
    handler_ = new SimpleHandler();
  }
  void TearDown() override {
    window_.reset();
    test_support::PumpPending();
  }

  // Requests the browser as the main window does and waits until it exists.
  CefRefPtr<CefBrowser> Create(const std::wstring& start_url) {
    handler_->SetUrl(start_url);
    CefWindowInfo info;
    info.SetAsChild(window_->hwnd(), RECT{1, 24, 799, 599});
    EXPECT_TRUE(CefBrowserHost::CreateBrowser(info, handler_.get(), CefString(), ProductSettings(),
                                              nullptr));
    EXPECT_EQ(handler_->GetBrowser(), nullptr) << "the browser comes after CreateBrowser returns";
    PumpUntil([&] { return handler_->GetBrowser() != nullptr; });
    return handler_->GetBrowser();
  }

  bool WaitForUrl(CefRefPtr<CefBrowser> browser, const std::string& url) {
    // The document's own address changes only when the new page has
    // replaced the old one.
    return PumpUntil([&] {
      return EvalJs(browser, "document.URL + ' ' + document.readyState") == url + " complete";
    });
  }

  std::unique_ptr<TestWindow> window_;
  CefRefPtr<SimpleHandler> handler_;
};

TEST_F(SimpleHandlerTest, LoadsTheStartPathAndMaximisesTheMainWindow) {
  CefRefPtr<CefBrowser> browser =
      Create(CefString(g_pages + "/start page.html?channel=offline&file=a b").ToWString());
  ASSERT_TRUE(browser);
  ASSERT_TRUE(WaitForUrl(browser, PageUri("start%20page.html") + "?channel=offline&file=a%20b"))
      << Url(browser);
  EXPECT_EQ(EvalJs(browser, "document.body.textContent"), "start");
  ASSERT_FALSE(window_->messages.empty());
  EXPECT_EQ(window_->messages.front(), WM_SYSCOMMAND);
  EXPECT_EQ(window_->wparams.front(), SC_MAXIMIZE);

  // The browser's window handle places the view inside the main window.
  HWND child = browser->GetHost()->GetWindowHandle();
  ASSERT_TRUE(IsWindow(child));
  EXPECT_TRUE(MoveWindow(child, 0, 24, 800, 576, TRUE));
  RECT placed = window_->ChildRect(test_support::ViewOf(browser));
  EXPECT_EQ(placed.left, 0);
  EXPECT_EQ(placed.top, 24);
  EXPECT_EQ(placed.right, 800);
  EXPECT_EQ(placed.bottom, 600);
}

TEST_F(SimpleHandlerTest, EmptyStartUrlStillMaximisesAndLoadsLater) {
  CefRefPtr<CefBrowser> browser = Create(L"");
  ASSERT_TRUE(browser);
  ASSERT_TRUE(PumpUntil([&] { return !window_->wparams.empty(); }));
  EXPECT_EQ(window_->wparams.size(), 1u);
  // A later load from another thread (the start-up worker) arrives.
  std::thread worker(
      [&] { browser->GetMainFrame()->LoadURL(CefString(g_pages + "/start page.html")); });
  worker.join();
  EXPECT_TRUE(WaitForUrl(browser, PageUri("start%20page.html")));
}

TEST_F(SimpleHandlerTest, PopupsNavigateTheMainFrameAndOpenNoWindow) {
  CefRefPtr<CefBrowser> browser = Create(CefString(g_pages + "/opener.html").ToWString());
  ASSERT_TRUE(WaitForUrl(browser, PageUri("opener.html")));
  const guint windows_before = g_list_length(gtk_window_list_toplevels());

  EvalJs(browser, "setTimeout(() => window.open('target.html?by=open'), 0); 1");
  EXPECT_TRUE(WaitForUrl(browser, PageUri("target.html?by=open"))) << Url(browser);

  browser->GetMainFrame()->LoadURL(CefString(g_pages + "/opener.html"));
  ASSERT_TRUE(WaitForUrl(browser, PageUri("opener.html")));
  EvalJs(browser, "document.getElementById('blank').click(); 1");
  EXPECT_TRUE(WaitForUrl(browser, PageUri("target.html?by=link"))) << Url(browser);

  // window.open() has nothing to open: the page stays.
  EvalJs(browser, "setTimeout(() => window.open(), 0); 1");
  PumpFor(500);  // only to show that nothing opens
  EXPECT_EQ(Url(browser), PageUri("target.html?by=link"));
  GList* toplevels = gtk_window_list_toplevels();
  EXPECT_EQ(g_list_length(toplevels), windows_before);
  g_list_free(toplevels);
}

TEST_F(SimpleHandlerTest, APageOutsideTheBundleCannotOpenLocalAddresses) {
  const std::string opener = "file://" + g_web + "/opener.html";
  CefRefPtr<CefBrowser> browser = Create(CefString(g_web + "/opener.html").ToWString());
  ASSERT_TRUE(WaitForUrl(browser, opener));
  for (const char* target : {"'target.html'", "'about:blank'", "'data:text/html,x'",
                             "'javascript:document.title = 1'"}) {
    EvalJs(browser, std::string("setTimeout(() => window.open(") + target + "), 0); 1");
  }
  PumpFor(500);  // only to show that nothing opens
  EXPECT_EQ(EvalJs(browser, "document.URL + ' ' + document.title"), opener + " ");
}

// Stands in for the main window: records the error page's actions and
// carries them out by loading.
class RecordingActions : public SimpleHandler::ErrorPageActions {
 public:
  explicit RecordingActions(CefRefPtr<SimpleHandler> handler) : handler_(handler) {}
  void RetryLoad(const std::wstring& url) override {
    calls.push_back("retry " + CefString(url).ToString());
    handler_->GetBrowser()->GetMainFrame()->LoadURL(url);
  }
  void GoHome() override {
    calls.push_back("home");
    handler_->GetBrowser()->GetMainFrame()->LoadURL(CefString(g_pages + "/start page.html"));
  }
  std::vector<std::string> calls;

 private:
  CefRefPtr<SimpleHandler> handler_;
};

TEST_F(SimpleHandlerTest, AFailedLoadShowsTheErrorPageWhoseTwoButtonsWork) {
  RecordingActions actions(handler_);
  handler_->SetErrorPageActions(&actions);
  const std::string failed = "http://no-such-host.invalid/page";
  CefRefPtr<CefBrowser> browser = Create(CefString(failed).ToWString());
  ASSERT_TRUE(browser);
  const std::string headline = ErrorTextFor(ERR_NAME_NOT_RESOLVED).headline;
  ASSERT_TRUE(PumpUntil([&] { return EvalJs(browser, "document.title") == "无法打开页面"; }, 8000));
  // The person reads what failed in plain words; the engine's own words and
  // the address stay in small print, and the frame keeps the failed address.
  EXPECT_EQ(EvalJs(browser, "document.querySelector('h1').textContent"), headline);
  EXPECT_EQ(EvalJs(browser, "document.querySelector('.details').textContent"),
            "地址：" + failed + "错误：ERR_NAME_NOT_RESOLVED (-105)");
  EXPECT_EQ(EvalJs(browser, "[...document.querySelectorAll('a')].map(a => a.textContent) + ''"),
            "重试,返回首页");
  EXPECT_EQ(Url(browser), failed);

  // A made-up button address does nothing, even from the error page itself.
  EvalJs(browser, "location.href = 'quorbital-error:home?n=0123'; 1");
  PumpFor(300);  // only to show that nothing happens
  EXPECT_EQ(EvalJs(browser, "document.querySelector('h1').textContent"), headline);

  // "重试" loads the address again: it fails again, and a new page comes
  // whose buttons carry a new secret.
  const char kHomeHref[] =
      "document.getElementById('home') ? "
      "document.getElementById('home').href : ''";
  const std::string first_home = EvalJs(browser, kHomeHref);
  EvalJs(browser, "document.getElementById('retry').click(); 1");
  ASSERT_TRUE(PumpUntil([&] { return actions.calls.size() == 1; }, 8000));
  EXPECT_EQ(actions.calls[0], "retry " + failed);
  std::string home;
  ASSERT_TRUE(PumpUntil(
      [&] {
        home = EvalJs(browser, kHomeHref);
        return !home.empty() && home != first_home;
      },
      8000));

  // "返回首页" shows the start page.
  EvalJs(browser, "document.getElementById('home').click(); 1");
  ASSERT_TRUE(WaitForUrl(browser, PageUri("start%20page.html")));
  EXPECT_EQ(actions.calls.back(), "home");

  // No other page gains the buttons' power, not with the address of one.
  EvalJs(browser, "location.href = '" + home + "'; 1");
  PumpFor(300);  // only to show that nothing happens
  EXPECT_EQ(actions.calls.size(), 2u);
  EXPECT_EQ(EvalJs(browser, "document.body.textContent"), "start");
}

TEST_F(SimpleHandlerTest, AMissingOwnPageTellsWhatWasWrongWithTheDataFolder) {
  const std::string folder = g_pages.substr(0, g_pages.rfind('/'));
  handler_->SetDataFolderProblem(DataFolderProblem::kFull, CefString(folder).ToWString());
  CefRefPtr<CefBrowser> browser = Create(CefString(g_pages + "/missing.html").ToWString());
  ASSERT_TRUE(browser);
  ASSERT_TRUE(PumpUntil([&] { return EvalJs(browser, "document.title") == "无法打开页面"; }, 8000));
  const ErrorPageText expected = DataFolderText(DataFolderProblem::kFull, folder);
  EXPECT_EQ(EvalJs(browser, "document.querySelector('h1').textContent"), expected.headline);
  EXPECT_EQ(EvalJs(browser, "document.querySelector('p').textContent"), expected.advice);

  // A missing file elsewhere is just that.
  browser->GetMainFrame()->LoadURL(CefString(g_web + "/missing.html"));
  ASSERT_TRUE(PumpUntil(
      [&] {
        return EvalJs(browser,
                      "document.querySelector('h1') ? "
                      "document.querySelector('h1').textContent : ''") ==
               ErrorTextFor(ERR_FILE_NOT_FOUND).headline;
      },
      8000));
}

TEST_F(SimpleHandlerTest, CancelledLoadLeavesThePageUnchanged) {
  // A server that accepts connections and never answers.
  int server = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(listen(server, 4), 0);
  socklen_t len = sizeof addr;
  getsockname(server, reinterpret_cast<sockaddr*>(&addr), &len);

  CefRefPtr<CefBrowser> browser = Create(CefString(g_pages + "/start page.html").ToWString());
  ASSERT_TRUE(WaitForUrl(browser, PageUri("start%20page.html")));
  browser->GetMainFrame()->LoadURL("http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) +
                                   "/slow");
  // The load is under way once the engine has connected to the server.
  ASSERT_TRUE(PumpUntil([&] {
    pollfd waiting{server, POLLIN, 0};
    return poll(&waiting, 1, 0) > 0;
  }));
  webkit_web_view_stop_loading(WEBKIT_WEB_VIEW(test_support::ViewOf(browser)));
  PumpFor(300);  // only to show that the page stays
  EXPECT_EQ(EvalJs(browser, "document.body.textContent"), "start");
  close(server);
}

TEST_F(SimpleHandlerTest, RightClickOnThePageShowsNoMenu) {
  CefRefPtr<CefBrowser> browser = Create(CefString(g_pages + "/start page.html").ToWString());
  ASSERT_TRUE(WaitForUrl(browser, PageUri("start%20page.html")));
  ASSERT_TRUE(test_support::RightClick(browser, 200, 200));
  PumpFor(500);  // only to show that no menu opens
  EXPECT_FALSE(test_support::AnyMenuShowing());
}

TEST_F(SimpleHandlerTest, ClosingTheMainWindowClearsTheBrowserAtOnce) {
  CefRefPtr<CefBrowser> browser = Create(L"");
  ASSERT_TRUE(browser);
  HWND child = browser->GetHost()->GetWindowHandle();
  browser = nullptr;
  window_->Destroy();  // no loop iteration in between
  EXPECT_EQ(handler_->GetBrowser(), nullptr);
  EXPECT_FALSE(IsWindow(child));
}

// A toolkit top-level standing in for the main window: its final message
// looks at the client's browser, as the main window's wait does.
class ToolkitMainWindow : public CWindowWnd {
 public:
  explicit ToolkitMainWindow(CefRefPtr<SimpleHandler> handler) : handler_(handler) {}
  bool final_message = false;
  bool browser_gone_at_final_message = false;
  int maximise_requests = 0;

 protected:
  const wchar_t* GetWindowClassName() const override { return kMainWndClass; }
  LRESULT HandleMessage(UINT msg, WPARAM wparam, LPARAM lparam) override {
    if (msg == WM_SYSCOMMAND && wparam == SC_MAXIMIZE) ++maximise_requests;
    return CWindowWnd::HandleMessage(msg, wparam, lparam);
  }
  void OnFinalMessage(HWND) override {
    final_message = true;
    browser_gone_at_final_message = handler_->GetBrowser() == nullptr;
  }

 private:
  CefRefPtr<SimpleHandler> handler_;
};

TEST(SimpleHandlerInToolkitWindow, TheBrowserIsGoneBeforeTheWindowsFinalMessage) {
  CefRefPtr<SimpleHandler> handler = new SimpleHandler();
  ToolkitMainWindow window(handler);
  ASSERT_NE(
      window.Create(nullptr, kMainWndTitle, kFrameWindowStyle, WS_EX_ACCEPTFILES, 0, 0, 1000, 700),
      nullptr);
  handler->SetUrl(CefString(g_pages + "/start page.html").ToWString());
  CefWindowInfo info;
  info.SetAsChild(window.GetHWND(), RECT{1, 24, 999, 699});
  ASSERT_TRUE(
      CefBrowserHost::CreateBrowser(info, handler.get(), CefString(), ProductSettings(), nullptr));
  ASSERT_TRUE(PumpUntil([&] { return handler->GetBrowser() != nullptr; }));
  EXPECT_EQ(window.maximise_requests, 1);
  HWND child = handler->GetBrowser()->GetHost()->GetWindowHandle();
  EXPECT_TRUE(MoveWindow(child, 0, 24, 1000, 676, TRUE));
  EXPECT_EQ(GetParent(child), window.GetHWND());
  // Closed with its page shown.
  ASSERT_TRUE(PumpUntil(
      [&] { return EvalJs(handler->GetBrowser(), "document.body.textContent") == "start"; }));
  window.SendMessage(WM_CLOSE, 1, 0);
  EXPECT_TRUE(window.final_message);
  EXPECT_TRUE(window.browser_gone_at_final_message);
  EXPECT_FALSE(IsWindow(child));
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // The client's data directory, with the test pages as its bundle.
  const std::string data_home = test_support::MakeTempDir();
  setenv("XDG_DATA_HOME", data_home.c_str(), 1);
  g_pages = data_home + "/vexalio/contentEditor";
  std::filesystem::create_directories(g_pages);
  g_web = test_support::MakeTempDir();
  test_support::InitEngineForTests(&argc, &argv, QUORBITAL_WEBEXT_DIR);
  for (const std::string& dir : {g_pages, g_web}) {
    test_support::WriteFile(dir + "/start page.html", "<html><body>start</body></html>");
    test_support::WriteFile(dir + "/target.html", "<html><body>target</body></html>");
    test_support::WriteFile(
        dir + "/opener.html",
        "<html><body><a id=blank href='target.html?by=link' target=_blank>new</a></body></html>");
  }
  return RUN_ALL_TESTS();
}
