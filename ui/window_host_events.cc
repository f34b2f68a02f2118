// GTK event handlers of a toolkit window: drawing, mouse, keys, window
// manager events, native children and file drops, translated into control
// input and window messages.
#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/drop_files.h"
#include "platform/keyboard.h"
#include "platform/log.h"
#include "platform/unicode_text.h"
#include "ui/attribute_parser.h"
#include "ui/key_codes.h"
#include "ui/paint_manager_ui.h"
#include "ui/window_host.h"
#include "ui/window_wnd.h"

namespace ui {
namespace {

// How far the mouse must travel with the button held on the caption before
// the window starts moving, so clicks and double clicks stay clicks.
constexpr double kDragThreshold = 4.0;

GtkWindow* Win(GtkWidget* w) { return GTK_WINDOW(w); }

}  // namespace

int WindowHost::OnDraw(GtkWidget*, cairo_t* cr, void* data) {
  auto* self = static_cast<WindowHost*>(data);
  if (self->manager_ != nullptr) {
    self->manager_->Paint(cr);
  } else {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
  }
  return TRUE;
}

int WindowHost::OnButtonPress(GtkWidget*, GdkEventButton* ev, void* data) {
  auto* self = static_cast<WindowHost*>(data);
  if (ev->button != 1 || self->manager_ == nullptr) return FALSE;
  POINT pt = self->LayoutPoint(ev->x, ev->y);
  if (ev->type == GDK_2BUTTON_PRESS) {
    if (self->InCaption(pt.x, pt.y) && !self->manager_->IsInteractiveAt(pt)) {
      self->caption_press_ = false;
      self->Dispatch(WM_NCLBUTTONDBLCLK, HTCAPTION,
                     MAKELPARAM(static_cast<WORD>(ev->x_root), static_cast<WORD>(ev->y_root)));
    }
    return TRUE;
  }
  if (ev->type != GDK_BUTTON_PRESS) return TRUE;
  int edge = self->EdgeAt(pt.x, pt.y);
  if (edge >= 0) {
    gtk_window_begin_resize_drag(Win(self->window_.get()), static_cast<GdkWindowEdge>(edge), 1,
                                 static_cast<int>(ev->x_root), static_cast<int>(ev->y_root),
                                 ev->time);
    return TRUE;
  }
  if (self->InCaption(pt.x, pt.y) && !self->manager_->IsInteractiveAt(pt)) {
    self->caption_press_ = true;
    self->press_x_ = ev->x_root;
    self->press_y_ = ev->y_root;
    return TRUE;
  }
  self->manager_->ButtonDown(pt, false);
  return TRUE;
}

int WindowHost::OnButtonRelease(GtkWidget*, GdkEventButton* ev, void* data) {
  auto* self = static_cast<WindowHost*>(data);
  if (ev->button != 1 || self->manager_ == nullptr) return FALSE;
  if (self->caption_press_) {
    self->caption_press_ = false;
    return TRUE;
  }
  // May close the window: nothing of self is used afterwards.
  self->manager_->ButtonUp(self->LayoutPoint(ev->x, ev->y));
  return TRUE;
}

int WindowHost::OnMotion(GtkWidget*, GdkEventMotion* ev, void* data) {
  auto* self = static_cast<WindowHost*>(data);
  if (self->manager_ == nullptr) return FALSE;
  if (self->caption_press_) {
    if ((ev->state & GDK_BUTTON1_MASK) &&
        std::hypot(ev->x_root - self->press_x_, ev->y_root - self->press_y_) >= kDragThreshold) {
      self->caption_press_ = false;
      gtk_window_begin_move_drag(Win(self->window_.get()), 1, static_cast<int>(self->press_x_),
                                 static_cast<int>(self->press_y_), ev->time);
    }
    return TRUE;
  }
  POINT pt = self->LayoutPoint(ev->x, ev->y);
  self->UpdateCursor(pt.x, pt.y);
  self->manager_->MouseMove(pt);
  return TRUE;
}

int WindowHost::OnLeave(GtkWidget*, GdkEventCrossing* ev, void* data) {
  auto* self = static_cast<WindowHost*>(data);
  if (self->manager_ != nullptr && ev->detail != GDK_NOTIFY_INFERIOR) self->manager_->MouseLeave();
  return FALSE;
}

int WindowHost::OnScroll(GtkWidget*, GdkEventScroll* ev, void* data) {
  auto* self = static_cast<WindowHost*>(data);
  if (self->manager_ == nullptr) return FALSE;
  int delta = 0;
  if (ev->direction == GDK_SCROLL_UP)
    delta = -1;
  else if (ev->direction == GDK_SCROLL_DOWN)
    delta = 1;
  else if (ev->direction == GDK_SCROLL_SMOOTH)
    delta = ev->delta_y < 0 ? -1 : (ev->delta_y > 0 ? 1 : 0);
  if (delta != 0) self->manager_->Scroll(self->LayoutPoint(ev->x, ev->y), delta);
  return TRUE;
}

int WindowHost::OnConfigure(GtkWidget* widget, GdkEventConfigure* ev, void* data) {
  auto* self = static_cast<WindowHost*>(data);
  int x = ev->x, y = ev->y;
  if (GdkWindow* gw = gtk_widget_get_window(widget)) {
    GdkRectangle frame;
    gdk_window_get_frame_extents(gw, &frame);
    x = frame.x;
    y = frame.y;
  }
  self->rect_ = {x, y, x + ev->width, y + ev->height};
  if (!self->FullScreenMode()) self->ScheduleSizeReport();
  return FALSE;
}

int WindowHost::OnWindowState(GtkWidget*, GdkEventWindowState* ev, void* data) {
  auto* self = static_cast<WindowHost*>(data);
  self->maximized_ = (ev->new_window_state & GDK_WINDOW_STATE_MAXIMIZED) != 0;
  self->fullscreen_ = (ev->new_window_state & GDK_WINDOW_STATE_FULLSCREEN) != 0;
  self->iconified_ = (ev->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0;
  self->ScheduleSizeReport();
  if (self->manager_ != nullptr) self->manager_->Invalidate();
  return FALSE;
}

namespace {

unsigned ModifiersOf(const GdkEventKey* ev, UINT vk) {
  unsigned modifiers = 0;
  if ((ev->state & GDK_SHIFT_MASK) || vk == VK_SHIFT) modifiers |= platform::kShiftDown;
  if ((ev->state & GDK_CONTROL_MASK) || vk == VK_CONTROL) modifiers |= platform::kControlDown;
  if ((ev->state & GDK_MOD1_MASK) || vk == VK_MENU) modifiers |= platform::kAltDown;
  return modifiers;
}

// The key's code; a key whose symbol has none (a letter of a non-Latin
// layout) is taken by its place on the keyboard's first layout, so Ctrl+O
// stays Ctrl+O whatever layout is on.
UINT KeyCodeOf(const GdkEventKey* ev) {
  UINT vk = VirtualKeyOf(ev->keyval);
  if (vk != 0) return vk;
  guint base = 0;
  GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_window_get_display(ev->window));
  if (gdk_keymap_translate_keyboard_state(keymap, ev->hardware_keycode,
                                          static_cast<GdkModifierType>(0), 0, &base, nullptr,
                                          nullptr, nullptr))
    vk = VirtualKeyOf(base);
  return vk;
}

}  // namespace

bool WindowHost::DispatchKey(const GdkEventKey* ev) {
  const UINT vk = KeyCodeOf(ev);
  if (vk == 0 || wnd_ == nullptr) return false;
  platform::KeyStateScope modifiers(ModifiersOf(ev, vk));
  // Repeat count 1 and the key's scan code, as key messages carry them.
  const LPARAM lparam = 1 | static_cast<LPARAM>((ev->hardware_keycode & 0xFF) << 16);
  wnd_->key_unused_ = false;
  Dispatch(WM_KEYDOWN, vk, lparam);
  // A window that ended on the key took it.
  return wnd_ == nullptr || !wnd_->key_unused_;
}

// Every key reaches the window as WM_KEYDOWN. While the window's own
// controls have the keyboard focus, the window has every key. While a native
// child (the browser) has it, shortcuts (Control or Alt combinations and
// function keys) are offered to the window first and go on to the child only
// when the window leaves them; everything else (typing, Return, Escape, Tab)
// goes to the child first, and the window gets what the child leaves.
int WindowHost::OnKeyPress(GtkWidget*, GdkEventKey* ev, void* data) {
  auto* self = static_cast<WindowHost*>(data);
  const KeySignature key{ev->time, ev->hardware_keycode, ev->state};
  // The browser hands a key it did not use back to the window as a new
  // event: a shortcut the window has already left goes on.
  if (key == self->offered_key_) return FALSE;
  const UINT vk = KeyCodeOf(ev);
  if (vk == 0) return FALSE;
  const bool child_focus = self->NativeChildHasFocus();
  if (child_focus && !IsShortcutKey(vk, ModifiersOf(ev, vk))) return FALSE;
  self->offered_key_ = key;
  return self->DispatchKey(ev) || !child_focus ? TRUE : FALSE;
}

int WindowHost::OnKeyPressAfter(GtkWidget*, GdkEventKey* ev, void* data) {
  auto* self = static_cast<WindowHost*>(data);
  if (KeySignature{ev->time, ev->hardware_keycode, ev->state} == self->offered_key_) return FALSE;
  return self->DispatchKey(ev) ? TRUE : FALSE;
}

int WindowHost::OnDelete(GtkWidget*, GdkEventAny*, void* data) {
  // The window manager's close (its button, Alt+F4 when it keeps that key):
  // the system menu's Close, which the window may refuse; its default
  // processing sends WM_CLOSE.
  static_cast<WindowHost*>(data)->Dispatch(WM_SYSCOMMAND, SC_CLOSE, 0);
  return TRUE;
}

void WindowHost::OnSetFocus(GtkWidget*, GtkWidget* focus, void* data) {
  auto* self = static_cast<WindowHost*>(data);
  // The keyboard went to a native child (the page): no control keeps it.
  if (focus != self->area_ && self->manager_ != nullptr) self->manager_->SetFocus(nullptr);
}

int WindowHost::OnSkinFocusChange(GtkWidget*, GdkEventFocus* ev, void* data) {
  auto* self = static_cast<WindowHost*>(data);
  // The keyboard is always on a control while the skin has it.
  if (ev->in && self->manager_ != nullptr && self->manager_->GetFocus() == nullptr)
    self->manager_->FocusInitial();
  // The ring shows only while the skin has the keyboard in the active window.
  self->QueueDraw();
  return FALSE;
}

int WindowHost::OnSkinFocusMove(GtkWidget*, int direction, void* data) {
  auto* self = static_cast<WindowHost*>(data);
  // Tab out of the page comes to the skin's first control, Shift+Tab to its
  // last. (A window just shown only gives the skin the keyboard.)
  if (self->manager_ == nullptr || !self->NativeChildHasFocus()) return FALSE;
  const bool forward =
      direction == GTK_DIR_TAB_FORWARD || direction == GTK_DIR_DOWN || direction == GTK_DIR_RIGHT;
  self->manager_->SetFocus(nullptr);
  return self->manager_->SetNextTabControl(forward) ? TRUE : FALSE;
}

void WindowHost::OnSkinMapChange(GtkWidget*, void* data) {
  static_cast<WindowHost*>(data)->QueueDraw();
}

int WindowHost::OnMap(GtkWidget*, GdkEventAny*, void* data) {
  auto* self = static_cast<WindowHost*>(data);
  // Under Wayland no other program can see a client's windows: this line is
  // how a person (or a test) learns that the compositor shows one.
  platform::Log("window \"%s\" mapped, scale %d", platform::WideToUtf8(self->title_).c_str(),
                gtk_widget_get_scale_factor(self->window_.get()));
  if (self->position_pending_ && !self->maximized_ && !self->fullscreen_) {
    self->position_pending_ = false;
    gtk_window_move(Win(self->window_.get()), self->requested_x_, self->requested_y_);
  }
  return FALSE;
}

int WindowHost::OnChildPosition(GtkWidget*, GtkWidget* child, void* out, void* data) {
  auto* self = static_cast<WindowHost*>(data);
  auto it = self->children_.find(child);
  if (it == self->children_.end()) return FALSE;
  auto* alloc = static_cast<GdkRectangle*>(out);
  alloc->x = it->second.left;
  alloc->y = it->second.top;
  alloc->width = std::max<int>(1, it->second.right - it->second.left);
  alloc->height = std::max<int>(1, it->second.bottom - it->second.top);
  return TRUE;
}

void WindowHost::OnDragData(GtkWidget*, GdkDragContext* ctx, int, int, GtkSelectionData* selection,
                            unsigned, unsigned time, void* data) {
  auto* self = static_cast<WindowHost*>(data);
  std::vector<std::wstring> paths;
  g_auto(GStrv) uris = gtk_selection_data_get_uris(selection);
  for (gchar** u = uris; u != nullptr && *u != nullptr; ++u) {
    g_autofree gchar* path = g_filename_from_uri(*u, nullptr, nullptr);
    if (path != nullptr) {
      paths.push_back(platform::Utf8ToWide(path));
    }
  }
  gtk_drag_finish(ctx, !paths.empty(), FALSE, time);
  if (paths.empty() || !(self->ex_style_ & WS_EX_ACCEPTFILES)) return;
  // The receiver may have finished the drop itself; finishing twice is safe.
  platform::DeliverDroppedFiles(self->hwnd_, paths);
}

}  // namespace ui
