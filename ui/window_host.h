// WindowHost: the GTK side of one toolkit window. It owns the top-level
// GtkWindow, a GtkOverlay whose main child is the drawing area the skin is
// painted in (native children such as the browser view are placed over it
// at explicit rectangles), translates GTK events into window messages and
// control input, and implements the window calls' contract (NativeWindow).
// Internal to the toolkit; main thread only.
#pragma once

#include <climits>
#include <map>
#include <string>

#include "platform/gobject_ptr.h"
#include "platform/native_window.h"

struct _GtkWidget;
struct _GdkEventButton;
struct _GdkEventMotion;
struct _GdkEventConfigure;
struct _GdkEventWindowState;
struct _GdkEventKey;
struct _GdkEventScroll;
struct _GdkEventCrossing;
struct _GdkEventAny;
struct _GdkEventFocus;
struct _GdkDragContext;
struct _GtkSelectionData;
struct _cairo;

class CWindowWnd;
class CPaintManagerUI;
class CControlUI;

namespace ui {

class SkinAccessibility;

class WindowHost : public platform::NativeWindow {
 public:
  explicit WindowHost(CWindowWnd* wnd);
  ~WindowHost() override;
  WindowHost(const WindowHost&) = delete;
  WindowHost& operator=(const WindowHost&) = delete;

  // Makes the GTK window (not shown) and registers the handle; null when no
  // display is available.
  HWND Create(HWND owner, const std::wstring& class_name, const std::wstring& title, DWORD style,
              DWORD ex_style, int x, int y, int cx, int cy);
  // After WM_CREATE: publishes the window, positions a default-placed
  // window, sends the first WM_SIZE and schedules the show for WS_VISIBLE.
  void FinishCreate();
  // Destroys the GTK widgets and withdraws the window; the handle stays
  // registered until Unregister so the last messages can still be sent.
  void DestroyNative();
  void Unregister();
  HWND hwnd() const { return hwnd_; }

  void SetPaintManager(CPaintManagerUI* manager);
  CPaintManagerUI* Manager() const { return manager_; }
  // The drawing area of the skin.
  _GtkWidget* SkinWidget() const { return area_; }
  // The tooltip shown over the client area ("" for none).
  void SetToolTip(const std::wstring& text);
  void QueueDraw();
  // Draws a rectangle of the client area again (layout pixels).
  void QueueDrawArea(int x, int y, int width, int height);
  // time: of the user action that asked for the window (0: now).
  void SetVisible(bool show, bool take_focus, unsigned time = 0);
  void Center();
  void SetIconFile(const std::string& path);
  void Maximize();
  void Restore();
  void Minimize();
  bool IsMaximized() const { return maximized_; }
  void SetModal(bool modal);
  void ResizeClient(int cx, int cy);
  void SetMinSize(int cx, int cy);
  bool UsedDefaultSize() const { return default_size_; }
  // Device pixels to one layout pixel on the window's monitor (GDK_SCALE).
  int ScaleFactor() const;
  // The desktop's text size or contrast changed: the skin follows.
  void DesktopLookChanged();
  // Window pixels to one layout pixel of the skin (more than 1 when the
  // skin grows with the desktop's text size), and a point of the window in
  // layout pixels.
  double Zoom() const;
  POINT LayoutPoint(double x, double y) const;

  // Keyboard focus: whether a native child (the browser view) has it within
  // the window; giving it to the skin's controls; whether they have it in
  // the active window (the focus ring shows then).
  bool NativeChildHasFocus() const;
  void FocusSkin();
  bool SkinHasFocus() const;

  // Screen readers: the skin's accessible objects while they exist (set by
  // them), a control about to be deleted, and the window's accessible name
  // (the text of the skin's title label, else the title).
  void SetAccessibility(SkinAccessibility* accessibility) { accessibility_ = accessibility; }
  void ForgetControl(CControlUI* control);
  void FocusMoved(CControlUI* from, CControlUI* to);
  // One control's looks or text changed (null: anything may have).
  void ControlChanged(CControlUI* control);
  void UpdateAccessibleTitle();

  // platform::NativeWindow
  std::wstring ClassName() const override { return class_name_; }
  std::wstring Title() const override { return title_; }
  LRESULT Dispatch(UINT msg, WPARAM wparam, LPARAM lparam) override;
  LONG Style() const override;
  void SetStyle(LONG style) override;
  LONG ExStyle() const override { return static_cast<LONG>(ex_style_); }
  void SetExStyle(LONG style) override;
  RECT WindowRect() const override { return rect_; }
  RECT ClientRect() const override;
  void Move(int x, int y, int width, int height, bool repaint) override;
  void SetPos(HWND insert_after, int x, int y, int cx, int cy, UINT flags) override;
  HWND Parent() const override { return owner_; }
  bool AddChild(void* widget, const RECT& rect) override;
  void PlaceChild(void* widget, const RECT& rect) override;
  void RemoveChild(void* widget) override;
  void* NativeHandle() const override { return window_.get(); }
  void* FocusWidget() const override { return area_; }
  void Activate(const std::string& startup_id) override;

 private:
  bool FullScreenMode() const;
  RECT MonitorRect(bool work_area) const;
  void ApplyGeometry(int x, int y, int w, int h);
  void ReportSize(int w, int h, bool maximized);
  // WM_MOVE when the un-maximised window stands somewhere new.
  void ReportPlace(int x, int y);
  void ScheduleSizeReport();
  // Layout pixels.
  bool InCaption(int x, int y) const;
  int EdgeAt(int x, int y) const;  // a GdkWindowEdge, or -1
  void UpdateCursor(int x, int y);
  void EnableDrop(bool on);
  // Moves the window and remembers the place, so it can be asked for again
  // once mapped: window managers may place a new window by their own rules.
  void RequestPosition(int x, int y);
  // Hands a key to the window as WM_KEYDOWN; true when the window took it.
  bool DispatchKey(const _GdkEventKey* ev);

  static int OnDraw(_GtkWidget*, _cairo* cr, void* self);
  static int OnButtonPress(_GtkWidget*, _GdkEventButton* ev, void* self);
  static int OnButtonRelease(_GtkWidget*, _GdkEventButton* ev, void* self);
  static int OnMotion(_GtkWidget*, _GdkEventMotion* ev, void* self);
  static int OnLeave(_GtkWidget*, _GdkEventCrossing* ev, void* self);
  static int OnScroll(_GtkWidget*, _GdkEventScroll* ev, void* self);
  static int OnConfigure(_GtkWidget*, _GdkEventConfigure* ev, void* self);
  static int OnWindowState(_GtkWidget*, _GdkEventWindowState* ev, void* self);
  // Keys: OnKeyPress runs before the focused widget sees the key, and
  // OnKeyPressAfter sees what it left (see window_host_events.cc).
  static int OnKeyPress(_GtkWidget*, _GdkEventKey* ev, void* self);
  static int OnKeyPressAfter(_GtkWidget*, _GdkEventKey* ev, void* self);
  static int OnDelete(_GtkWidget*, _GdkEventAny* ev, void* self);
  static void OnSetFocus(_GtkWidget*, _GtkWidget* focus, void* self);
  static int OnSkinFocusChange(_GtkWidget*, _GdkEventFocus* ev, void* self);
  static int OnSkinFocusMove(_GtkWidget*, int direction, void* self);
  static void OnSkinMapChange(_GtkWidget*, void* self);
  static int OnMap(_GtkWidget*, _GdkEventAny* ev, void* self);
  static int OnChildPosition(_GtkWidget*, _GtkWidget* child, void* out, void* self);
  static void OnDragData(_GtkWidget*, _GdkDragContext* ctx, int x, int y, _GtkSelectionData* data,
                         unsigned info, unsigned time, void* self);
  static int OnSizeReportIdle(void* self);

  CWindowWnd* wnd_;
  CPaintManagerUI* manager_ = nullptr;
  HWND hwnd_ = nullptr;
  HWND owner_ = nullptr;
  platform::GObjectPtr<_GtkWidget> window_;  // sunk: ours until destroyed
  _GtkWidget* overlay_ = nullptr;
  _GtkWidget* area_ = nullptr;
  std::wstring class_name_;
  std::wstring title_;
  DWORD style_ = 0;
  DWORD ex_style_ = 0;
  RECT rect_;
  bool default_size_ = false;
  bool default_pos_ = false;
  bool visible_ = false;
  bool show_requested_ = false;
  bool maximized_ = false;
  bool fullscreen_ = false;
  bool iconified_ = false;
  bool alive_ = false;
  bool published_ = false;
  bool drop_enabled_ = false;
  unsigned size_report_source_ = 0;
  int reported_w_ = -1;
  int reported_h_ = -1;
  bool reported_max_ = false;
  int reported_x_ = INT_MIN;
  int reported_y_ = INT_MIN;
  bool position_pending_ = false;
  int requested_x_ = 0;
  int requested_y_ = 0;
  bool caption_press_ = false;
  double press_x_ = 0;
  double press_y_ = 0;
  int cursor_edge_ = -2;
  // The last key offered to the window before the focused child: the same
  // key handed back unused by the child is not offered twice.
  struct KeySignature {
    unsigned time = 0;
    unsigned keycode = 0;
    unsigned state = 0;
    bool operator==(const KeySignature&) const = default;
  };
  KeySignature offered_key_;
  std::map<void*, RECT> children_;
  SkinAccessibility* accessibility_ = nullptr;
  std::string accessible_title_;
};

}  // namespace ui
