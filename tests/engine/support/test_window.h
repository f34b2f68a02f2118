// A plain GTK top-level for engine tests: a GtkWindow with a GtkOverlay that
// places native children at explicit rectangles, registered in the window
// table like a toolkit window. Records the messages it is sent.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <vector>

#include "platform/native_window.h"

namespace testing_support {

class TestWindow : public platform::NativeWindow {
 public:
  TestWindow(const std::wstring& class_name, const std::wstring& title, int width, int height);
  ~TestWindow() override;

  HWND hwnd() const { return hwnd_; }
  GtkWidget* window() const { return window_; }
  // Destroys the GTK window (as the toolkit does after WM_CLOSE); the handle
  // goes invalid.
  void Destroy();
  // The rectangle a child was last placed at, or an empty one.
  RECT ChildRect(void* widget) const;
  std::vector<UINT> messages;
  std::vector<WPARAM> wparams;

  std::wstring ClassName() const override { return class_name_; }
  std::wstring Title() const override { return title_; }
  LRESULT Dispatch(UINT msg, WPARAM wparam, LPARAM lparam) override;
  LONG Style() const override { return 0; }
  void SetStyle(LONG) override {}
  RECT WindowRect() const override;
  RECT ClientRect() const override;
  void Move(int, int, int, int, bool) override {}
  void SetPos(HWND, int, int, int, int, UINT) override {}
  HWND Parent() const override { return nullptr; }
  bool AddChild(void* widget, const RECT& rect) override;
  void PlaceChild(void* widget, const RECT& rect) override;
  void RemoveChild(void* widget) override;
  void* NativeHandle() const override { return window_; }

 private:
  static gboolean ChildPosition(GtkOverlay* overlay, GtkWidget* child, GdkRectangle* out,
                                gpointer self);

  std::wstring class_name_;
  std::wstring title_;
  int width_;
  int height_;
  GtkWidget* window_ = nullptr;
  GtkWidget* overlay_ = nullptr;
  HWND hwnd_ = nullptr;
  std::vector<std::pair<void*, RECT>> children_;
};

// Runs the main loop until pred holds or timeout_ms has passed; returns pred().
bool PumpUntil(const std::function<bool()>& pred, int timeout_ms = 5000);
void PumpFor(int ms);

}  // namespace testing_support
