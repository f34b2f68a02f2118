// The horizontal layout.
#include "ui/horizontal_layout_ui.h"

#include <algorithm>

const wchar_t* CHorizontalLayoutUI::GetClass() const { return L"HorizontalLayoutUI"; }

void* CHorizontalLayoutUI::GetInterface(const wchar_t* name) {
  if (name != nullptr && std::wstring(name) == L"HorizontalLayout") return this;
  return CContainerUI::GetInterface(name);
}

void CHorizontalLayoutUI::SetPos(RECT rc) {
  TakePos(rc);
  RECT inner = InnerRect();
  int inner_w = inner.right - inner.left;
  int inner_h = inner.bottom - inner.top;

  const std::vector<CControlUI*> flow = PlaceFloatsAndListFlow();
  int room = inner_w - child_padding_ * std::max<int>(0, static_cast<int>(flow.size()) - 1);
  std::vector<ui::AxisItem> axis;
  for (CControlUI* c : flow) {
    RECT pad = c->GetPadding();
    room -= pad.left + pad.right;
    SIZE sz = c->EstimateSize({inner_w, inner_h - pad.top - pad.bottom});
    axis.push_back({sz.cx, c->GetMinWidth(), c->GetMaxWidth(), 0});
  }
  ui::DistributeAxis(axis, std::max(0, room));

  int x = inner.left;
  for (size_t i = 0; i < flow.size(); ++i) {
    CControlUI* c = flow[i];
    RECT pad = c->GetPadding();
    int room_h = std::max<LONG>(0, inner_h - pad.top - pad.bottom);
    SIZE sz = c->EstimateSize({axis[i].size, room_h});
    int h = sz.cy > 0 ? sz.cy : room_h;
    h = std::clamp(h, c->GetMinHeight(), std::max(c->GetMinHeight(), c->GetMaxHeight()));
    int y = inner.top + pad.top + std::max(0, (room_h - h) / 2);
    x += pad.left;
    RECT crc{x, y, x + axis[i].size, y + h};
    c->SetPos(crc);
    x += axis[i].size + pad.right + child_padding_;
  }
}
