// A window of the window table for channel tests: no toolkit behind it, only a
// message handler the test supplies.
#pragma once

#include <functional>
#include <string>

#include "platform/native_window.h"

class TestWindow : public platform::NativeWindow {
 public:
  using Handler = std::function<LRESULT(UINT, WPARAM, LPARAM)>;

  TestWindow(std::wstring class_name, std::wstring title, Handler handler)
      : class_name_(std::move(class_name)), title_(std::move(title)), handler_(std::move(handler)) {
    hwnd_ = platform::RegisterWindow(this);
  }
  ~TestWindow() override { platform::UnregisterWindow(hwnd_); }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND hwnd() const { return hwnd_; }

  std::wstring ClassName() const override { return class_name_; }
  std::wstring Title() const override { return title_; }
  LRESULT Dispatch(UINT msg, WPARAM wparam, LPARAM lparam) override {
    return handler_ ? handler_(msg, wparam, lparam) : 0;
  }
  LONG Style() const override { return 0; }
  void SetStyle(LONG) override {}
  RECT WindowRect() const override { return {}; }
  RECT ClientRect() const override { return {}; }
  void Move(int, int, int, int, bool) override {}
  void SetPos(HWND, int, int, int, int, UINT) override {}
  HWND Parent() const override { return nullptr; }
  void* NativeHandle() const override { return nullptr; }

 private:
  std::wstring class_name_;
  std::wstring title_;
  Handler handler_;
  HWND hwnd_ = nullptr;
};
