// The plain container and the main-axis arithmetic shared by the layouts.
#include "ui/container_ui.h"

#include <cairo.h>

#include <algorithm>

#include "ui/attribute_parser.h"
#include "ui/paint_manager_ui.h"

namespace ui {

void DistributeAxis(std::vector<AxisItem>& items, int room) {
  std::vector<bool> settled(items.size(), false);
  int left = room;
  for (size_t i = 0; i < items.size(); ++i) {
    AxisItem& it = items[i];
    if (it.fixed > 0) {
      it.size = std::clamp(it.fixed, it.min, std::max(it.min, it.max));
      left -= it.size;
      settled[i] = true;
    }
  }
  // Repeat until no flexible item hits a limit: each pass settles at least
  // one item or ends.
  for (;;) {
    int open = 0;
    for (size_t i = 0; i < items.size(); ++i) open += settled[i] ? 0 : 1;
    if (open == 0) break;
    int share = std::max(0, left) / open;
    bool changed = false;
    for (size_t i = 0; i < items.size(); ++i) {
      if (settled[i]) continue;
      AxisItem& it = items[i];
      int limited = std::clamp(share, it.min, std::max(it.min, it.max));
      if (limited != share) {
        it.size = limited;
        left -= limited;
        settled[i] = true;
        changed = true;
      }
    }
    if (changed) continue;
    // Everyone takes the share; the last open item also takes the rounding
    // remainder so the items fill the room exactly.
    int last = -1;
    for (size_t i = 0; i < items.size(); ++i) {
      if (settled[i]) continue;
      items[i].size = share;
      last = static_cast<int>(i);
    }
    int rest = std::max(0, left) - share * open;
    if (last >= 0) items[static_cast<size_t>(last)].size += rest;
    break;
  }
  for (auto& it : items) it.size = std::max(0, it.size);
}

}  // namespace ui

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
  for (CControlUI* c : items_) delete c;
}

const wchar_t* CContainerUI::GetClass() const { return L"ContainerUI"; }

void* CContainerUI::GetInterface(const wchar_t* name) {
  if (name != nullptr && std::wstring(name) == L"Container") return this;
  return CControlUI::GetInterface(name);
}

bool CContainerUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CContainerUI::AddAt(CControlUI* control, int index) {
  if (control == nullptr || index < 0 || index > GetCount()) return false;
  if (std::find(items_.begin(), items_.end(), control) != items_.end()) return false;
  items_.insert(items_.begin() + index, control);
  control->SetManager(manager_, this);
  NeedUpdate();
  return true;
}

bool CContainerUI::Remove(CControlUI* control) {
  auto it = std::find(items_.begin(), items_.end(), control);
  if (it == items_.end()) return false;
  items_.erase(it);
  delete control;
  NeedUpdate();
  return true;
}

bool CContainerUI::RemoveAt(int index) {
  CControlUI* c = GetItemAt(index);
  return c != nullptr && Remove(c);
}

void CContainerUI::RemoveAll() {
  std::vector<CControlUI*> old;
  old.swap(items_);
  for (CControlUI* c : old) delete c;
  NeedUpdate();
}

CControlUI* CContainerUI::GetItemAt(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return items_[static_cast<size_t>(index)];
}

CControlUI* CContainerUI::FindSubControl(const wchar_t* name) {
  if (name == nullptr) return nullptr;
  for (CControlUI* c : items_) {
    if (CControlUI* found = c->FindControlByName(name)) return found;
  }
  return nullptr;
}

void CContainerUI::SetInset(RECT rc) {
  inset_ = rc;
  NeedUpdate();
}

void CContainerUI::SetChildPadding(int padding) {
  child_padding_ = std::max(0, padding);
  NeedUpdate();
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
  CControlUI::SetManager(manager, parent, init);
  for (CControlUI* c : items_) c->SetManager(manager, this, init);
}

RECT CContainerUI::InnerRect() const {
  RECT rc = rect_;
  rc.left += inset_.left;
  rc.top += inset_.top;
  rc.right -= inset_.right;
  rc.bottom -= inset_.bottom;
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  return rc;
}

std::vector<CControlUI*> CContainerUI::PlaceFloatsAndListFlow() {
  std::vector<CControlUI*> flow;
  for (CControlUI* c : items_) {
    if (!c->IsVisible()) continue;
    if (c->IsFloat()) {
      PlaceFloat(c);
      continue;
    }
    flow.push_back(c);
  }
  return flow;
}

void CContainerUI::PlaceFloat(CControlUI* child) {
  RECT fp = child->GetFloatPos();
  RECT rc;
  rc.left = rect_.left + fp.left;
  rc.top = rect_.top + fp.top;
  rc.right = rc.left + std::max<LONG>(child->GetFixedWidth(), 0);
  rc.bottom = rc.top + std::max<LONG>(child->GetFixedHeight(), 0);
  child->SetPos(rc);
}

void CContainerUI::SetPos(RECT rc) {
  TakePos(rc);
  RECT inner = InnerRect();
  for (CControlUI* c : items_) {
    if (!c->IsVisible()) continue;
    if (c->IsFloat()) {
      PlaceFloat(c);
      continue;
    }
    RECT pad = c->GetPadding();
    RECT crc;
    crc.left = inner.left + pad.left;
    crc.top = inner.top + pad.top;
    int room_w = std::max<LONG>(0, inner.right - pad.right - crc.left);
    int room_h = std::max<LONG>(0, inner.bottom - pad.bottom - crc.top);
    SIZE sz = c->EstimateSize({room_w, room_h});
    int w = sz.cx > 0 ? sz.cx : room_w;
    int h = sz.cy > 0 ? sz.cy : room_h;
    w = std::clamp(w, c->GetMinWidth(), std::max(c->GetMinWidth(), c->GetMaxWidth()));
    h = std::clamp(h, c->GetMinHeight(), std::max(c->GetMinHeight(), c->GetMaxHeight()));
    crc.right = crc.left + w;
    crc.bottom = crc.top + h;
    c->SetPos(crc);
  }
}

void CContainerUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
  if (name == nullptr || value == nullptr) return;
  std::wstring n = name;
  if (n == L"inset") {
    SetInset(ui::ParseRect(value));
  } else if (n == L"childpadding") {
    SetChildPadding(ui::ParseInt(value));
  } else if (n == L"mousechild") {
    SetMouseChildEnabled(ui::ParseBool(value));
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

CControlUI* CContainerUI::FindControlAt(POINT pt, bool all) {
  if (!visible_) return nullptr;
  if (pt.x < rect_.left || pt.x >= rect_.right || pt.y < rect_.top || pt.y >= rect_.bottom)
    return nullptr;
  RECT clip = ClipRect();
  bool in_clip = pt.x >= clip.left && pt.x < clip.right && pt.y >= clip.top && pt.y < clip.bottom;
  if (in_clip && (all || mouse_child_enabled_)) {
    // Later children are drawn on top, so they are hit first.
    for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
      if (CControlUI* found = (*it)->FindControlAt(pt, all)) return found;
    }
  }
  return CControlUI::FindControlAt(pt, all);
}

CControlUI* CContainerUI::FindControlByName(const wchar_t* name) {
  if (CControlUI* self = CControlUI::FindControlByName(name)) return self;
  return FindSubControl(name);
}

void CContainerUI::PaintChildren(_cairo* cr, const RECT& paint) {
  for (CControlUI* c : items_) {
    if (c->IsVisible()) c->DoPaint(cr, paint);
  }
}

void CContainerUI::DoPaint(_cairo* cr, const RECT& paint) {
  if (rect_.right <= paint.left || rect_.left >= paint.right || rect_.bottom <= paint.top ||
      rect_.top >= paint.bottom) {
    return;
  }
  // The frame goes over the children, so a container's border stays
  // visible even where children fill it edge to edge.
  PaintBkColor(cr);
  PaintBkImage(cr);
  PaintStatusImage(cr);
  PaintText(cr);
  RECT clip = ClipRect();
  cairo_save(cr);
  cairo_rectangle(cr, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top);
  cairo_clip(cr);
  RECT child_paint;
  child_paint.left = std::max(paint.left, clip.left);
  child_paint.top = std::max(paint.top, clip.top);
  child_paint.right = std::min(paint.right, clip.right);
  child_paint.bottom = std::min(paint.bottom, clip.bottom);
  PaintChildren(cr, child_paint);
  PaintOverlay(cr);
  cairo_restore(cr);
  PaintBorder(cr);
}
