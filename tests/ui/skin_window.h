// Helpers of the toolkit's display tests: a recording skinned window,
// screenshots and xdotool input.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/main_thread.h"
#include "platform/native_window.h"
#include "platform/unicode_text.h"
#include "tests/support/main_loop.h"
#include "tests/support/window_manager.h"
#include "ui/attribute_parser.h"
#include "ui/ui_lib.h"

namespace uitest {

const std::wstring kSkinDir = platform::Utf8ToWide(QUORBITAL_SOURCE_DIR "/Skin/");

using test_support::PumpFor;
using test_support::PumpUntil;

struct Message {
  UINT msg;
  WPARAM wparam;
  LPARAM lparam;
};

class SkinWindow : public WindowImplBase {
 public:
  SkinWindow(const wchar_t* class_name, const wchar_t* skin)
      : class_name_(class_name), skin_(skin) {}
  const wchar_t* GetWindowClassName() const override { return class_name_; }
  CDuiString GetSkinFolder() override { return kSkinDir; }
  CDuiString GetSkinFile() override { return skin_; }
  void InitWindow() override {
    init_found_close = m_PaintManager.FindControl(L"btn_close") != nullptr;
    init_on_main = platform::IsMainThread();
    init_before_size = true;
    for (const auto& m : messages) init_before_size = init_before_size && m.msg != WM_SIZE;
  }
  LRESULT HandleCustomMessage(UINT msg, WPARAM wparam, LPARAM lparam, BOOL& handled) override {
    messages.push_back({msg, wparam, lparam});
    if (on_message) on_message(msg, wparam);
    if (msg == WM_KEYDOWN && claim_key && claim_key(wparam)) {
      handled = TRUE;
      return 0;
    }
    if (msg == WM_USER + 2) {
      handled = TRUE;
      return static_cast<LRESULT>(wparam * 2);
    }
    return 0;
  }
  void Notify(TNotifyUI& msg) override {
    notes.push_back(msg.sType.str() + L":" + (msg.pSender ? msg.pSender->GetName().str() : L""));
    WindowImplBase::Notify(msg);
  }
  LRESULT ResponseDefaultKeyEvent(WPARAM key) override {
    return ignore_keys ? 0 : WindowImplBase::ResponseDefaultKeyEvent(key);
  }
  void OnFinalMessage(HWND hwnd) override {
    WindowImplBase::OnFinalMessage(hwnd);
    final_seen = true;
  }
  CPaintManagerUI& pm() { return m_PaintManager; }
  bool Has(UINT msg) const {
    for (const auto& m : messages) {
      if (m.msg == msg) return true;
    }
    return false;
  }
  const Message* LastSize() const {
    for (auto it = messages.rbegin(); it != messages.rend(); ++it) {
      if (it->msg == WM_SIZE) return &*it;
    }
    return nullptr;
  }

  std::vector<Message> messages;
  std::function<void(UINT, WPARAM)> on_message;
  std::function<bool(WPARAM)> claim_key;  // keys the window takes
  std::vector<std::wstring> notes;
  bool init_found_close = false;
  bool init_on_main = false;
  bool init_before_size = false;
  bool ignore_keys = false;
  bool final_seen = false;

 private:
  const wchar_t* class_name_;
  const wchar_t* skin_;
};

inline GdkWindow* GdkOf(HWND hwnd) {
  platform::NativeWindow* w = platform::LookupWindow(hwnd);
  return w ? gtk_widget_get_window(GTK_WIDGET(w->NativeHandle())) : nullptr;
}

inline GtkWidget* GtkOf(HWND hwnd) {
  platform::NativeWindow* w = platform::LookupWindow(hwnd);
  return w ? GTK_WIDGET(w->NativeHandle()) : nullptr;
}

// Whether the window manager shows the window.
inline bool Mapped(HWND hwnd) { return test_support::ShownByWindowManager(GtkOf(hwnd)); }

// Whether the window manager keeps the window above the others.
inline bool KeptAbove(HWND hwnd) { return test_support::KeptAboveByWindowManager(GtkOf(hwnd)); }

// Whether the window manager shows the window, not maximised, where the
// toolkit believes it is.
inline bool PlacedNormally(HWND hwnd) {
  if (!Mapped(hwnd)) return false;
  GdkWindow* gw = GdkOf(hwnd);
  if ((gdk_window_get_state(gw) & GDK_WINDOW_STATE_MAXIMIZED) != 0) return false;
  GdkRectangle frame;
  gdk_window_get_frame_extents(gw, &frame);
  RECT rect;
  GetWindowRect(hwnd, &rect);
  return frame.x == rect.left && frame.y == rect.top && frame.width == rect.right - rect.left &&
         frame.height == rect.bottom - rect.top;
}

// The window's pixels as they are on the screen, saved as a PNG in the
// build directory for people to look at.
inline GdkPixbuf* Screenshot(HWND hwnd, const std::string& name) {
  GdkWindow* gw = GdkOf(hwnd);
  if (gw == nullptr) return nullptr;
  GdkPixbuf* shot =
      gdk_pixbuf_get_from_window(gw, 0, 0, gdk_window_get_width(gw), gdk_window_get_height(gw));
  if (shot != nullptr) {
    std::string path = std::string(QUORBITAL_BINARY_DIR) + "/ui_" + name + ".png";
    gdk_pixbuf_save(shot, path.c_str(), "png", nullptr, nullptr);
  }
  return shot;
}

inline std::uint32_t Pixel(GdkPixbuf* pixbuf, int x, int y) {
  const guchar* p = gdk_pixbuf_get_pixels(pixbuf) + y * gdk_pixbuf_get_rowstride(pixbuf) +
                    x * gdk_pixbuf_get_n_channels(pixbuf);
  return (static_cast<std::uint32_t>(p[0]) << 16) | (p[1] << 8) | p[2];
}

// Has the window drawn anew and waits until it has. Until a window has
// drawn itself its place on the screen shows what was there before (such
// as another test's window of the same skin).
inline bool Redrawn(HWND hwnd) {
  GtkWidget* widget = GtkOf(hwnd);
  if (widget == nullptr) return false;
  bool drawn = false;
  const gulong handler = g_signal_connect_after(
      widget, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer flag) -> gboolean {
        *static_cast<bool*>(flag) = true;
        return FALSE;
      }),
      &drawn);
  gtk_widget_queue_draw(widget);
  const bool ok = PumpUntil([&] { return drawn; });
  g_signal_handler_disconnect(widget, handler);
  return ok;
}

// Whether the controls are laid out for the window's present client area
// (the layout runs before the window is drawn), so that their places on the
// screen are known.
inline bool LaidOut(SkinWindow& w) {
  CControlUI* root = w.pm().GetRoot();
  RECT client;
  if (root == nullptr || !GetClientRect(w.GetHWND(), &client) || client.right <= 0) return false;
  const RECT rc = root->GetPos();
  return rc.left == 0 && rc.top == 0 && rc.right == client.right && rc.bottom == client.bottom;
}

// Screen point of a control's centre.
inline POINT ScreenCentre(SkinWindow& w, const wchar_t* name) {
  RECT wr;
  GetWindowRect(w.GetHWND(), &wr);
  RECT rc = w.pm().FindControl(name)->GetPos();
  return {wr.left + (rc.left + rc.right) / 2, wr.top + (rc.top + rc.bottom) / 2};
}

// Runs xdotool (another X client: its input goes through the X server and
// the window manager like a person's) while the loop keeps running.
inline void Xdotool(const std::string& args) {
  std::string cmd = "xdotool " + args + " >/dev/null 2>&1";
  std::atomic<int> status{-1};
  std::atomic<bool> done{false};
  std::thread runner([&] {
    status = std::system(cmd.c_str());
    done = true;
  });
  PumpUntil([&] { return done.load(); });
  runner.join();
  ASSERT_EQ(status.load(), 0) << cmd;
}

}  // namespace uitest
