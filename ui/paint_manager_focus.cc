// The keyboard focus among a window's controls: giving it, the focus order
// with Tab and Shift+Tab, the keys of the focused control, and keeping the
// focus on a real control when the focused one goes.
#include <glib.h>

#include <algorithm>
#include <vector>

#include "ui/container_ui.h"
#include "ui/paint_manager_ui.h"
#include "ui/vertical_layout_ui.h"
#include "ui/window_host.h"

namespace {

bool IsIn(const std::vector<CControlUI*>& list, const CControlUI* control) {
  return std::find(list.begin(), list.end(), control) != list.end();
}

// Every control of the tree below control (itself included), shown or not,
// in the order of the skin.
void CollectAll(CControlUI* control, std::vector<CControlUI*>& out) {
  if (control == nullptr) return;
  out.push_back(control);
  auto* container = static_cast<CContainerUI*>(control->GetInterface(L"Container"));
  if (container == nullptr) return;
  for (int i = 0; i < container->GetCount(); ++i) CollectAll(container->GetItemAt(i), out);
}

bool EnabledInTree(const CControlUI* control) {
  for (const CControlUI* c = control; c != nullptr; c = c->GetParent()) {
    if (!c->IsEnabled()) return false;
  }
  return true;
}

// A control that can hold the focus now: shown, enabled, and focusable.
bool CanHoldFocus(const CControlUI* control) {
  return control != nullptr && control->IsFocusable() && control->IsShown() &&
         EnabledInTree(control);
}

bool IsTabStop(const CControlUI* control) {
  return CanHoldFocus(control) && control->IsKeyboardEnabled();
}

CControlUI* AncestorOrSelf(CControlUI* control, const wchar_t* kind) {
  for (CControlUI* c = control; c != nullptr; c = c->GetParent()) {
    if (c->GetInterface(kind) != nullptr) return c;
  }
  return nullptr;
}

// The Tab stops below scope, in the order of the skin.
std::vector<CControlUI*> TabStopsIn(CControlUI* scope) {
  std::vector<CControlUI*> all;
  CollectAll(scope, all);
  std::vector<CControlUI*> stops;
  for (CControlUI* c : all) {
    if (IsTabStop(c)) stops.push_back(c);
  }
  return stops;
}

// Of the candidates, the first after the place of control in the skin, else
// the last before it; null for none.
CControlUI* NearestTo(CControlUI* control, const std::vector<CControlUI*>& candidates,
                      const std::vector<CControlUI*>& all) {
  const auto at = std::find(all.begin(), all.end(), control) - all.begin();
  CControlUI* before = nullptr;
  for (CControlUI* c : candidates) {
    const auto place = std::find(all.begin(), all.end(), c) - all.begin();
    if (place > at) return c;
    before = c;
  }
  return before;
}

// A row of a list takes the focus on its first control, else itself.
CControlUI* IntoRow(CControlUI* row) {
  const std::vector<CControlUI*> stops = TabStopsIn(row);
  if (!stops.empty()) return stops.front();
  return CanHoldFocus(row) ? row : nullptr;
}

bool IsRow(CControlUI* control) {
  return control->GetInterface(L"ListContainerElement") != nullptr;
}

// The shown rows of a list.
std::vector<CControlUI*> RowsOf(CControlUI* list) {
  std::vector<CControlUI*> rows;
  auto* container = static_cast<CContainerUI*>(list->GetInterface(L"Container"));
  for (int i = 0; container != nullptr && i < container->GetCount(); ++i) {
    CControlUI* row = container->GetItemAt(i);
    if (row->IsVisible() && row->GetInterface(L"ListContainerElement") != nullptr)
      rows.push_back(row);
  }
  return rows;
}

// Where the focus goes from control, which is still in the tree but can no
// longer hold it.
CControlUI* Successor(CControlUI* root, CControlUI* control) {
  std::vector<CControlUI*> all;
  CollectAll(root, all);
  CControlUI* row = AncestorOrSelf(control, L"ListContainerElement");
  if (row != nullptr && row != control && row->IsShown()) {
    if (CControlUI* next = NearestTo(control, TabStopsIn(row), all)) return next;
    if (CanHoldFocus(row)) return row;
  }
  CControlUI* list = AncestorOrSelf(row != nullptr ? row : control, L"List");
  if (list != nullptr && list != control && list->IsShown()) {
    const std::vector<CControlUI*> rows = RowsOf(list);
    if (CControlUI* next = NearestTo(row != nullptr ? row : control, rows, all))
      return IntoRow(next);
    if (CanHoldFocus(list)) return list;
  }
  return NearestTo(control, TabStopsIn(root), all);
}

}  // namespace

void CPaintManagerUI::SetFocus(CControlUI* control) {
  if (control != nullptr && control->GetManager() != this) return;
  MoveFocus(control);
  // The control first, then the keyboard: whoever hears of the keyboard
  // coming to the controls finds the control that has it.
  if (control != nullptr) {
    if (ui::WindowHost* host = Host()) host->FocusSkin();
  }
}

void CPaintManagerUI::MoveFocus(CControlUI* control) {
  lost_focus_ = {};
  row_awaits_control_ = false;
  if (control == focus_) return;
  CControlUI* old = focus_;
  focus_ = control;
  TEventUI ev;
  if (old != nullptr) {
    ev.Type = UIEVENT_KILLFOCUS;
    ev.pSender = old;
    old->DoEvent(ev);
  }
  if (focus_ != nullptr) {
    ev.Type = UIEVENT_SETFOCUS;
    ev.pSender = focus_;
    focus_->DoEvent(ev);
  }
  // The focused control is scrolled into view, in every scrolling list or
  // layout around it.
  for (CControlUI* child = focus_; child != nullptr && child->GetParent() != nullptr;
       child = child->GetParent()) {
    auto* layout =
        static_cast<CVerticalLayoutUI*>(child->GetParent()->GetInterface(L"VerticalLayout"));
    if (layout != nullptr && layout->IsScrollEnabled()) layout->EnsureVisible(child);
  }
  if (ui::WindowHost* host = Host()) host->FocusMoved(old, focus_);
  Invalidate();
}

void CPaintManagerUI::LoseFocus(CControlUI* going) {
  focus_ = nullptr;
  lost_focus_ = {going->GetParent(), going->GetPos()};
  ScheduleKeepFocus();
}

void CPaintManagerUI::ScheduleKeepFocus() {
  if (keep_focus_source_ != 0) return;
  // Before the drawing and before screen readers hear of the change: a row
  // changes several controls at once, and the focus goes where the row ends.
  keep_focus_source_ = g_idle_add_full(
      G_PRIORITY_HIGH_IDLE,
      [](gpointer data) {
        auto* self = static_cast<CPaintManagerUI*>(data);
        self->keep_focus_source_ = 0;
        self->KeepFocus();
        return G_SOURCE_REMOVE;
      },
      this, nullptr);
}

void CPaintManagerUI::KeepFocus() {
  if (keep_focus_source_ != 0) {
    g_source_remove(keep_focus_source_);
    keep_focus_source_ = 0;
  }
  if (root_ == nullptr) return;
  if (focus_ != nullptr) {
    if (!CanHoldFocus(focus_)) {
      MoveFocus(Successor(root_, focus_));
      // A row that holds the focus for the button it lost passes it on to
      // the button that comes in its place (重试 once 取消 has stopped).
      row_awaits_control_ = focus_ != nullptr && IsRow(focus_);
    } else if (row_awaits_control_) {
      const std::vector<CControlUI*> stops = TabStopsIn(focus_);
      if (!stops.empty()) MoveFocus(stops.front());
    }
    return;
  }
  const LostFocus lost = lost_focus_;
  lost_focus_ = {};
  if (lost.anchor == nullptr) return;
  std::vector<CControlUI*> all;
  CollectAll(root_, all);
  if (!IsIn(all, lost.anchor)) {
    MoveFocus(nullptr);
    return;
  }
  // A row that went: the row now where it was (or the last one), else the
  // list itself.
  CControlUI* list = AncestorOrSelf(lost.anchor, L"List");
  if (list != nullptr && list->IsShown()) {
    const std::vector<CControlUI*> rows = RowsOf(list);
    auto at = std::find_if(rows.begin(), rows.end(),
                           [&](CControlUI* row) { return row->GetPos().bottom > lost.rect.top; });
    if (at == rows.end() && !rows.empty()) --at;
    CControlUI* next = at != rows.end() ? IntoRow(*at) : nullptr;
    MoveFocus(next != nullptr ? next : (CanHoldFocus(list) ? list : nullptr));
    return;
  }
  MoveFocus(CanHoldFocus(lost.anchor) ? lost.anchor : Successor(root_, lost.anchor));
}

bool CPaintManagerUI::FocusInitial() {
  CControlUI* initial = initial_focus_ ? initial_focus_() : nullptr;
  if (initial == nullptr || initial->GetManager() != this) return false;
  SetFocus(initial);
  return true;
}

std::vector<CControlUI*> CPaintManagerUI::GetFocusOrder() const { return TabStopsIn(root_); }

bool CPaintManagerUI::SetNextTabControl(bool forward) {
  const std::vector<CControlUI*> order = GetFocusOrder();
  if (order.empty()) return false;
  CControlUI* next = nullptr;
  auto it = std::find(order.begin(), order.end(), focus_);
  if (it != order.end()) {
    const size_t at = static_cast<size_t>(it - order.begin());
    next = order[(at + (forward ? 1 : order.size() - 1)) % order.size()];
  } else if (focus_ != nullptr) {
    // A row or a list: the stops after (or before) its place in the skin.
    std::vector<CControlUI*> all;
    CollectAll(root_, all);
    const auto at = std::find(all.begin(), all.end(), focus_) - all.begin();
    auto place = [&](CControlUI* c) { return std::find(all.begin(), all.end(), c) - all.begin(); };
    if (forward) {
      auto after =
          std::find_if(order.begin(), order.end(), [&](CControlUI* c) { return place(c) > at; });
      next = after != order.end() ? *after : order.front();
    } else {
      auto before =
          std::find_if(order.rbegin(), order.rend(), [&](CControlUI* c) { return place(c) < at; });
      next = before != order.rend() ? *before : order.back();
    }
  } else {
    next = forward ? order.front() : order.back();
  }
  SetFocus(next);
  return true;
}

bool CPaintManagerUI::KeyForControls(WPARAM key) {
  if (ui::WindowHost* host = Host()) {
    if (host->NativeChildHasFocus()) return false;
  }
  if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
  if (key == VK_TAB) return SetNextTabControl(GetKeyState(VK_SHIFT) >= 0);
  if ((key == VK_RETURN || key == VK_SPACE) && focus_ != nullptr && focus_->IsShown())
    return focus_->Activate();
  return false;
}
