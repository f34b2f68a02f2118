// The GTK side of a toolkit window: widgets, geometry, state and children.
// The event handlers are in window_host_events.cc.
#include "ui/window_host.h"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "platform/copydata_channel.h"
#include "platform/log.h"
#include "platform/main_thread.h"
#include "platform/unicode_text.h"
#include "ui/accessible_info.h"
#include "ui/attribute_parser.h"
#include "ui/paint_manager_ui.h"
#include "ui/skin_accessible.h"
#include "ui/window_wnd.h"

namespace ui {
namespace {

constexpr int kDefaultWidth = 800;
constexpr int kDefaultHeight = 600;

GtkWindow* Win(GtkWidget* w) { return GTK_WINDOW(w); }

}  // namespace

WindowHost::WindowHost(CWindowWnd* wnd) : wnd_(wnd) {}

WindowHost::~WindowHost() {
  if (size_report_source_ != 0) g_source_remove(size_report_source_);
  if (accessibility_ != nullptr) accessibility_->Detach();
  if (window_) {
    g_signal_handlers_disconnect_by_data(window_.get(), this);
    gtk_widget_destroy(window_.get());
  }
}

HWND WindowHost::Create(HWND owner, const std::wstring& class_name, const std::wstring& title,
                        DWORD style, DWORD ex_style, int x, int y, int cx, int cy) {
  if (gdk_display_get_default() == nullptr) {
    platform::LogWarning("no display; window \"%s\" not created",
                         platform::WideToUtf8(title).c_str());
    return nullptr;
  }
  class_name_ = class_name;
  title_ = title;
  style_ = style;
  ex_style_ = ex_style;
  owner_ = owner;
  default_size_ = (cx == CW_USEDEFAULT || cy == CW_USEDEFAULT);
  default_pos_ = (x == CW_USEDEFAULT || y == CW_USEDEFAULT);
  int w = cx == CW_USEDEFAULT || cx <= 0 ? kDefaultWidth : cx;
  int h = cy == CW_USEDEFAULT || cy <= 0 ? kDefaultHeight : cy;
  RECT mon = MonitorRect(true);
  int px = x == CW_USEDEFAULT ? mon.left + (mon.right - mon.left - w) / 2 : x;
  int py = y == CW_USEDEFAULT ? mon.top + (mon.bottom - mon.top - h) / 2 : y;
  rect_ = {px, py, px + w, py + h};

  window_ = platform::RefSinkGObject(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  gtk_window_set_decorated(Win(window_.get()), FALSE);
  gtk_window_set_title(Win(window_.get()), platform::WideToUtf8(title).c_str());
  gtk_window_set_default_size(Win(window_.get()), w, h);
  RequestPosition(px, py);
  if (platform::NativeWindow* o = platform::LookupWindow(owner)) {
    if (o->NativeHandle() != nullptr)
      gtk_window_set_transient_for(Win(window_.get()), GTK_WINDOW(o->NativeHandle()));
  }
  overlay_ = gtk_overlay_new();
  area_ = NewSkinArea(this);
  gtk_widget_set_size_request(area_, 1, 1);
  // The skin's controls take the keyboard focus through the drawing area.
  gtk_widget_set_can_focus(area_, TRUE);
  gtk_widget_add_events(area_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                   GDK_POINTER_MOTION_MASK | GDK_LEAVE_NOTIFY_MASK |
                                   GDK_SCROLL_MASK | GDK_SMOOTH_SCROLL_MASK);
  gtk_container_add(GTK_CONTAINER(overlay_), area_);
  gtk_container_add(GTK_CONTAINER(window_.get()), overlay_);
  gtk_widget_show(area_);
  gtk_widget_show(overlay_);

  g_signal_connect(area_, "draw", G_CALLBACK(OnDraw), this);
  g_signal_connect(area_, "button-press-event", G_CALLBACK(OnButtonPress), this);
  g_signal_connect(area_, "button-release-event", G_CALLBACK(OnButtonRelease), this);
  g_signal_connect(area_, "motion-notify-event", G_CALLBACK(OnMotion), this);
  g_signal_connect(area_, "leave-notify-event", G_CALLBACK(OnLeave), this);
  g_signal_connect(area_, "scroll-event", G_CALLBACK(OnScroll), this);
  g_signal_connect(window_.get(), "configure-event", G_CALLBACK(OnConfigure), this);
  g_signal_connect(window_.get(), "window-state-event", G_CALLBACK(OnWindowState), this);
  g_signal_connect(window_.get(), "key-press-event", G_CALLBACK(OnKeyPress), this);
  g_signal_connect_after(window_.get(), "key-press-event", G_CALLBACK(OnKeyPressAfter), this);
  g_signal_connect(window_.get(), "delete-event", G_CALLBACK(OnDelete), this);
  g_signal_connect(window_.get(), "map-event", G_CALLBACK(OnMap), this);
  g_signal_connect(overlay_, "get-child-position", G_CALLBACK(OnChildPosition), this);
  g_signal_connect(area_, "drag-data-received", G_CALLBACK(OnDragData), this);
  g_signal_connect(window_.get(), "set-focus", G_CALLBACK(OnSetFocus), this);
  g_signal_connect(area_, "focus-in-event", G_CALLBACK(OnSkinFocusChange), this);
  g_signal_connect(area_, "focus-out-event", G_CALLBACK(OnSkinFocusChange), this);
  g_signal_connect(area_, "focus", G_CALLBACK(OnSkinFocusMove), this);
  g_signal_connect(area_, "map", G_CALLBACK(OnSkinMapChange), this);
  g_signal_connect(area_, "unmap", G_CALLBACK(OnSkinMapChange), this);
  EnableDrop((ex_style_ & WS_EX_ACCEPTFILES) != 0);
  // The skin's accessible side from the start (GTK makes it when someone
  // first asks): the keyboard coming to the skin is told as a control's
  // focus, also when a screen reader first looks at the window after that.
  gtk_widget_get_accessible(area_);

  alive_ = true;
  hwnd_ = platform::RegisterWindow(this);
  return hwnd_;
}

void WindowHost::FinishCreate() {
  if (!alive_) return;
  if (!class_name_.empty() && !title_.empty()) {
    platform::channel::PublishWindow(hwnd_, class_name_, title_);
    published_ = true;
  }
  // Screen readers name the window by the caption its skin shows (the title
  // may be an internal name), and a dialog is announced as one.
  UpdateAccessibleTitle();
  if ((style_ & WS_POPUP) && (style_ & WS_CAPTION))
    atk_object_set_role(gtk_widget_get_accessible(window_.get()), ATK_ROLE_DIALOG);
  if (default_pos_) {
    RECT mon = MonitorRect(true);
    int w = rect_.right - rect_.left, h = rect_.bottom - rect_.top;
    ApplyGeometry(mon.left + (mon.right - mon.left - w) / 2,
                  mon.top + (mon.bottom - mon.top - h) / 2, w, h);
  }
  ReportSize(rect_.right - rect_.left, rect_.bottom - rect_.top, false);
  if (style_ & WS_VISIBLE) {
    // Shown from the loop, so that the creator can still centre or hide the
    // window first without it flashing at another place.
    HWND hwnd = hwnd_;
    platform::PostToMainThread([hwnd] {
      auto* self = dynamic_cast<WindowHost*>(platform::LookupWindow(hwnd));
      if (self != nullptr && self->alive_ && !self->show_requested_) self->SetVisible(true, true);
    });
  }
}

void WindowHost::DestroyNative() {
  if (!alive_) return;
  alive_ = false;
  platform::Log("window \"%s\" closed", platform::WideToUtf8(title_).c_str());
  if (accessibility_ != nullptr) {
    accessibility_->Detach();
    accessibility_ = nullptr;
  }
  if (published_) platform::channel::WithdrawWindow(hwnd_);
  published_ = false;
  if (size_report_source_ != 0) {
    g_source_remove(size_report_source_);
    size_report_source_ = 0;
  }
  manager_ = nullptr;
  children_.clear();
  const platform::GObjectPtr<GtkWidget> window = std::move(window_);
  overlay_ = area_ = nullptr;
  g_signal_handlers_disconnect_by_data(window.get(), this);
  gtk_widget_destroy(window.get());
}

void WindowHost::Unregister() {
  platform::UnregisterWindow(hwnd_);
  wnd_ = nullptr;
}

void WindowHost::SetPaintManager(CPaintManagerUI* manager) {
  if (manager != manager_ && accessibility_ != nullptr) accessibility_->Reset();
  manager_ = manager;
  if (manager_ != nullptr) {
    const double zoom = Zoom();
    manager_->SetClientSize(static_cast<int>(std::ceil((rect_.right - rect_.left) / zoom)),
                            static_cast<int>(std::ceil((rect_.bottom - rect_.top) / zoom)));
    SIZE min = manager_->GetMinInfo();
    if (min.cx > 0 || min.cy > 0)
      SetMinSize(static_cast<int>(std::lround(min.cx * zoom)),
                 static_cast<int>(std::lround(min.cy * zoom)));
  }
  QueueDraw();
}

double WindowHost::Zoom() const { return manager_ != nullptr ? manager_->GetZoom() : 1; }

POINT WindowHost::LayoutPoint(double x, double y) const {
  const double zoom = Zoom();
  return {static_cast<LONG>(std::floor(x / zoom)), static_cast<LONG>(std::floor(y / zoom))};
}

void WindowHost::DesktopLookChanged() {
  if (!alive_ || manager_ == nullptr || !manager_->ApplyDesktopLook()) return;
  // The window keeps its size; the skin is laid out for it anew.
  SetPaintManager(manager_);
}

void WindowHost::SetToolTip(const std::wstring& text) {
  if (!alive_) return;
  gtk_widget_set_tooltip_text(area_, text.empty() ? nullptr : platform::WideToUtf8(text).c_str());
}

int WindowHost::ScaleFactor() const { return alive_ ? gtk_widget_get_scale_factor(area_) : 1; }

void WindowHost::QueueDraw() {
  if (!alive_) return;
  gtk_widget_queue_draw(area_);
  // Whatever changes the picture may change what screen readers are told.
  if (accessibility_ != nullptr) accessibility_->Changed();
}

bool WindowHost::NativeChildHasFocus() const {
  GtkWidget* focus = window_ ? gtk_window_get_focus(Win(window_.get())) : nullptr;
  return focus != nullptr && focus != area_;
}

void WindowHost::FocusSkin() {
  if (alive_ && !gtk_widget_is_focus(area_)) gtk_widget_grab_focus(area_);
}

bool WindowHost::SkinHasFocus() const { return alive_ && gtk_widget_has_focus(area_); }

void WindowHost::ForgetControl(CControlUI* control) {
  if (accessibility_ != nullptr) accessibility_->Forget(control);
}

void WindowHost::FocusMoved(CControlUI* from, CControlUI* to) {
  if (alive_ && accessibility_ != nullptr) accessibility_->FocusMoved(from, to);
}

void WindowHost::UpdateAccessibleTitle() {
  if (!alive_) return;
  std::wstring name = title_;
  if (manager_ != nullptr && !manager_->GetTitleLabel().IsEmpty()) {
    if (CControlUI* label = manager_->FindControl(manager_->GetTitleLabel())) {
      const std::wstring shown = a11y::ShownText(label);
      if (!shown.empty()) name = shown;
    }
  }
  std::string utf8 = platform::WideToUtf8(name);
  if (utf8 == accessible_title_) return;
  accessible_title_ = utf8;
  atk_object_set_name(gtk_widget_get_accessible(window_.get()), utf8.c_str());
}

void WindowHost::QueueDrawArea(int x, int y, int width, int height) {
  if (!alive_ || width <= 0 || height <= 0) return;
  const double zoom = Zoom();
  const int left = static_cast<int>(std::floor(x * zoom));
  const int top = static_cast<int>(std::floor(y * zoom));
  gtk_widget_queue_draw_area(area_, left, top,
                             static_cast<int>(std::ceil((x + width) * zoom)) - left,
                             static_cast<int>(std::ceil((y + height) * zoom)) - top);
}

void WindowHost::ControlChanged(CControlUI* control) {
  if (alive_ && accessibility_ != nullptr) accessibility_->Changed(control);
}

void WindowHost::SetVisible(bool show, bool take_focus, unsigned time) {
  if (!alive_) return;
  show_requested_ = true;
  if (show) {
    gtk_window_set_focus_on_map(Win(window_.get()), take_focus);
    if (!visible_ && !maximized_ && !fullscreen_) RequestPosition(rect_.left, rect_.top);
    gtk_widget_show(window_.get());
    if (take_focus) gtk_window_present_with_time(Win(window_.get()), time);
    visible_ = true;
    if (take_focus && manager_ != nullptr) {
      // The window's initial control takes the focus, from the loop: what
      // the window shows is complete then (a download list shown for a new
      // job has the job's row).
      HWND hwnd = hwnd_;
      platform::PostToMainThread([hwnd] {
        auto* self = dynamic_cast<WindowHost*>(platform::LookupWindow(hwnd));
        if (self != nullptr && self->alive_ && self->visible_ && self->manager_ != nullptr)
          self->manager_->FocusInitial();
      });
    }
  } else {
    gtk_widget_hide(window_.get());
    visible_ = false;
  }
}

void WindowHost::Activate(const std::string& startup_id) {
  if (!alive_) return;
  guint32 time = GDK_CURRENT_TIME;
  if (!startup_id.empty()) {
    GdkDisplay* display = gtk_widget_get_display(window_.get());
#ifdef GDK_WINDOWING_WAYLAND
    if (GDK_IS_WAYLAND_DISPLAY(display)) {
      // Presenting the window spends the token: a compositor that supports
      // activation raises the window, others leave it where it is.
      gdk_wayland_display_set_startup_notification_id(display, startup_id.c_str());
    }
#endif
#ifdef GDK_WINDOWING_X11
    if (GDK_IS_X11_DISPLAY(display)) {
      // The id ends in "_TIME" and the time of the launching click; a window
      // shown with that time may take the focus. Setting the id also ends
      // the launcher's busy cursor, which no window of the second start did.
      size_t mark = startup_id.rfind("_TIME");
      if (mark != std::string::npos)
        time = static_cast<guint32>(std::strtoul(startup_id.c_str() + mark + 5, nullptr, 10));
      gtk_window_set_startup_id(Win(window_.get()), startup_id.c_str());
    }
#endif
  }
  platform::Log("window \"%s\" activated%s", platform::WideToUtf8(title_).c_str(),
                startup_id.empty() ? "" : (" with start-up id " + startup_id).c_str());
  SetVisible(true, true, time);
}

void WindowHost::Center() {
  if (!alive_) return;
  RECT area = MonitorRect(true);
  if (platform::NativeWindow* o = platform::LookupWindow(owner_)) {
    RECT orc = o->WindowRect();
    if (orc.right > orc.left && orc.bottom > orc.top) area = orc;
  }
  int w = rect_.right - rect_.left, h = rect_.bottom - rect_.top;
  int x = area.left + (area.right - area.left - w) / 2;
  int y = area.top + (area.bottom - area.top - h) / 2;
  // Keep the caption reachable on the monitor.
  RECT mon = MonitorRect(true);
  x = std::clamp<int>(x, mon.left, std::max<int>(mon.left, mon.right - w));
  y = std::clamp<int>(y, mon.top, std::max<int>(mon.top, mon.bottom - h));
  default_pos_ = false;
  if (maximized_ || fullscreen_) {
    rect_ = {x, y, x + w, y + h};
    return;
  }
  rect_.left = x;
  rect_.top = y;
  rect_.right = x + w;
  rect_.bottom = y + h;
  RequestPosition(x, y);
}

void WindowHost::RequestPosition(int x, int y) {
  requested_x_ = x;
  requested_y_ = y;
  position_pending_ = !visible_;
  gtk_window_move(Win(window_.get()), x, y);
}

void WindowHost::SetIconFile(const std::string& path) {
  if (!alive_) return;
  g_autoptr(GError) error = nullptr;
  const platform::GObjectPtr<GdkPixbuf> pixbuf =
      platform::AdoptGObject(gdk_pixbuf_new_from_file(path.c_str(), &error));
  if (!pixbuf) {
    platform::LogWarning("window icon %s: %s", path.c_str(), error ? error->message : "unreadable");
    return;
  }
  gtk_window_set_icon(Win(window_.get()), pixbuf.get());
}

void WindowHost::Maximize() {
  if (!alive_) return;
  if (fullscreen_) {
    gtk_window_unfullscreen(Win(window_.get()));
    fullscreen_ = false;
  }
  gtk_window_maximize(Win(window_.get()));
}

void WindowHost::Restore() {
  if (!alive_) return;
  gtk_window_deiconify(Win(window_.get()));
  if (maximized_) gtk_window_unmaximize(Win(window_.get()));
}

void WindowHost::Minimize() {
  if (alive_) gtk_window_iconify(Win(window_.get()));
}

void WindowHost::SetModal(bool modal) {
  if (alive_) gtk_window_set_modal(Win(window_.get()), modal);
}

void WindowHost::ResizeClient(int cx, int cy) {
  if (!alive_) return;
  int w = cx > 0 ? cx : rect_.right - rect_.left;
  int h = cy > 0 ? cy : rect_.bottom - rect_.top;
  default_size_ = false;
  ApplyGeometry(rect_.left, rect_.top, w, h);
}

void WindowHost::SetMinSize(int cx, int cy) {
  if (!alive_) return;
  GdkGeometry hints{};
  hints.min_width = std::max(1, cx);
  hints.min_height = std::max(1, cy);
  gtk_window_set_geometry_hints(Win(window_.get()), nullptr, &hints, GDK_HINT_MIN_SIZE);
}

LRESULT WindowHost::Dispatch(UINT msg, WPARAM wparam, LPARAM lparam) {
  if (wnd_ == nullptr) return 0;
  return wnd_->HandleMessage(msg, wparam, lparam);
}

LONG WindowHost::Style() const {
  DWORD style = style_ & ~(WS_VISIBLE | WS_MAXIMIZE | WS_MINIMIZE);
  if (visible_) style |= WS_VISIBLE;
  if (maximized_) style |= WS_MAXIMIZE;
  if (iconified_) style |= WS_MINIMIZE;
  return static_cast<LONG>(style);
}

bool WindowHost::FullScreenMode() const {
  return (style_ & WS_POPUP) && !(style_ & (WS_CAPTION | WS_THICKFRAME));
}

void WindowHost::SetStyle(LONG style) {
  bool was_full = FullScreenMode();
  style_ = static_cast<DWORD>(style);
  if (was_full && !FullScreenMode() && fullscreen_ && alive_) {
    gtk_window_unfullscreen(Win(window_.get()));
    fullscreen_ = false;
    ScheduleSizeReport();
  }
}

void WindowHost::SetExStyle(LONG style) {
  ex_style_ = static_cast<DWORD>(style);
  EnableDrop((ex_style_ & WS_EX_ACCEPTFILES) != 0);
}

RECT WindowHost::ClientRect() const {
  return {0, 0, rect_.right - rect_.left, rect_.bottom - rect_.top};
}

RECT WindowHost::MonitorRect(bool work_area) const {
  GdkDisplay* display = gdk_display_get_default();
  RECT out{0, 0, 1024, 768};
  if (display == nullptr) return out;
  GdkMonitor* monitor = nullptr;
  if (window_ && gtk_widget_get_window(window_.get()) != nullptr)
    monitor = gdk_display_get_monitor_at_window(display, gtk_widget_get_window(window_.get()));
  if (monitor == nullptr) monitor = gdk_display_get_primary_monitor(display);
  if (monitor == nullptr) monitor = gdk_display_get_monitor(display, 0);
  if (monitor == nullptr) return out;
  GdkRectangle r;
  if (work_area)
    gdk_monitor_get_workarea(monitor, &r);
  else
    gdk_monitor_get_geometry(monitor, &r);
  return {r.x, r.y, r.x + r.width, r.y + r.height};
}

void WindowHost::ApplyGeometry(int x, int y, int w, int h) {
  w = std::max(1, w);
  h = std::max(1, h);
  rect_ = {x, y, x + w, y + h};
  if (!alive_) return;
  RequestPosition(x, y);
  gtk_window_resize(Win(window_.get()), w, h);
}

void WindowHost::Move(int x, int y, int width, int height, bool /*repaint*/) {
  if (!alive_) return;
  RECT mon = MonitorRect(false);
  bool covers = x <= mon.left && y <= mon.top && x + width >= mon.right && y + height >= mon.bottom;
  if (FullScreenMode() && covers) {
    // A popup covering the screen is full screen: ask the window manager
    // for it so panels do not stay on top.
    if (maximized_) gtk_window_unmaximize(Win(window_.get()));
    gtk_window_fullscreen(Win(window_.get()));
    fullscreen_ = true;
    rect_ = mon;
    ReportSize(mon.right - mon.left, mon.bottom - mon.top, false);
    return;
  }
  if (fullscreen_) {
    gtk_window_unfullscreen(Win(window_.get()));
    fullscreen_ = false;
  }
  if (maximized_) gtk_window_unmaximize(Win(window_.get()));
  ApplyGeometry(x, y, width, height);
  // The window procedure hears of the new size at once, as callers expect;
  // the window manager's confirmation then changes nothing.
  ReportSize(std::max(1, width), std::max(1, height), false);
}

void WindowHost::SetPos(HWND insert_after, int x, int y, int cx, int cy, UINT flags) {
  if (!alive_) return;
  if (!(flags & SWP_NOZORDER)) {
    if (insert_after == HWND_TOPMOST)
      gtk_window_set_keep_above(Win(window_.get()), TRUE);
    else if (insert_after == HWND_NOTOPMOST)
      gtk_window_set_keep_above(Win(window_.get()), FALSE);
  }
  if (!(flags & SWP_NOMOVE) || !(flags & SWP_NOSIZE)) {
    int nx = (flags & SWP_NOMOVE) ? rect_.left : x;
    int ny = (flags & SWP_NOMOVE) ? rect_.top : y;
    int nw = (flags & SWP_NOSIZE) ? rect_.right - rect_.left : cx;
    int nh = (flags & SWP_NOSIZE) ? rect_.bottom - rect_.top : cy;
    if ((flags & SWP_NOSIZE) && !maximized_ && !fullscreen_) {
      rect_ = {nx, ny, nx + nw, ny + nh};
      RequestPosition(nx, ny);
    } else {
      Move(nx, ny, nw, nh, true);
    }
  }
  if (flags & SWP_SHOWWINDOW) SetVisible(true, !(flags & SWP_NOACTIVATE));
  if (flags & SWP_HIDEWINDOW) SetVisible(false, false);
}

bool WindowHost::AddChild(void* widget, const RECT& rect) {
  if (!alive_ || widget == nullptr || children_.count(widget)) return false;
  children_[widget] = rect;
  gtk_overlay_add_overlay(GTK_OVERLAY(overlay_), GTK_WIDGET(widget));
  gtk_widget_show(GTK_WIDGET(widget));
  // A window with a native child (the browser) opens with the keyboard
  // focus in it, so the first key pressed reaches the page; unless the user
  // has already put it on a control of the skin.
  GtkWidget* focus = gtk_window_get_focus(Win(window_.get()));
  if (focus == nullptr || (focus == area_ && (manager_ == nullptr || !manager_->GetFocus())))
    gtk_widget_grab_focus(GTK_WIDGET(widget));
  return true;
}

void WindowHost::PlaceChild(void* widget, const RECT& rect) {
  auto it = children_.find(widget);
  if (!alive_ || it == children_.end()) return;
  it->second = rect;
  gtk_widget_queue_resize(overlay_);
}

void WindowHost::RemoveChild(void* widget) {
  auto it = children_.find(widget);
  if (!alive_ || it == children_.end()) return;
  children_.erase(it);
  gtk_container_remove(GTK_CONTAINER(overlay_), GTK_WIDGET(widget));
}

void WindowHost::ReportSize(int w, int h, bool maximized) {
  if (w == reported_w_ && h == reported_h_ && maximized == reported_max_) return;
  reported_w_ = w;
  reported_h_ = h;
  reported_max_ = maximized;
  if (manager_ != nullptr)
    manager_->SetClientSize(static_cast<int>(std::ceil(w / Zoom())),
                            static_cast<int>(std::ceil(h / Zoom())));
  Dispatch(WM_SIZE, maximized ? SIZE_MAXIMIZED : SIZE_RESTORED,
           MAKELPARAM(static_cast<WORD>(std::clamp(w, 0, 0xFFFF)),
                      static_cast<WORD>(std::clamp(h, 0, 0xFFFF))));
}

void WindowHost::ReportPlace(int x, int y) {
  if (maximized_ || (x == reported_x_ && y == reported_y_)) return;
  reported_x_ = x;
  reported_y_ = y;
  Dispatch(WM_MOVE, 0,
           MAKELPARAM(static_cast<WORD>(static_cast<int16_t>(std::clamp(x, -32768, 32767))),
                      static_cast<WORD>(static_cast<int16_t>(std::clamp(y, -32768, 32767)))));
}

void WindowHost::ScheduleSizeReport() {
  if (size_report_source_ != 0 || !alive_) return;
  // State and size changes of one window manager action arrive as separate
  // events; reporting once they have all been seen gives one WM_SIZE with
  // the final size and state.
  size_report_source_ = g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, OnSizeReportIdle, this, nullptr);
}

int WindowHost::OnSizeReportIdle(void* data) {
  auto* self = static_cast<WindowHost*>(data);
  self->size_report_source_ = 0;
  if (!self->alive_ || self->FullScreenMode()) return G_SOURCE_REMOVE;
  self->ReportSize(self->rect_.right - self->rect_.left, self->rect_.bottom - self->rect_.top,
                   self->maximized_);
  if (self->alive_) self->ReportPlace(self->rect_.left, self->rect_.top);
  return G_SOURCE_REMOVE;
}

bool WindowHost::InCaption(int x, int y) const {
  if (manager_ == nullptr) return false;
  RECT cap = manager_->GetCaptionRect();
  const int w = static_cast<int>(std::ceil((rect_.right - rect_.left) / Zoom()));
  return cap.bottom > 0 && x >= cap.left && x < w - cap.right && y >= cap.top && y < cap.bottom;
}

int WindowHost::EdgeAt(int x, int y) const {
  if (manager_ == nullptr || !(style_ & WS_THICKFRAME) || maximized_ || fullscreen_) return -1;
  RECT box = manager_->GetSizeBox();
  const int w = static_cast<int>(std::ceil((rect_.right - rect_.left) / Zoom()));
  const int h = static_cast<int>(std::ceil((rect_.bottom - rect_.top) / Zoom()));
  bool left = x < box.left, right = x >= w - box.right, top = y < box.top,
       bottom = y >= h - box.bottom;
  if (top && left) return GDK_WINDOW_EDGE_NORTH_WEST;
  if (top && right) return GDK_WINDOW_EDGE_NORTH_EAST;
  if (bottom && left) return GDK_WINDOW_EDGE_SOUTH_WEST;
  if (bottom && right) return GDK_WINDOW_EDGE_SOUTH_EAST;
  if (top) return GDK_WINDOW_EDGE_NORTH;
  if (bottom) return GDK_WINDOW_EDGE_SOUTH;
  if (left) return GDK_WINDOW_EDGE_WEST;
  if (right) return GDK_WINDOW_EDGE_EAST;
  return -1;
}

void WindowHost::UpdateCursor(int x, int y) {
  int edge = EdgeAt(x, y);
  if (edge == cursor_edge_) return;
  cursor_edge_ = edge;
  static const char* const kNames[] = {"nw-resize", "n-resize",  "ne-resize", "w-resize",
                                       "e-resize",  "sw-resize", "s-resize",  "se-resize"};
  GdkWindow* gw = gtk_widget_get_window(area_);
  if (gw == nullptr) return;
  const platform::GObjectPtr<GdkCursor> cursor = platform::AdoptGObject(
      edge >= 0 && edge < 8 ? gdk_cursor_new_from_name(gdk_window_get_display(gw), kNames[edge])
                            : nullptr);
  gdk_window_set_cursor(gw, cursor.get());
}

void WindowHost::EnableDrop(bool on) {
  if (area_ == nullptr || on == drop_enabled_) return;
  drop_enabled_ = on;
  if (on) {
    static GtkTargetEntry targets[] = {{const_cast<gchar*>("text/uri-list"), 0, 0}};
    gtk_drag_dest_set(area_, GTK_DEST_DEFAULT_ALL, targets, 1, GDK_ACTION_COPY);
  } else {
    gtk_drag_dest_unset(area_);
  }
}

}  // namespace ui
