// List rows: hover highlight and separator line.
#include "ui/list_container_element_ui.h"

#include "ui/attribute_parser.h"
#include "ui/paint_manager_ui.h"
#include "ui/render_engine.h"

const wchar_t* CListContainerElementUI::GetClass() const { return L"ListContainerElementUI"; }

void* CListContainerElementUI::GetInterface(const wchar_t* name) {
  if (name != nullptr && std::wstring(name) == L"ListContainerElement") return this;
  return CContainerUI::GetInterface(name);
}

void CListContainerElementUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
  if (name == nullptr || value == nullptr) return;
  std::wstring n = name;
  UIColor color = 0;
  if (n == L"hotbkcolor") {
    if (ui::ParseColor(value, &color)) SetHotBkColor(color);
  } else if (n == L"linecolor") {
    if (ui::ParseColor(value, &color)) SetLineColor(color);
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

void CListContainerElementUI::PaintBkColor(_cairo* cr) {
  UIColor color = FillColor(bk_color_);
  if (manager_ != nullptr && hot_bk_color_ != 0 && !IsHighContrast()) {
    POINT pt = manager_->GetMousePos();
    if (pt.x >= rect_.left && pt.x < rect_.right && pt.y >= rect_.top && pt.y < rect_.bottom) {
      color = hot_bk_color_;
    }
  }
  ui::render::FillRect(cr, rect_, color, border_round_);
  if (line_color_ != 0) {
    RECT line{rect_.left, rect_.bottom - 1, rect_.right, rect_.bottom};
    ui::render::FillRect(cr, line, InkColor(line_color_), {0, 0});
  }
}
