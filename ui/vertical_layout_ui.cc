// The vertical layout and its scrolling.
#include "ui/vertical_layout_ui.h"

#include <algorithm>

#include "ui/attribute_parser.h"
#include "ui/render_engine.h"

const wchar_t* CVerticalLayoutUI::GetClass() const { return L"VerticalLayoutUI"; }

void* CVerticalLayoutUI::GetInterface(const wchar_t* name) {
  if (name != nullptr && std::wstring(name) == L"VerticalLayout") return this;
  return CContainerUI::GetInterface(name);
}

void CVerticalLayoutUI::SetPos(RECT rc) {
  TakePos(rc);
  RECT inner = InnerRect();
  const int inner_h = inner.bottom - inner.top;
  const std::vector<CControlUI*> flow = PlaceFloatsAndListFlow();

  // The heights of the children at a width, and the height they need.
  std::vector<ui::AxisItem> axis;
  auto measure = [&](int inner_w) {
    int room = inner_h - child_padding_ * std::max<int>(0, static_cast<int>(flow.size()) - 1);
    axis.clear();
    for (CControlUI* c : flow) {
      RECT pad = c->GetPadding();
      room -= pad.top + pad.bottom;
      SIZE sz = c->EstimateSize({inner_w - pad.left - pad.right, inner_h});
      axis.push_back({sz.cy, c->GetMinHeight(), c->GetMaxHeight(), 0});
    }
    ui::DistributeAxis(axis, std::max(0, room));
    int content = 0;
    for (size_t i = 0; i < flow.size(); ++i) {
      RECT pad = flow[i]->GetPadding();
      content += axis[i].size + pad.top + pad.bottom + (i > 0 ? child_padding_ : 0);
    }
    return content;
  };
  int inner_w = inner.right - inner.left;
  int content = measure(inner_w);
  // Content taller than the layout shows the scroll bar at the right edge:
  // the children leave it that room, so it never covers them.
  if (scroll_enabled_ && content > inner_h) {
    inner_w = std::max(0, inner_w - kScrollBarRoom);
    content = measure(inner_w);
  }
  scroll_range_ = scroll_enabled_ ? std::max(0, content - inner_h) : 0;

  // A child asked to be shown is scrolled to, just as far as it takes.
  if (scroll_enabled_ && show_child_ != nullptr) {
    int top = 0;
    for (size_t i = 0; i < flow.size(); ++i) {
      RECT pad = flow[i]->GetPadding();
      top += pad.top;
      if (flow[i] == show_child_) {
        const int bottom = top + axis[i].size;
        if (top < scroll_pos_) scroll_pos_ = top;
        if (bottom > scroll_pos_ + inner_h) scroll_pos_ = bottom - inner_h;
        break;
      }
      top += axis[i].size + pad.bottom + child_padding_;
    }
  }
  show_child_ = nullptr;
  scroll_pos_ = std::clamp(scroll_pos_, 0, scroll_range_);

  int y = inner.top - scroll_pos_;
  bool in_order = true;
  RECT last{0, 0, 0, 0};
  for (size_t i = 0; i < flow.size(); ++i) {
    CControlUI* c = flow[i];
    RECT pad = c->GetPadding();
    int room_w = std::max<LONG>(0, inner_w - pad.left - pad.right);
    SIZE sz = c->EstimateSize({room_w, axis[i].size});
    int w = sz.cx > 0 ? sz.cx : room_w;
    w = std::clamp(w, c->GetMinWidth(), std::max(c->GetMinWidth(), c->GetMaxWidth()));
    y += pad.top;
    RECT crc{inner.left + pad.left, y, inner.left + pad.left + w, y + axis[i].size};
    c->SetPos(crc);
    if (i > 0 && (crc.top < last.top || crc.bottom < last.bottom)) in_order = false;
    last = crc;
    y += axis[i].size + pad.bottom + child_padding_;
  }
  // Floating children may lie anywhere and are drawn in their place among
  // the others: then every child is looked at.
  const bool floats = std::count_if(items_.begin(), items_.end(), [](CControlUI* c) {
                        return c->IsVisible();
                      }) != static_cast<std::ptrdiff_t>(flow.size());
  stacked_ = in_order && !floats ? flow : std::vector<CControlUI*>();
}

void CVerticalLayoutUI::PaintChildren(_cairo* cr, const RECT& paint) {
  if (stacked_.empty()) {
    CContainerUI::PaintChildren(cr, paint);
    return;
  }
  // The first row that ends below the top of paint, then down to the first
  // that starts below its bottom.
  auto row = std::partition_point(stacked_.begin(), stacked_.end(),
                                  [&](CControlUI* c) { return c->GetPos().bottom <= paint.top; });
  for (; row != stacked_.end() && (*row)->GetPos().top < paint.bottom; ++row) {
    if ((*row)->IsVisible()) (*row)->DoPaint(cr, paint);
  }
}

void CVerticalLayoutUI::EnsureVisible(CControlUI* child) {
  if (child == nullptr || child->GetParent() != this) return;
  show_child_ = child;
  NeedUpdate();
}

bool CVerticalLayoutUI::Remove(CControlUI* control) {
  if (control == show_child_) show_child_ = nullptr;
  stacked_.clear();
  return CContainerUI::Remove(control);
}

void CVerticalLayoutUI::RemoveAll() {
  show_child_ = nullptr;
  stacked_.clear();
  CContainerUI::RemoveAll();
}

void CVerticalLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
  if (name != nullptr && value != nullptr && std::wstring(name) == L"vscrollbar") {
    EnableScrollBar(ui::ParseBool(value));
    return;
  }
  CContainerUI::SetAttribute(name, value);
}

void CVerticalLayoutUI::EnableScrollBar(bool vertical) {
  scroll_enabled_ = vertical;
  if (!vertical) scroll_pos_ = 0;
  NeedUpdate();
}

void CVerticalLayoutUI::SetScrollPos(int pos) {
  // A place asked for now counts, not a child asked to be shown before.
  show_child_ = nullptr;
  int clamped = std::clamp(pos, 0, scroll_range_);
  if (clamped == scroll_pos_) return;
  scroll_pos_ = clamped;
  NeedUpdate();
}

void CVerticalLayoutUI::DoEvent(TEventUI& event) {
  if (event.Type == UIEVENT_SCROLLWHEEL && scroll_enabled_ && scroll_range_ > 0) {
    SetScrollPos(scroll_pos_ + static_cast<int>(static_cast<LONG_PTR>(event.wParam)) * 40);
    return;
  }
  CContainerUI::DoEvent(event);
}

RECT CVerticalLayoutUI::ClipRect() const { return scroll_enabled_ ? InnerRect() : rect_; }

void CVerticalLayoutUI::PaintOverlay(_cairo* cr) {
  if (!scroll_enabled_ || scroll_range_ <= 0) return;
  // A thin overlay bar: its length is the visible share of the content.
  RECT inner = InnerRect();
  int h = inner.bottom - inner.top;
  int content = h + scroll_range_;
  int thumb = std::max(24, h * h / std::max(1, content));
  int top = inner.top + (h - thumb) * scroll_pos_ / std::max(1, scroll_range_);
  RECT bar{inner.right - kScrollBarRoom + 3, top + 2, inner.right - 2, top + thumb - 2};
  ui::render::FillRect(cr, bar, 0x55000000u, {5, 5});
}
