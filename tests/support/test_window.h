// A window of the window table for tests that need one to send messages to,
// find by class and title, or place native children in. It records every
// message it is sent and passes it on to an optional handler. Given a size,
// it is also a shown GTK top-level whose overlay places children at explicit
// rectangles, as the toolkit's windows do.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/native_window.h"

namespace test_support {

class TestWindow : public platform::NativeWindow {
 public:
  using Handler = std::function<LRESULT(UINT, WPARAM, LPARAM)>;

  // Only an entry in the window table: no display needed.
  TestWindow(std::wstring class_name, std::wstring title, Handler handler = nullptr)
      : class_name_(std::move(class_name)), title_(std::move(title)), handler_(std::move(handler)) {
    hwnd_ = platform::RegisterWindow(this);
  }
  TestWindow(std::wstring class_name, std::wstring title, int width, int height)
      : class_name_(std::move(class_name)),
        title_(std::move(title)),
        width_(width),
        height_(height) {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    g_object_ref(window_);
    gtk_window_set_default_size(GTK_WINDOW(window_), width, height);
    overlay_ = gtk_overlay_new();
    gtk_container_add(GTK_CONTAINER(overlay_), gtk_drawing_area_new());
    gtk_container_add(GTK_CONTAINER(window_), overlay_);
    g_signal_connect(overlay_, "get-child-position", G_CALLBACK(ChildPosition), this);
    gtk_widget_show_all(window_);
    hwnd_ = platform::RegisterWindow(this);
  }
  ~TestWindow() override {
    Destroy();
    if (window_ != nullptr) g_object_unref(window_);
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  GtkWidget* window() const { return window_; }
  // Takes the window out of the table and destroys its GTK window, as the
  // toolkit does after WM_CLOSE; the handle goes invalid.
  void Destroy() {
    if (hwnd_ == nullptr) return;
    platform::UnregisterWindow(hwnd_);
    hwnd_ = nullptr;
    if (window_ != nullptr) gtk_widget_destroy(window_);
  }
  // The rectangle a child was last placed at, or an empty one.
  RECT ChildRect(void* widget) const {
    for (const auto& child : children_) {
      if (child.first == widget) return child.second;
    }
    return {};
  }

  std::vector<UINT> messages;
  std::vector<WPARAM> wparams;

  std::wstring ClassName() const override { return class_name_; }
  std::wstring Title() const override { return title_; }
  LRESULT Dispatch(UINT msg, WPARAM wparam, LPARAM lparam) override {
    messages.push_back(msg);
    wparams.push_back(wparam);
    return handler_ ? handler_(msg, wparam, lparam) : 0;
  }
  LONG Style() const override { return 0; }
  void SetStyle(LONG) override {}
  RECT WindowRect() const override { return {0, 0, width_, height_}; }
  RECT ClientRect() const override { return {0, 0, width_, height_}; }
  void Move(int, int, int, int, bool) override {}
  void SetPos(HWND, int, int, int, int, UINT) override {}
  HWND Parent() const override { return nullptr; }
  bool AddChild(void* widget, const RECT& rect) override {
    if (overlay_ == nullptr) return false;
    children_.push_back({widget, rect});
    gtk_overlay_add_overlay(GTK_OVERLAY(overlay_), GTK_WIDGET(widget));
    return true;
  }
  void PlaceChild(void* widget, const RECT& rect) override {
    for (auto& child : children_) {
      if (child.first == widget) child.second = rect;
    }
    gtk_widget_queue_resize(GTK_WIDGET(widget));
  }
  void RemoveChild(void* widget) override {
    for (auto it = children_.begin(); it != children_.end(); ++it) {
      if (it->first == widget) {
        children_.erase(it);
        break;
      }
    }
    if (overlay_ != nullptr && gtk_widget_get_parent(GTK_WIDGET(widget)) == overlay_) {
      gtk_container_remove(GTK_CONTAINER(overlay_), GTK_WIDGET(widget));
    }
  }
  void* NativeHandle() const override { return window_; }

 private:
  static gboolean ChildPosition(GtkOverlay*, GtkWidget* child, GdkRectangle* out, gpointer self) {
    const RECT r = static_cast<TestWindow*>(self)->ChildRect(child);
    *out = {r.left, r.top, r.right - r.left, r.bottom - r.top};
    return TRUE;
  }

  std::wstring class_name_;
  std::wstring title_;
  Handler handler_;
  int width_ = 0;
  int height_ = 0;
  GtkWidget* window_ = nullptr;
  GtkWidget* overlay_ = nullptr;
  HWND hwnd_ = nullptr;
  std::vector<std::pair<void*, RECT>> children_;
};

}  // namespace test_support
