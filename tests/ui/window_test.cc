// Toolkit windows on a real X display with a window manager: the three
// skins open and draw, clicks give notifications, the window manager's
// maximise and restore give WM_SIZE, a popup style covers the screen, and
// workers talk to windows in order and run modal windows.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "tests/ui/skin_window.h"

// From gdk/gdkx.h, whose X11 macros do not mix with the test framework.
extern "C" unsigned long gdk_x11_window_get_xid(GdkWindow* window);

namespace {

using namespace uitest;

class ToolkitEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { CPaintManagerUI::SetInstance(nullptr); }
};
const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new ToolkitEnvironment);

TEST(Windows, EachSkinOpensDrawsItsControlsAndCloses) {
  struct Case {
    const wchar_t* cls;
    const wchar_t* skin;
    DWORD style;
    const char* shot;
    POINT probe;  // a pixel of the skin and the colour it must have
    std::uint32_t colour;
  };
  const Case cases[] = {
      {L"main_wnd_class",
       L"MainWnd.xml",
       WS_VISIBLE | WS_OVERLAPPEDWINDOW,
       "main",
       {200, 12},
       0x1F2937},
      {L"down_wnd_class",
       L"DownloadWnd.xml",
       WS_VISIBLE | WS_OVERLAPPEDWINDOW,
       "download",
       {300, 20},
       0xF7F8FA},
      {L"update_wnd_class", L"UpdateWnd.xml", kDialogWindowStyle, "update", {300, 20}, 0xF7F8FA},
  };
  for (const Case& c : cases) {
    auto* w = new SkinWindow(c.cls, c.skin);
    HWND hwnd = w->Create(nullptr, L"Quorbital", c.style, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(w->init_found_close);
    EXPECT_TRUE(w->init_before_size);
    ASSERT_NE(w->LastSize(), nullptr);  // the first WM_SIZE follows creation
    w->CenterWindow();
    ASSERT_TRUE(PumpUntil([&] { return Mapped(hwnd); }));
    // Above any other window, and drawn there.
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ASSERT_TRUE(PumpUntil([&] { return KeptAbove(hwnd); }));
    ASSERT_TRUE(Redrawn(hwnd));
    GdkPixbuf* shot = nullptr;
    PumpUntil([&] {
      if (shot != nullptr) g_object_unref(shot);
      shot = Screenshot(hwnd, c.shot);
      return shot != nullptr && Pixel(shot, c.probe.x, c.probe.y) == c.colour;
    });
    ASSERT_NE(shot, nullptr);
    // The skin's size was applied to a window created with default size.
    EXPECT_EQ(gdk_pixbuf_get_width(shot), w->pm().GetInitSize().cx);
    EXPECT_EQ(Pixel(shot, c.probe.x, c.probe.y), c.colour) << c.shot;
    // The close button is drawn where the layout put it: its glyph is not
    // the background colour.
    RECT close = w->pm().FindControl(L"btn_close")->GetPos();
    bool glyph = false;
    for (int x = close.left; x < close.right; ++x) {
      glyph = glyph || Pixel(shot, x, (close.top + close.bottom) / 2) !=
                           Pixel(shot, close.left + 1, close.top + 1);
    }
    EXPECT_TRUE(glyph) << c.shot;
    g_object_unref(shot);
    w->Close(IDOK);
    ASSERT_TRUE(PumpUntil([&] { return w->final_seen; }));
    EXPECT_FALSE(IsWindow(hwnd));
    delete w;
  }
}

TEST(Windows, ClickingBtnCloseNotifiesWithItsSender) {
  SkinWindow w(L"down_wnd_class", L"DownloadWnd.xml");
  CControlUI* sender = nullptr;
  struct Hook {
    CControlUI** sender;
    bool OnClose(void* param) {
      *sender = static_cast<TNotifyUI*>(param)->pSender;
      return true;
    }
  } hook{&sender};
  HWND hwnd = w.Create(nullptr, L"下载", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 100, 100, 640, 440);
  w.pm().FindControl(L"btn_close")->OnNotify += MakeDelegate(&hook, &Hook::OnClose);
  ASSERT_TRUE(PumpUntil([&] { return Mapped(hwnd); }));
  // Above any other window, so the pointer reaches this one.
  SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ASSERT_TRUE(PumpUntil([&] { return KeptAbove(hwnd) && LaidOut(w); }));
  POINT p = ScreenCentre(w, L"btn_close");
  Xdotool("mousemove " + std::to_string(p.x) + " " + std::to_string(p.y) + " click 1");
  ASSERT_TRUE(PumpUntil([&] { return !w.notes.empty(); }));
  EXPECT_EQ(w.notes.front(), L"click:btn_close");
  EXPECT_EQ(sender, w.pm().FindControl(L"btn_close"));
}

TEST(Windows, MaximiseRestoreAndCaptionGiveSizeMessages) {
  SkinWindow w(L"main_wnd_class", L"MainWnd.xml");
  HWND hwnd = w.Create(nullptr, L"Quorbital", WS_VISIBLE | WS_OVERLAPPEDWINDOW, WS_EX_ACCEPTFILES,
                       200, 150, 800, 500);
  ASSERT_TRUE(PumpUntil([&] { return Mapped(hwnd); }));
  SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ASSERT_TRUE(PumpUntil([&] { return KeptAbove(hwnd); }));
  ASSERT_NE(w.LastSize(), nullptr);
  EXPECT_EQ(LOWORD(static_cast<UINT_PTR>(w.LastSize()->lparam)), 800);

  w.SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  ASSERT_TRUE(PumpUntil([&] { return w.LastSize()->wparam == SIZE_MAXIMIZED; }));
  RECT desk;
  GetWindowRect(GetDesktopWindow(), &desk);
  ASSERT_TRUE(
      PumpUntil([&] { return LOWORD(static_cast<UINT_PTR>(w.LastSize()->lparam)) == desk.right; }));
  EXPECT_FALSE(w.pm().FindControl(L"maxbtn")->IsVisible());
  EXPECT_TRUE(w.pm().FindControl(L"restorebtn")->IsVisible());

  w.SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
  ASSERT_TRUE(PumpUntil([&] {
    const Message* m = w.LastSize();
    return m->wparam == SIZE_RESTORED && LOWORD(static_cast<UINT_PTR>(m->lparam)) == 800 &&
           HIWORD(static_cast<UINT_PTR>(m->lparam)) == 500;
  }));
  RECT client;
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, 800);
  EXPECT_EQ(client.bottom, 500);

  // A double click on the caption maximises (default processing of
  // WM_NCLBUTTONDBLCLK); dragging the caption moves the window.
  ASSERT_TRUE(PumpUntil([&] { return PlacedNormally(hwnd) && LaidOut(w); }));
  POINT title = ScreenCentre(w, L"title");
  Xdotool("mousemove " + std::to_string(title.x) + " " + std::to_string(title.y) +
          " click --repeat 2 --delay 60 1");
  ASSERT_TRUE(PumpUntil(
      [&] { return w.Has(WM_NCLBUTTONDBLCLK) && w.LastSize()->wparam == SIZE_MAXIMIZED; }));
  w.SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
  ASSERT_TRUE(PumpUntil([&] { return w.LastSize()->wparam == SIZE_RESTORED; }));
  ASSERT_TRUE(PumpUntil([&] { return PlacedNormally(hwnd) && LaidOut(w); }));
  RECT before;
  GetWindowRect(hwnd, &before);
  title = ScreenCentre(w, L"title");
  Xdotool("mousemove " + std::to_string(title.x) + " " + std::to_string(title.y) +
          " mousedown 1 mousemove " + std::to_string(title.x + 60) + " " +
          std::to_string(title.y + 40) + " sleep 0.2 mousemove " + std::to_string(title.x + 120) +
          " " + std::to_string(title.y + 80) + " sleep 0.2 mouseup 1");
  ASSERT_TRUE(PumpUntil([&] {
    RECT now;
    GetWindowRect(hwnd, &now);
    return now.left >= before.left + 100 && now.top >= before.top + 60;
  }));
}

TEST(Windows, APopupStyleCoversTheScreenAndTheOverlappedStyleComesBack) {
  SkinWindow w(L"main_wnd_class", L"MainWnd.xml");
  HWND hwnd =
      w.Create(nullptr, L"Quorbital", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 100, 100, 700, 400);
  ASSERT_TRUE(PumpUntil([&] { return Mapped(hwnd); }));
  RECT desk;
  ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &desk));
  EXPECT_GT(desk.right, 0);

  LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  EXPECT_TRUE(style & WS_VISIBLE);
  style = static_cast<LONG>((static_cast<DWORD>(style) & kFullScreenKeepMask) | WS_POPUP);
  SetWindowLongW(hwnd, GWL_STYLE, style);
  w.SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
  SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, desk.right, desk.bottom,
               SWP_NOACTIVATE | SWP_SHOWWINDOW);
  // The window procedure hears the new size at once.
  ASSERT_NE(w.LastSize(), nullptr);
  EXPECT_EQ(LOWORD(static_cast<UINT_PTR>(w.LastSize()->lparam)), desk.right);
  EXPECT_EQ(HIWORD(static_cast<UINT_PTR>(w.LastSize()->lparam)), desk.bottom);
  // And the window manager agrees.
  ASSERT_TRUE(PumpUntil([&] {
    GdkRectangle frame;
    gdk_window_get_frame_extents(GdkOf(hwnd), &frame);
    return frame.x == desk.left && frame.y == desk.top && frame.width == desk.right - desk.left &&
           frame.height == desk.bottom - desk.top;
  }));
  size_t sizes = w.messages.size();
  PumpFor(300);  // only to show that no WM_SIZE follows
  for (size_t i = sizes; i < w.messages.size(); ++i) EXPECT_NE(w.messages[i].msg, WM_SIZE);

  style = static_cast<LONG>(
      (static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)) & kFramedKeepMask) | kFrameWindowStyle);
  SetWindowLongW(hwnd, GWL_STYLE, style);
  w.SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  ASSERT_TRUE(PumpUntil([&] { return w.LastSize()->wparam == SIZE_MAXIMIZED; }));
}

TEST(Windows, MessagesFromAWorkerArriveInOrder) {
  SkinWindow w(L"down_wnd_class", L"DownloadWnd.xml");
  HWND hwnd = w.Create(nullptr, L"下载", 0, 0, 0, 0, 300, 200);
  ASSERT_NE(hwnd, nullptr);
  w.messages.clear();
  std::atomic<bool> done{false};
  std::vector<LRESULT> replies;
  std::thread worker([&] {
    for (int i = 0; i < 300; ++i) {
      w.PostMessage(WM_USER + 1, static_cast<WPARAM>(i), 0);
      if (i % 30 == 0) replies.push_back(w.SendMessage(WM_USER + 2, static_cast<WPARAM>(i), 0));
    }
    done = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return done.load() && w.messages.size() >= 310; }));
  worker.join();
  std::vector<std::pair<UINT, WPARAM>> expected, got;
  for (int i = 0; i < 300; ++i) {
    expected.emplace_back(WM_USER + 1, i);
    if (i % 30 == 0) expected.emplace_back(WM_USER + 2, i);
  }
  for (const auto& m : w.messages) {
    if (m.msg == WM_USER + 1 || m.msg == WM_USER + 2) got.emplace_back(m.msg, m.wparam);
  }
  EXPECT_EQ(got, expected);
  ASSERT_EQ(replies.size(), 10u);
  EXPECT_EQ(replies[3], 180);
}

TEST(Windows, ShowModalFromAWorkerWaitsForTheCloseResult) {
  SkinWindow owner(L"main_wnd_class", L"MainWnd.xml");
  HWND owner_hwnd =
      owner.Create(nullptr, L"Quorbital", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 50, 50, 900, 600);
  // The dialog is centred over where its owner stands.
  ASSERT_TRUE(PumpUntil([&] { return PlacedNormally(owner_hwnd); }));
  auto* dlg = new SkinWindow(L"update_wnd_class", L"UpdateWnd.xml");
  std::atomic<bool> returned{false};
  std::atomic<UINT> result{0};
  std::atomic<HWND> hwnd{nullptr};
  std::thread worker([&] {
    hwnd = dlg->Create(owner_hwnd, L"update_dialog", kDialogWindowStyle, 0, CW_USEDEFAULT,
                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT);
    dlg->CenterWindow();
    result = dlg->ShowModal();
    returned = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return hwnd.load() != nullptr && Mapped(hwnd.load()); }));
  EXPECT_TRUE(dlg->init_on_main);
  EXPECT_EQ(GetParent(hwnd.load()), owner_hwnd);
  // The window may be mapped (it was created visible) before the worker's
  // ShowModal has reached the main thread.
  EXPECT_TRUE(PumpUntil([&] {
    return gtk_window_get_modal(GTK_WINDOW(platform::LookupWindow(hwnd.load())->NativeHandle()));
  }));
  // Centred over its owner.
  RECT o, d;
  EXPECT_TRUE(PumpUntil([&] {
    GetWindowRect(owner_hwnd, &o);
    GetWindowRect(hwnd.load(), &d);
    return std::abs((d.left + d.right) / 2 - (o.left + o.right) / 2) <= 2;
  })) << d.left
      << "," << d.top << " over " << o.left << "," << o.top;
  PumpFor(200);  // only to show that ShowModal does not return before the close
  EXPECT_FALSE(returned.load());
  dlg->Close(7);
  ASSERT_TRUE(PumpUntil([&] { return returned.load(); }));
  worker.join();
  EXPECT_EQ(result.load(), 7u);
  EXPECT_FALSE(IsWindow(hwnd.load()));
  delete dlg;

  // On the main thread ShowModal runs a nested loop.
  SkinWindow second(L"update_wnd_class", L"UpdateWnd.xml");
  second.Create(owner_hwnd, L"update_dialog", kDialogWindowStyle, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                CW_USEDEFAULT, CW_USEDEFAULT);
  platform::PostToMainThread([&] { second.Close(3); });
  EXPECT_EQ(second.ShowModal(), 3u);
}

TEST(Windows, EscapeClosesUnlessTheWindowIgnoresKeys) {
  SkinWindow plain(L"down_wnd_class", L"DownloadWnd.xml");
  HWND a = plain.Create(nullptr, L"a", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 10, 10, 400, 300);
  plain.SendMessage(WM_KEYDOWN, VK_RETURN, 0);
  PumpFor(100);  // only to show that Return does not close
  EXPECT_TRUE(IsWindow(a));
  plain.SendMessage(WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(PumpUntil([&] { return plain.final_seen; }));

  SkinWindow deaf(L"main_wnd_class", L"MainWnd.xml");
  deaf.ignore_keys = true;
  HWND b =
      deaf.Create(nullptr, L"Quorbital", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 10, 10, 400, 300);
  ASSERT_TRUE(PumpUntil([&] { return Mapped(b); }));
  const std::string xid = std::to_string(gdk_x11_window_get_xid(GdkOf(b)));
  Xdotool("windowactivate --sync " + xid + " key Escape key Return");
  PumpFor(300);  // only to show that the keys do not close the window
  deaf.SendMessage(WM_KEYDOWN, VK_ESCAPE, 0);
  PumpFor(100);  // nor does the message
  EXPECT_TRUE(IsWindow(b));
  EXPECT_TRUE(deaf.Has(WM_KEYDOWN));

  // Alt+F4 is the window manager's close: it arrives as WM_CLOSE, whose
  // default processing ends the window.
  Xdotool("windowactivate --sync " + xid + " key alt+F4");
  ASSERT_TRUE(PumpUntil([&] { return deaf.final_seen; }));
  EXPECT_TRUE(deaf.Has(WM_CLOSE));
}

TEST(Windows, KeysReachTheWindowAndShortcutsComeBeforeTheFocusedChild) {
  SkinWindow w(L"main_wnd_class", L"MainWnd.xml");
  w.ignore_keys = true;
  std::vector<std::pair<WPARAM, bool>> keys;  // code, Control held
  w.on_message = [&](UINT msg, WPARAM key) {
    if (msg == WM_KEYDOWN && key != VK_CONTROL && key != VK_SHIFT)
      keys.emplace_back(key, GetKeyState(VK_CONTROL) < 0);
  };
  w.claim_key = [](WPARAM key) { return key == 'A' && GetKeyState(VK_CONTROL) < 0; };
  HWND hwnd = w.Create(nullptr, L"keys", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 10, 10, 400, 300);
  // A native child with the focus stands for the browser.
  GtkWidget* entry = gtk_entry_new();
  ASSERT_TRUE(platform::LookupWindow(hwnd)->AddChild(entry, {10, 40, 300, 80}));
  ASSERT_TRUE(PumpUntil([&] { return Mapped(hwnd); }));
  Xdotool("windowactivate --sync " + std::to_string(gdk_x11_window_get_xid(GdkOf(hwnd))));
  SetFocus(hwnd);
  // The toolkit hears of the activation after the window manager made it.
  ASSERT_TRUE(PumpUntil([&] { return GetFocus() == hwnd; }));
  gtk_widget_grab_focus(entry);

  // Typing goes to the child, which uses it: the window hears nothing.
  Xdotool("type --delay 20 ab");
  ASSERT_TRUE(PumpUntil([&] { return std::string(gtk_entry_get_text(GTK_ENTRY(entry))) == "ab"; }));
  EXPECT_TRUE(keys.empty());
  // A shortcut the window takes never reaches the child (Ctrl+A would
  // select the text); one it leaves does (Ctrl+Backspace deletes a word),
  // and the window hears each once.
  Xdotool("key ctrl+a key ctrl+BackSpace key F5 key Escape");
  ASSERT_TRUE(PumpUntil([&] { return keys.size() >= 4; }));
  PumpFor(200);  // only to show that no key comes twice
  const std::vector<std::pair<WPARAM, bool>> expected = {
      {'A', true}, {VK_BACK, true}, {VK_F5, false}, {VK_ESCAPE, false}};
  EXPECT_EQ(keys, expected);
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(entry)), "");
  EXPECT_EQ(GetFocus(), nullptr);  // the entry is no window of the table
  w.Close();
  ASSERT_TRUE(PumpUntil([&] { return w.final_seen; }));
}

TEST(Windows, AMissingSkinGivesAWindowWithoutControls) {
  SkinWindow w(L"x_class", L"NoSuchSkin.xml");
  HWND hwnd = w.Create(nullptr, L"x", WS_VISIBLE, 0, 10, 10, 300, 200);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(w.pm().FindControl(L"btn_close"), nullptr);
  ASSERT_TRUE(PumpUntil([&] { return Mapped(hwnd); }));
}

}  // namespace
