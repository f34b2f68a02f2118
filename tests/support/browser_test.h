// A test with one browser of the client's settings in an 800x600 test window,
// made anew for each test; Client keeps its browser in browser_.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/cef_browser.h"
#include "tests/support/engine_env.h"
#include "tests/support/main_loop.h"
#include "tests/support/page_probe.h"
#include "tests/support/test_window.h"

namespace test_support {

template <class Client = BrowserClient>
class BrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<TestWindow>(L"test_wnd", L"browser test", 800, 600);
    client_ = new Client();
    browser_ = CreateBrowserIn(window_->hwnd(), RECT{0, 0, 800, 600}, client_,
                               [&] { return client_->browser_; });
    ASSERT_TRUE(browser_);
  }
  void TearDown() override {
    browser_ = nullptr;
    window_.reset();
    PumpPending();
  }

  bool Load(const std::string& url) { return LoadAndWait(browser_, url); }

  std::unique_ptr<TestWindow> window_;
  CefRefPtr<Client> client_;
  CefRefPtr<CefBrowser> browser_;
};

}  // namespace test_support
