// The browser client against real WebKit pages: start URL and maximising,
// popups folded into the main frame, the error page, aborted loads, the
// context menu rule and the end of the browser with its window.
#include "browser/simple_handler.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <filesystem>

#include "app/engine_settings.h"
#include "app/locations.h"
#include "engine/cef_browser_host.h"
#include "engine/cef_frame.h"
#include "tests/engine/support/engine_env.h"
#include "tests/engine/support/page_probe.h"
#include "tests/support/main_loop.h"
#include "tests/support/test_window.h"
#include "ui/window_styles.h"
#include "ui/window_wnd.h"

using test_support::PumpFor;
using test_support::PumpUntil;
using test_support::TestWindow;
using testing_support::EvalJs;

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
    PumpFor(50);
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
  RECT placed = window_->ChildRect(testing_support::ViewOf(browser));
  EXPECT_EQ(placed.left, 0);
  EXPECT_EQ(placed.top, 24);
  EXPECT_EQ(placed.right, 800);
  EXPECT_EQ(placed.bottom, 600);
}

TEST_F(SimpleHandlerTest, EmptyStartUrlStillMaximisesAndLoadsLater) {
  CefRefPtr<CefBrowser> browser = Create(L"");
  ASSERT_TRUE(browser);
  PumpFor(100);
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
  PumpFor(300);
  EXPECT_EQ(Url(browser), PageUri("target.html?by=link"));

  PumpFor(200);
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
  PumpFor(500);
  EXPECT_EQ(EvalJs(browser, "document.URL + ' ' + document.title"), opener + " ");
}

TEST_F(SimpleHandlerTest, UnresolvableHostShowsTheErrorPageAtTheFailedUrl) {
  CefRefPtr<CefBrowser> browser = Create(L"http://no-such-host.invalid/page");
  ASSERT_TRUE(browser);
  ASSERT_TRUE(PumpUntil(
      [&] {
        return EvalJs(browser, "document.body ? document.body.innerText : ''").find("Failed") == 0;
      },
      8000));
  EXPECT_EQ(EvalJs(browser, "document.querySelector('h2').textContent"),
            "Failed to load URL http://no-such-host.invalid/page with error "
            "ERR_NAME_NOT_RESOLVED (-105).");
  EXPECT_EQ(Url(browser), "http://no-such-host.invalid/page");
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
  PumpFor(300);
  webkit_web_view_stop_loading(WEBKIT_WEB_VIEW(testing_support::ViewOf(browser)));
  PumpFor(300);
  EXPECT_EQ(EvalJs(browser, "document.body.textContent"), "start");
  close(server);
}

TEST_F(SimpleHandlerTest, RightClickOnThePageShowsNoMenu) {
  CefRefPtr<CefBrowser> browser = Create(CefString(g_pages + "/start page.html").ToWString());
  ASSERT_TRUE(WaitForUrl(browser, PageUri("start%20page.html")));
  ASSERT_TRUE(testing_support::RightClick(browser, 200, 200));
  PumpFor(500);
  EXPECT_FALSE(testing_support::AnyMenuShowing());
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
  PumpFor(100);
  window.SendMessage(WM_CLOSE, 1, 0);
  EXPECT_TRUE(window.final_message);
  EXPECT_TRUE(window.browser_gone_at_final_message);
  EXPECT_FALSE(IsWindow(child));
}

TEST(SimpleHandlerErrorPage, EscapesTheUrlAndTheErrorText) {
  EXPECT_EQ(SimpleHandler::ErrorPageHtml(L"http://x/?a=<script>&b=\"'", L"ERR_<X>", -2),
            "<html><body bgcolor=\"white\"><h2>Failed to load URL "
            "http://x/?a=&lt;script&gt;&amp;b=&quot;&#39; with error ERR_&lt;X&gt; (-2)."
            "</h2></body></html>");
  EXPECT_EQ(SimpleHandler::ErrorPageHtml(L"file:///\u00e9t\u00e9", L"ERR_FAILED", -6),
            "<html><body bgcolor=\"white\"><h2>Failed to load URL file:///\xc3\xa9t\xc3\xa9"
            " with error ERR_FAILED (-6).</h2></body></html>");
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // The client's data directory, with the test pages as its bundle.
  const std::string data_home = testing_support::MakeTempDir();
  setenv("XDG_DATA_HOME", data_home.c_str(), 1);
  g_pages = data_home + "/vexalio/contentEditor";
  std::filesystem::create_directories(g_pages);
  g_web = testing_support::MakeTempDir();
  testing_support::InitEngineForTests(&argc, &argv, QUORBITAL_WEBEXT_DIR);
  for (const std::string& dir : {g_pages, g_web}) {
    testing_support::WriteFile(dir + "/start page.html", "<html><body>start</body></html>");
    testing_support::WriteFile(dir + "/target.html", "<html><body>target</body></html>");
    testing_support::WriteFile(
        dir + "/opener.html",
        "<html><body><a id=blank href='target.html?by=link' target=_blank>new</a></body></html>");
  }
  return RUN_ALL_TESTS();
}
