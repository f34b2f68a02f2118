// The paint manager: the control tree of one window, its drawing, mouse
// routing and notifications; and the toolkit's start and message loop.
#include "ui/paint_manager_ui.h"

#include <cairo.h>
#include <glib-unix.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <iterator>

#include "platform/log.h"
#include "platform/main_thread.h"
#include "platform/native_window.h"
#include "platform/open_dialogs.h"
#include "platform/process_paths.h"
#include "platform/thread_check.h"
#include "platform/unicode_text.h"
#include "ui/attribute_parser.h"
#include "ui/container_ui.h"
#include "ui/window_host.h"

namespace {

HINSTANCE g_instance = nullptr;
CDuiString g_instance_path;

bool IsAncestorOrSelf(CControlUI* ancestor, CControlUI* control) {
  for (CControlUI* c = control; c != nullptr; c = c->GetParent()) {
    if (c == ancestor) return true;
  }
  return false;
}

// The list row a control belongs to, for hover highlighting.
CControlUI* RowOf(CControlUI* control) {
  for (CControlUI* c = control; c != nullptr; c = c->GetParent()) {
    if (c->GetInterface(L"ListContainerElement") != nullptr) return c;
  }
  return nullptr;
}

// The session (or a person at a terminal) asks the client to end: every
// top-level window of the process is closed as its close button would, so
// the windows end in their own order and the loop returns normally. A
// signal's handler goes away with its first request, so the same signal a
// second time ends the process the usual way if closing ever hangs.
constexpr int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP};
guint g_end_sources[std::size(kEndSignals)] = {};

gboolean OnEndRequest(gpointer index_data) {
  const auto index = static_cast<size_t>(GPOINTER_TO_INT(index_data));
  g_end_sources[index] = 0;
  platform::Log("signal %d: closing the windows", kEndSignals[index]);
  // A dialog's own loop would keep the program alive until someone answers.
  platform::EndDialogs();
  bool any = false;
  for (HWND hwnd : platform::LocalWindows()) {
    platform::NativeWindow* window = platform::LookupWindow(hwnd);
    if (window == nullptr || window->Parent() != nullptr) continue;
    if (dynamic_cast<ui::WindowHost*>(window) == nullptr) continue;
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    any = true;
  }
  if (!any) platform::QuitApplicationLoop();
  return G_SOURCE_REMOVE;
}

}  // namespace

CPaintManagerUI::CPaintManagerUI() = default;

CPaintManagerUI::~CPaintManagerUI() {
  if (keep_focus_source_ != 0) g_source_remove(keep_focus_source_);
  CControlUI* root = root_;
  root_ = nullptr;
  hot_ = pressed_ = hot_row_ = focus_ = nullptr;
  delete root;
  for (auto& [file, surface] : images_) {
    if (surface != nullptr) cairo_surface_destroy(surface);
  }
}

void CPaintManagerUI::SetInstance(HINSTANCE instance) {
  g_instance = instance;
  platform::InitMainThread();
  // gtk_init_check: without a display the toolkit still loads skins and lays
  // them out; windows then fail to open instead of ending the process.
  if (!gtk_init_check(nullptr, nullptr)) {
    platform::LogError("cannot open the display; windows will not be shown");
    return;
  }
  GdkDisplay* display = gdk_display_get_default();
  platform::Log("display %s (%s)", gdk_display_get_name(display), G_OBJECT_TYPE_NAME(display));
  static const char* const kContrasts[] = {"normal", "high", "high inverse"};
  platform::Log("desktop text scale %.2f, contrast %s", ui::DesktopTextScale(),
                kContrasts[static_cast<int>(ui::DesktopContrast())]);
  // Open windows follow the desktop when the person changes its text size
  // or contrast.
  ui::WatchDesktopLook([] {
    for (HWND hwnd : platform::LocalWindows()) {
      if (auto* host = dynamic_cast<ui::WindowHost*>(platform::LookupWindow(hwnd)))
        host->DesktopLookChanged();
    }
  });
}

HINSTANCE CPaintManagerUI::GetInstance() { return g_instance; }

CDuiString CPaintManagerUI::GetInstancePath() {
  if (g_instance_path.GetLength() > 0) return g_instance_path;
  return CDuiString(platform::Utf8ToWide(platform::ExecutableDir() + "/"));
}

void CPaintManagerUI::SetInstancePath(const CDuiString& path) {
  g_instance_path = path;
  if (g_instance_path.GetLength() > 0 && g_instance_path[g_instance_path.GetLength() - 1] != L'/') {
    g_instance_path += L'/';
  }
}

void CPaintManagerUI::MessageLoop() {
  for (size_t i = 0; i < std::size(kEndSignals); ++i)
    g_end_sources[i] = g_unix_signal_add(kEndSignals[i], OnEndRequest, GINT_TO_POINTER(i));
  platform::RunMessageLoop();
  for (guint& source : g_end_sources) {
    if (source != 0) g_source_remove(source);
    source = 0;
  }
}

void CPaintManagerUI::Init(HWND hwnd) { hwnd_ = hwnd; }

ui::WindowHost* CPaintManagerUI::Host() const {
  if (hwnd_ == nullptr) return nullptr;
  return dynamic_cast<ui::WindowHost*>(platform::LookupWindow(hwnd_));
}

void CPaintManagerUI::SetResourcePath(const wchar_t* path) {
  resource_path_ = path;
  if (!resource_path_.IsEmpty() && resource_path_[resource_path_.GetLength() - 1] != L'/')
    resource_path_ += L'/';
}

bool CPaintManagerUI::AttachDialog(CControlUI* root) {
  CControlUI* old = root_;
  root_ = nullptr;
  hot_ = pressed_ = hot_row_ = focus_ = nullptr;
  lost_focus_ = {};
  delete old;
  root_ = root;
  if (root_ != nullptr) root_->SetManager(this, nullptr);
  NeedUpdate();
  return root_ != nullptr;
}

CControlUI* CPaintManagerUI::FindControl(const wchar_t* name) const {
  if (root_ == nullptr || name == nullptr) return nullptr;
  return root_->FindControlByName(name);
}

CControlUI* CPaintManagerUI::FindControl(POINT pt) {
  if (root_ == nullptr) return nullptr;
  UpdateLayout();
  return root_->FindControlAt(pt);
}

namespace {

// Subscriber lists: each subscriber once, in subscription order.
template <class T>
bool AddOnce(std::vector<T*>& list, T* item) {
  if (item == nullptr || std::find(list.begin(), list.end(), item) != list.end()) return false;
  list.push_back(item);
  return true;
}

template <class T>
bool RemoveOne(std::vector<T*>& list, T* item) {
  auto it = std::find(list.begin(), list.end(), item);
  if (it == list.end()) return false;
  list.erase(it);
  return true;
}

}  // namespace

bool CPaintManagerUI::AddNotifier(INotifyUI* notifier) { return AddOnce(notifiers_, notifier); }
bool CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) {
  return RemoveOne(notifiers_, notifier);
}
bool CPaintManagerUI::AddMessageFilter(IMessageFilterUI* filter) {
  return AddOnce(filters_, filter);
}
bool CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* filter) {
  return RemoveOne(filters_, filter);
}

std::uint32_t CPaintManagerUI::BackgroundOf(CControlUI* control) const {
  for (CControlUI* c = control; c != nullptr; c = c->GetParent()) {
    if ((c->GetBkColor() >> 24) != 0) return c->GetBkColor();
  }
  return (bk_color_ >> 24) != 0 ? bk_color_ : 0xFFFFFFFFu;
}

bool CPaintManagerUI::MessageHandler(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  if (msg == WM_KEYDOWN && KeyForControls(wparam)) {
    result = 0;
    return true;
  }
  std::vector<IMessageFilterUI*> filters = filters_;
  for (IMessageFilterUI* filter : filters) {
    bool handled = false;
    LRESULT r = filter->MessageHandler(msg, wparam, lparam, handled);
    if (handled) {
      result = r;
      return true;
    }
  }
  return false;
}

void CPaintManagerUI::SendNotify(TNotifyUI& msg) {
  if (msg.pSender != nullptr && !msg.pSender->OnNotify(&msg)) return;
  std::vector<INotifyUI*> notifiers = notifiers_;
  for (INotifyUI* notifier : notifiers) notifier->Notify(msg);
}

void CPaintManagerUI::SendNotify(CControlUI* control, const wchar_t* type, WPARAM wparam,
                                 LPARAM lparam) {
  TNotifyUI msg;
  msg.sType = type;
  msg.pSender = control;
  msg.wParam = wparam;
  msg.lParam = lparam;
  msg.ptMouse = mouse_;
  msg.dwTimestamp = static_cast<DWORD>(g_get_monotonic_time() / 1000);
  SendNotify(msg);
}

void CPaintManagerUI::Invalidate() {
  // Every change of a control ends here: a control changed on a worker
  // thread fails loudly instead of racing GTK.
  QUORBITAL_REQUIRE_MAIN_THREAD();
  if (ui::WindowHost* host = Host()) host->QueueDraw();
}

void CPaintManagerUI::Invalidate(const RECT& rc, CControlUI* changed) {
  QUORBITAL_REQUIRE_MAIN_THREAD();
  // A focused control that was disabled gives the focus on.
  if (changed != nullptr && changed == focus_ && !changed->IsEnabled()) ScheduleKeepFocus();
  ui::WindowHost* host = Host();
  if (host == nullptr) return;
  // A little around it too, for what is drawn on a control's edge.
  constexpr int kMargin = 2;
  host->QueueDrawArea(rc.left - kMargin, rc.top - kMargin, rc.right - rc.left + 2 * kMargin,
                      rc.bottom - rc.top + 2 * kMargin);
  host->ControlChanged(changed);
}

void CPaintManagerUI::NeedUpdate() {
  update_needed_ = true;
  // A control hidden or taken out may be the focused one.
  if (focus_ != nullptr) ScheduleKeepFocus();
  Invalidate();
}

void CPaintManagerUI::UpdateLayout() {
  if (!update_needed_ || root_ == nullptr) return;
  update_needed_ = false;
  RECT rc{0, 0, client_size_.cx, client_size_.cy};
  root_->SetPos(rc);
}

void CPaintManagerUI::SetClientSize(int width, int height) {
  if (client_size_.cx == width && client_size_.cy == height) return;
  client_size_.cx = std::max(0, width);
  client_size_.cy = std::max(0, height);
  NeedUpdate();
}

bool CPaintManagerUI::ApplyDesktopLook() {
  const double scale = ui::DesktopTextScale();
  const double zoom = text_only_scaling_ ? 1 : scale;
  const double font_scale = text_only_scaling_ ? scale : 1;
  const ui::Contrast contrast = ui::DesktopContrast();
  if (zoom == zoom_ && font_scale == font_scale_ && contrast == contrast_) return false;
  zoom_ = zoom;
  font_scale_ = font_scale;
  contrast_ = contrast;
  NeedUpdate();
  return true;
}

std::uint32_t CPaintManagerUI::GetInk() const {
  return contrast_ == ui::Contrast::kHighInverse ? 0xFFFFFFFFu : 0xFF000000u;
}

std::uint32_t CPaintManagerUI::GetGround() const {
  return contrast_ == ui::Contrast::kHighInverse ? 0xFF000000u : 0xFFFFFFFFu;
}

void CPaintManagerUI::SetInitSize(int cx, int cy) {
  init_size_.cx = std::max(0, cx);
  init_size_.cy = std::max(0, cy);
}

void CPaintManagerUI::SetMinInfo(int cx, int cy) {
  min_info_.cx = std::max(0, cx);
  min_info_.cy = std::max(0, cy);
}

void CPaintManagerUI::AddFont(int index, const ui::FontSpec& font) { fonts_[index] = font; }

const ui::FontSpec& CPaintManagerUI::GetFont(int index) const {
  auto it = fonts_.find(index);
  return it == fonts_.end() ? default_font_ : it->second;
}

void CPaintManagerUI::AddDefaultAttributeList(const wchar_t* control_class, const wchar_t* list) {
  if (control_class == nullptr || list == nullptr) return;
  default_attributes_[control_class] = list;
}

CDuiString CPaintManagerUI::GetDefaultAttributeList(const wchar_t* control_class) const {
  if (control_class == nullptr) return CDuiString();
  auto it = default_attributes_.find(control_class);
  return it == default_attributes_.end() ? CDuiString() : CDuiString(it->second);
}

namespace {

// "Skin/a.png" -> "Skin/a@2x.png": the same image drawn at twice the size.
std::wstring DoubleSizeName(const std::wstring& path) {
  size_t dot = path.rfind(L'.');
  size_t slash = path.rfind(L'/');
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
    return path + L"@2x";
  return path.substr(0, dot) + L"@2x" + path.substr(dot);
}

cairo_surface_t* LoadPng(const std::wstring& path) {
  cairo_surface_t* surface =
      cairo_image_surface_create_from_png(platform::WideToUtf8(path).c_str());
  if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) return surface;
  cairo_surface_destroy(surface);
  return nullptr;
}

}  // namespace

_cairo_surface* CPaintManagerUI::GetImage(const std::wstring& file) {
  if (file.empty()) return nullptr;
  ui::WindowHost* host = Host();
  // Drawn with two or more device pixels to a layout pixel, or nearly so.
  const bool double_size = host != nullptr && host->ScaleFactor() * zoom_ >= 1.5;
  // A character no file name holds keeps the two sizes apart in the cache.
  const std::wstring key = double_size ? file + L'\n' + L"2x" : file;
  auto it = images_.find(key);
  if (it != images_.end()) return it->second;
  std::wstring path = file;
  std::replace(path.begin(), path.end(), L'\\', L'/');
  if (path[0] != L'/') path = resource_path_.str() + path;
  cairo_surface_t* surface = nullptr;
  if (double_size) {
    surface = LoadPng(DoubleSizeName(path));
    if (surface != nullptr) cairo_surface_set_device_scale(surface, 2, 2);
  }
  if (surface == nullptr) {
    surface = LoadPng(path);
    if (surface == nullptr)
      platform::LogWarning("skin image %s cannot be read", platform::WideToUtf8(path).c_str());
  }
  images_[key] = surface;  // failures too, so a missing file is reported once
  return surface;
}

void CPaintManagerUI::ReapObjects(CControlUI* control) {
  if (hot_ != nullptr && IsAncestorOrSelf(control, hot_)) hot_ = nullptr;
  if (pressed_ != nullptr && IsAncestorOrSelf(control, pressed_)) pressed_ = nullptr;
  if (hot_row_ != nullptr && IsAncestorOrSelf(control, hot_row_)) hot_row_ = nullptr;
  if (focus_ != nullptr && IsAncestorOrSelf(control, focus_)) LoseFocus(control);
  // The focus was lost below this control, which is going too: the place
  // is remembered at the control that stays.
  if (lost_focus_.anchor == control) lost_focus_ = {control->GetParent(), control->GetPos()};
  if (control == root_) root_ = nullptr;
  if (ui::WindowHost* host = Host()) host->ForgetControl(control);
}

void CPaintManagerUI::Paint(_cairo* cr) {
  UpdateLayout();
  // The skin is laid out in layout pixels, drawn as large as the desktop's
  // text size asks.
  cairo_scale(cr, zoom_, zoom_);
  if (IsHighContrast()) {
    ui::render::FillRect(cr, {0, 0, client_size_.cx, client_size_.cy}, GetGround(), {0, 0});
  } else if ((bk_color_ >> 24) != 0) {
    ui::render::FillRect(cr, {0, 0, client_size_.cx, client_size_.cy}, bk_color_, {0, 0});
  }
  // Only controls in the area to be drawn (cr's clip) are drawn.
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
  const RECT paint{static_cast<LONG>(std::floor(x1)), static_cast<LONG>(std::floor(y1)),
                   static_cast<LONG>(std::ceil(x2)), static_cast<LONG>(std::ceil(y2))};
  if (root_ != nullptr && root_->IsVisible()) root_->DoPaint(cr, paint);
  // The focus ring, over the control, while the window's controls have the
  // keyboard in the active window.
  ui::WindowHost* host = Host();
  if (focus_ != nullptr && focus_->IsShown() && host != nullptr && host->SkinHasFocus()) {
    const bool edged = (focus_->GetBkColor() >> 24) != 0 || focus_->GetBorderSize() > 0;
    ui::render::DrawFocusRing(cr, focus_->GetPos(), edged,
                              BackgroundOf(edged ? focus_->GetParent() : focus_),
                              IsHighContrast() ? GetInk() : 0, GetGround());
  }
}

void CPaintManagerUI::MouseMove(POINT pt) {
  mouse_ = pt;
  UpdateLayout();
  CControlUI* under = root_ ? root_->FindControlAt(pt) : nullptr;
  if (pressed_ != nullptr) {
    TEventUI ev;
    ev.Type = UIEVENT_MOUSEMOVE;
    ev.pSender = pressed_;
    ev.ptMouse = pt;
    pressed_->DoEvent(ev);
  }
  if (under != hot_) {
    CControlUI* old = hot_;
    hot_ = under;
    if (old != nullptr) {
      TEventUI ev;
      ev.Type = UIEVENT_MOUSELEAVE;
      ev.pSender = old;
      ev.ptMouse = pt;
      old->DoEvent(ev);
    }
    if (hot_ != nullptr) {
      TEventUI ev;
      ev.Type = UIEVENT_MOUSEENTER;
      ev.pSender = hot_;
      ev.ptMouse = pt;
      hot_->DoEvent(ev);
    }
    if (ui::WindowHost* host = Host())
      host->SetToolTip(hot_ ? hot_->GetToolTip().str() : std::wstring());
  }
  CControlUI* row = RowOf(under);
  if (row != hot_row_) {
    hot_row_ = row;
    Invalidate();
  }
}

CControlUI* CPaintManagerUI::ButtonDown(POINT pt, bool double_click) {
  mouse_ = pt;
  CControlUI* target = FindControl(pt);
  pressed_ = target;
  if (target != nullptr) {
    TEventUI ev;
    ev.Type = double_click ? UIEVENT_DBLCLICK : UIEVENT_BUTTONDOWN;
    ev.pSender = target;
    ev.ptMouse = pt;
    target->DoEvent(ev);
  }
  return target;
}

void CPaintManagerUI::ButtonUp(POINT pt) {
  mouse_ = pt;
  CControlUI* target = pressed_;
  pressed_ = nullptr;
  if (target != nullptr) {
    TEventUI ev;
    ev.Type = UIEVENT_BUTTONUP;
    ev.pSender = target;
    ev.ptMouse = pt;
    // The control may send "click", and the window may close and delete
    // this manager's tree in response: nothing is touched afterwards.
    target->DoEvent(ev);
  }
}

void CPaintManagerUI::MouseLeave() {
  mouse_ = {-1, -1};
  if (hot_ != nullptr && pressed_ == nullptr) {
    CControlUI* old = hot_;
    hot_ = nullptr;
    TEventUI ev;
    ev.Type = UIEVENT_MOUSELEAVE;
    ev.pSender = old;
    old->DoEvent(ev);
  }
  if (hot_row_ != nullptr) {
    hot_row_ = nullptr;
    Invalidate();
  }
}

void CPaintManagerUI::Scroll(POINT pt, int delta) {
  CControlUI* target = FindControl(pt);
  if (target == nullptr) return;
  TEventUI ev;
  ev.Type = UIEVENT_SCROLLWHEEL;
  ev.pSender = target;
  ev.ptMouse = pt;
  ev.wParam = static_cast<WPARAM>(static_cast<LONG_PTR>(delta));
  target->DoEvent(ev);
  MouseMove(pt);
}

bool CPaintManagerUI::IsInteractiveAt(POINT pt) {
  CControlUI* c = FindControl(pt);
  return c != nullptr && c->GetInterface(L"Button") != nullptr && c->IsEnabled();
}
