// The window calls on toolkit windows: lookup, native children, stale
// handles, message boxes, and files dropped from another X client.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/drop_files.h"
#include "platform/unicode_text.h"
#include "tests/support/child_process.h"
#include "tests/ui/skin_window.h"
#include "ui/window_host.h"

namespace {

using namespace uitest;

TEST(WindowCalls, FindWindowChildrenAndStaleHandles) {
  SkinWindow w(L"main_wnd_class", L"MainWnd.xml");
  HWND hwnd =
      w.Create(nullptr, L"Quorbital", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 30, 30, 600, 400);
  EXPECT_EQ(FindWindowW(L"main_wnd_class", L"Quorbital"), hwnd);
  EXPECT_EQ(FindWindowW(L"main_wnd_class", nullptr), hwnd);
  EXPECT_EQ(FindWindowW(nullptr, L"Quorbital"), hwnd);
  EXPECT_EQ(FindWindowW(L"main_wnd_class", L"Other"), nullptr);

  // A native child placed over the client area, moved by its rectangle.
  platform::NativeWindow* native = platform::LookupWindow(hwnd);
  GtkWidget* child = gtk_label_new("child");
  ASSERT_TRUE(native->AddChild(child, {1, 24, 599, 399}));
  auto placed = [&](int x, int y, int w, int h) {
    int cx = -1, cy = -1;
    gtk_widget_translate_coordinates(child, GTK_WIDGET(native->NativeHandle()), 0, 0, &cx, &cy);
    return cx == x && cy == y && gtk_widget_get_allocated_width(child) == w &&
           gtk_widget_get_allocated_height(child) == h;
  };
  ASSERT_TRUE(PumpUntil([&] { return placed(1, 24, 598, 375); }));
  native->PlaceChild(child, {10, 30, 310, 230});
  ASSERT_TRUE(PumpUntil([&] { return placed(10, 30, 300, 200); }));
  native->RemoveChild(child);

  w.Close(IDOK);
  ASSERT_TRUE(PumpUntil([&] { return w.final_seen; }));
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(FindWindowW(L"main_wnd_class", L"Quorbital"), nullptr);
  EXPECT_EQ(SendMessageW(hwnd, WM_USER, 0, 0), 0);
  EXPECT_FALSE(MoveWindow(hwnd, 0, 0, 10, 10, TRUE));
  RECT rc;
  EXPECT_FALSE(GetClientRect(hwnd, &rc));
}

// The message box of the first toplevel message dialog, answered with OK
// once it is on the screen; records its title and text.
struct DialogAnswerer {
  std::string title, text;
  bool answered = false;
  void Arm() {
    g_timeout_add(
        50,
        [](gpointer data) -> gboolean {
          auto* self = static_cast<DialogAnswerer*>(data);
          GList* tops = gtk_window_list_toplevels();
          for (GList* l = tops; l != nullptr; l = l->next) {
            if (!GTK_IS_MESSAGE_DIALOG(l->data) || !gtk_widget_get_mapped(GTK_WIDGET(l->data)))
              continue;
            self->title = gtk_window_get_title(GTK_WINDOW(l->data));
            gchar* text = nullptr;
            g_object_get(l->data, "text", &text, nullptr);
            self->text = text ? text : "";
            g_free(text);
            gtk_dialog_response(GTK_DIALOG(l->data), GTK_RESPONSE_OK);
            self->answered = true;
          }
          g_list_free(tops);
          return self->answered ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
        },
        this);
  }
};

TEST(WindowCalls, MessageBoxShowsCaptionAndTextModallyOnTheMainThread) {
  SkinWindow owner(L"update_wnd_class", L"UpdateWnd.xml");
  HWND hwnd = owner.Create(nullptr, L"update_dialog", kDialogWindowStyle, 0, 100, 100, 440, 230);
  ASSERT_TRUE(PumpUntil([&] { return Mapped(hwnd); }));
  DialogAnswerer answer;
  answer.Arm();
  EXPECT_EQ(MessageBoxW(hwnd, L"请耐心等待升级完成", L"提示", MB_OK), IDOK);
  EXPECT_TRUE(answer.answered);
  EXPECT_EQ(answer.title, "提示");
  EXPECT_EQ(answer.text, "请耐心等待升级完成");

  // From a worker: shown on the main thread while the worker waits.
  DialogAnswerer second;
  second.Arm();
  std::atomic<int> result{0};
  std::thread worker([&] { result = MessageBoxW(hwnd, L"b", L"a", MB_OK); });
  ASSERT_TRUE(PumpUntil([&] { return result.load() != 0; }));
  worker.join();
  EXPECT_EQ(result.load(), IDOK);
  EXPECT_EQ(second.text, "b");
}

TEST(WindowCalls, AShownWindowFocusesItsFirstControlAndGetsItBackAfterAMessageBox) {
  SkinWindow owner(L"down_wnd_class", L"DownloadWnd.xml");
  HWND hwnd =
      owner.Create(nullptr, L"下载", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 100, 100, 480, 360);
  auto* host = dynamic_cast<ui::WindowHost*>(platform::LookupWindow(hwnd));
  ASSERT_NE(host, nullptr);
  const std::vector<CControlUI*> order = owner.pm().GetFocusOrder();
  ASSERT_GE(order.size(), 2u);
  // Shown: the first control has the focus and the skin the keyboard.
  ASSERT_TRUE(PumpUntil([&] { return owner.pm().GetFocus() == order.front(); }));
  ASSERT_TRUE(PumpUntil([&] { return host->SkinHasFocus(); }));

  // Moved on, then a message box: the same control has it again afterwards
  // (not the first one, nor none), with the keyboard.
  owner.pm().SetFocus(order.back());
  DialogAnswerer answer;
  answer.Arm();
  EXPECT_EQ(MessageBoxW(hwnd, L"b", L"a", MB_OK), IDOK);
  EXPECT_TRUE(PumpUntil([&] { return host->SkinHasFocus(); }));
  EXPECT_EQ(owner.pm().GetFocus(), order.back());
}

TEST(WindowCalls, DropHandlesReadLikeTheirOriginals) {
  HDROP drop = platform::MakeDropHandle({L"/tmp/a b.zv", L"/tmp/二.pdf"});
  EXPECT_EQ(DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0), 2u);
  EXPECT_EQ(DragQueryFileW(drop, 0, nullptr, 0), 11u);
  wchar_t buffer[260] = {};
  EXPECT_EQ(DragQueryFileW(drop, 1, buffer, 260), 10u);
  EXPECT_EQ(std::wstring(buffer), L"/tmp/二.pdf");
  wchar_t small[5];
  EXPECT_EQ(DragQueryFileW(drop, 0, small, 5), 4u);  // cut, always terminated
  EXPECT_EQ(std::wstring(small), L"/tmp");
  EXPECT_EQ(DragQueryFileW(drop, 2, buffer, 260), 0u);
  DragFinish(drop);
  EXPECT_EQ(DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0), 0u);
  DragFinish(drop);  // twice is harmless
  EXPECT_EQ(DragQueryFileW(reinterpret_cast<HDROP>(0x1234), 0xFFFFFFFF, nullptr, 0), 0u);
}

TEST(WindowCalls, AFileDroppedFromAnotherClientArrivesAsDropFiles) {
  std::string file = std::string(QUORBITAL_BINARY_DIR) + "/ui dropped 文件.zv";
  std::ofstream(file) << "x";
  SkinWindow w(L"main_wnd_class", L"MainWnd.xml");
  std::vector<std::wstring> dropped;
  w.on_message = [&](UINT msg, WPARAM wparam) {
    if (msg != WM_DROPFILES) return;
    auto drop = reinterpret_cast<HDROP>(wparam);
    UINT n = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < n; ++i) {
      wchar_t path[260] = {};
      DragQueryFileW(drop, i, path, 260);
      dropped.emplace_back(path);
    }
  };
  HWND hwnd = w.Create(nullptr, L"Quorbital", WS_VISIBLE | WS_OVERLAPPEDWINDOW, WS_EX_ACCEPTFILES,
                       500, 100, 600, 400);
  ASSERT_TRUE(PumpUntil([&] { return Mapped(hwnd); }));
  SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  // Another X client offers the file; it says "ready" once it is on the screen.
  test_support::ChildProcess source({UI_DRAG_SOURCE, "100", "100", file});
  ASSERT_EQ(source.PumpReadLine(), "ready");
  // The window manager says when it keeps the window above the others.
  ASSERT_TRUE(PumpUntil([&] { return KeptAbove(hwnd); }));
  Xdotool(
      "mousemove 150 140 mousedown 1 sleep 0.1 mousemove 170 150 sleep 0.1 mousemove 300 200 sleep "
      "0.1 "
      "mousemove 700 300 sleep 0.3 mousemove 760 320 sleep 0.3 mouseup 1");
  ASSERT_TRUE(PumpUntil([&] { return !dropped.empty(); }));
  ASSERT_EQ(dropped.size(), 1u);
  EXPECT_EQ(dropped[0], platform::Utf8ToWide(file));
  std::remove(file.c_str());
}

}  // namespace
