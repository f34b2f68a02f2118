// The engine tests' top-level window and main-loop helpers.
#include "tests/engine/support/test_window.h"

#include <chrono>

namespace testing_support {

TestWindow::TestWindow(const std::wstring& class_name, const std::wstring& title, int width,
                       int height)
    : class_name_(class_name), title_(title), width_(width), height_(height) {
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

TestWindow::~TestWindow() {
  Destroy();
  g_object_unref(window_);
}

void TestWindow::Destroy() {
  if (!hwnd_) return;
  platform::UnregisterWindow(hwnd_);
  hwnd_ = nullptr;
  gtk_widget_destroy(window_);
}

LRESULT TestWindow::Dispatch(UINT msg, WPARAM wparam, LPARAM) {
  messages.push_back(msg);
  wparams.push_back(wparam);
  return 0;
}

RECT TestWindow::WindowRect() const { return {0, 0, width_, height_}; }
RECT TestWindow::ClientRect() const { return {0, 0, width_, height_}; }

bool TestWindow::AddChild(void* widget, const RECT& rect) {
  children_.push_back({widget, rect});
  gtk_overlay_add_overlay(GTK_OVERLAY(overlay_), GTK_WIDGET(widget));
  return true;
}

void TestWindow::PlaceChild(void* widget, const RECT& rect) {
  for (auto& child : children_) {
    if (child.first == widget) child.second = rect;
  }
  gtk_widget_queue_resize(GTK_WIDGET(widget));
}

void TestWindow::RemoveChild(void* widget) {
  for (auto it = children_.begin(); it != children_.end(); ++it) {
    if (it->first == widget) {
      children_.erase(it);
      break;
    }
  }
  if (gtk_widget_get_parent(GTK_WIDGET(widget)) == overlay_) {
    gtk_container_remove(GTK_CONTAINER(overlay_), GTK_WIDGET(widget));
  }
}

RECT TestWindow::ChildRect(void* widget) const {
  for (const auto& child : children_) {
    if (child.first == widget) return child.second;
  }
  return {};
}

gboolean TestWindow::ChildPosition(GtkOverlay*, GtkWidget* child, GdkRectangle* out,
                                   gpointer self) {
  RECT r = static_cast<TestWindow*>(self)->ChildRect(child);
  out->x = r.left;
  out->y = r.top;
  out->width = r.right - r.left;
  out->height = r.bottom - r.top;
  return TRUE;
}

bool PumpUntil(const std::function<bool()>& pred, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    g_main_context_iteration(nullptr, FALSE);
    g_usleep(1000);
  }
  return true;
}

void PumpFor(int ms) {
  PumpUntil([] { return false; }, ms);
}

}  // namespace testing_support
