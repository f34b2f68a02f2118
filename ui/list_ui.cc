// The list container.
#include "ui/list_ui.h"

#include "ui/attribute_parser.h"
#include "ui/list_container_element_ui.h"

CListUI::CListUI() { scroll_enabled_ = true; }

const wchar_t* CListUI::GetClass() const { return L"ListUI"; }

void* CListUI::GetInterface(const wchar_t* name) {
  if (name != nullptr && std::wstring(name) == L"List") return this;
  return CVerticalLayoutUI::GetInterface(name);
}

void CListUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
  if (name == nullptr || value == nullptr) return;
  std::wstring n = name;
  UIColor color = 0;
  if (n == L"itemhotbkcolor") {
    if (ui::ParseColor(value, &color)) item_hot_bk_color_ = color;
  } else if (n == L"itemlinecolor") {
    if (ui::ParseColor(value, &color)) item_line_color_ = color;
  } else {
    CVerticalLayoutUI::SetAttribute(name, value);
  }
}

bool CListUI::AddAt(CControlUI* control, int index) {
  if (!CVerticalLayoutUI::AddAt(control, index)) return false;
  auto* row = static_cast<CListContainerElementUI*>(control->GetInterface(L"ListContainerElement"));
  if (row != nullptr) {
    if (row->GetHotBkColor() == 0) row->SetHotBkColor(item_hot_bk_color_);
    if (row->GetLineColor() == 0) row->SetLineColor(item_line_color_);
  }
  return true;
}
