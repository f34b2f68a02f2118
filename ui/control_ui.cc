// The base control: size request, looks, attributes and drawing.
#include "ui/control_ui.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "ui/attribute_parser.h"
#include "ui/paint_manager_ui.h"
#include "ui/render_engine.h"

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
  if (manager_ != nullptr) manager_->ReapObjects(this);
}

const wchar_t* CControlUI::GetClass() const { return L"ControlUI"; }

void* CControlUI::GetInterface(const wchar_t* name) {
  if (name != nullptr && std::wstring(name) == L"Control") return this;
  return nullptr;
}

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool /*init*/) {
  manager_ = manager;
  parent_ = parent;
}

void CControlUI::SetName(const wchar_t* name) { name_ = name; }

void CControlUI::SetAccessibleName(const wchar_t* name) {
  accessible_name_ = name;
  Invalidate();
}

bool CControlUI::IsShown() const {
  for (const CControlUI* c = this; c != nullptr; c = c->GetParent()) {
    if (!c->IsVisible()) return false;
  }
  return true;
}

void CControlUI::SetFocus() {
  if (manager_ != nullptr) manager_->SetFocus(this);
}

bool CControlUI::Activate() { return false; }

void CControlUI::SetText(const wchar_t* text) {
  if (text_ == CDuiString(text)) return;
  text_ = text;
  Invalidate();
}

void CControlUI::SetPos(RECT rc) { TakePos(rc); }

void CControlUI::TakePos(RECT rc) {
  if (rc.right < rc.left) rc.right = rc.left;
  if (rc.bottom < rc.top) rc.bottom = rc.top;
  rect_ = rc;
}

void CControlUI::SetFixedWidth(int cx) {
  if (cx < 0) return;
  fixed_.cx = cx;
  NeedParentUpdate();
}
void CControlUI::SetFixedHeight(int cy) {
  if (cy < 0) return;
  fixed_.cy = cy;
  NeedParentUpdate();
}
void CControlUI::SetMinWidth(int cx) {
  if (cx < 0) return;
  min_.cx = cx;
  NeedParentUpdate();
}
void CControlUI::SetMaxWidth(int cx) {
  if (cx < 0) return;
  max_.cx = cx;
  NeedParentUpdate();
}
void CControlUI::SetMinHeight(int cy) {
  if (cy < 0) return;
  min_.cy = cy;
  NeedParentUpdate();
}
void CControlUI::SetMaxHeight(int cy) {
  if (cy < 0) return;
  max_.cy = cy;
  NeedParentUpdate();
}
void CControlUI::SetPadding(RECT rc) {
  padding_ = rc;
  NeedParentUpdate();
}
void CControlUI::SetFloat(bool on) {
  float_ = on;
  NeedParentUpdate();
}

SIZE CControlUI::EstimateSize(SIZE /*available*/) { return fixed_; }

void CControlUI::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  NeedParentUpdate();
}

void CControlUI::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Invalidate();
}

void CControlUI::SetBkColor(UIColor color) {
  bk_color_ = color;
  Invalidate();
}
void CControlUI::SetBkImage(const wchar_t* image) {
  bk_image_ = image;
  Invalidate();
}
void CControlUI::SetBorderColor(UIColor color) {
  border_color_ = color;
  Invalidate();
}
void CControlUI::SetBorderSize(int size) {
  border_size_ = std::max(0, size);
  Invalidate();
}
void CControlUI::SetBorderRound(SIZE round) {
  border_round_ = round;
  Invalidate();
}
void CControlUI::SetTextColor(UIColor color) {
  text_color_ = color;
  Invalidate();
}
void CControlUI::SetFont(int index) {
  font_ = index;
  Invalidate();
}
void CControlUI::SetShowHtml(bool on) {
  show_html_ = on;
  Invalidate();
}
void CControlUI::SetTextStyle(UINT style) {
  text_style_ = style;
  Invalidate();
}
void CControlUI::SetTextPadding(RECT rc) {
  text_padding_ = rc;
  Invalidate();
}

void CControlUI::SetAttribute(const wchar_t* name_text, const wchar_t* value_text) {
  if (name_text == nullptr || value_text == nullptr) return;
  const std::wstring name = name_text;
  const std::wstring value = value_text;
  UIColor color = 0;
  if (name == L"pos") {
    RECT rc = ui::ParseRect(value);
    float_pos_ = rc;
    fixed_.cx = std::max<LONG>(0, rc.right - rc.left);
    fixed_.cy = std::max<LONG>(0, rc.bottom - rc.top);
    NeedParentUpdate();
  } else if (name == L"padding") {
    SetPadding(ui::ParseRect(value));
  } else if (name == L"bkcolor" || name == L"bkcolor1") {
    if (ui::ParseColor(value, &color)) SetBkColor(color);
  } else if (name == L"bordercolor") {
    if (ui::ParseColor(value, &color)) SetBorderColor(color);
  } else if (name == L"bordersize") {
    SetBorderSize(ui::ParseInt(value));
  } else if (name == L"borderround") {
    SetBorderRound(ui::ParseSize(value));
  } else if (name == L"bkimage") {
    SetBkImage(value.c_str());
  } else if (name == L"width") {
    SetFixedWidth(ui::ParseInt(value));
  } else if (name == L"height") {
    SetFixedHeight(ui::ParseInt(value));
  } else if (name == L"minwidth") {
    SetMinWidth(ui::ParseInt(value));
  } else if (name == L"minheight") {
    SetMinHeight(ui::ParseInt(value));
  } else if (name == L"maxwidth") {
    SetMaxWidth(ui::ParseInt(value));
  } else if (name == L"maxheight") {
    SetMaxHeight(ui::ParseInt(value));
  } else if (name == L"name") {
    SetName(value.c_str());
  } else if (name == L"text") {
    SetText(value.c_str());
  } else if (name == L"tooltip") {
    SetToolTip(value.c_str());
  } else if (name == L"accessiblename") {
    SetAccessibleName(value.c_str());
  } else if (name == L"describedby") {
    SetDescribedBy(value.c_str());
  } else if (name == L"keyboard") {
    SetKeyboardEnabled(ui::ParseBool(value));
  } else if (name == L"userdata") {
    SetUserData(value.c_str());
  } else if (name == L"enabled") {
    SetEnabled(ui::ParseBool(value));
  } else if (name == L"mouse") {
    SetMouseEnabled(ui::ParseBool(value));
  } else if (name == L"visible") {
    SetVisible(ui::ParseBool(value));
  } else if (name == L"float") {
    // "true", or relative anchors ("0.5,0,0.5,0"), both float the control.
    SetFloat(value != L"false" && value != L"0" && !value.empty());
  } else if (name == L"font") {
    SetFont(ui::ParseInt(value, -1));
  } else if (name == L"textcolor") {
    if (ui::ParseColor(value, &color)) SetTextColor(color);
  } else if (name == L"disabledtextcolor") {
    if (ui::ParseColor(value, &color)) disabled_text_color_ = color;
  } else if (name == L"showhtml") {
    SetShowHtml(ui::ParseBool(value));
  } else if (name == L"textpadding") {
    SetTextPadding(ui::ParseRect(value));
  } else if (name == L"align") {
    // Horizontal alignment; "top"/"bottom"/"vcenter" are accepted here too.
    UINT style = text_style_;
    if (value.find(L"left") != std::wstring::npos) style &= ~(DT_CENTER | DT_RIGHT);
    if (value.find(L"center") != std::wstring::npos && value != L"vcenter")
      style = (style & ~(DT_RIGHT)) | DT_CENTER;
    if (value.find(L"right") != std::wstring::npos) style = (style & ~DT_CENTER) | DT_RIGHT;
    if (value.find(L"top") != std::wstring::npos) style &= ~(DT_VCENTER | DT_BOTTOM);
    if (value.find(L"bottom") != std::wstring::npos) style = (style & ~DT_VCENTER) | DT_BOTTOM;
    if (value == L"vcenter") style = (style & ~DT_BOTTOM) | DT_VCENTER;
    SetTextStyle(style);
  } else if (name == L"valign") {
    UINT style = text_style_ & ~(DT_VCENTER | DT_BOTTOM);
    if (value == L"vcenter" || value == L"center") style |= DT_VCENTER;
    if (value == L"bottom") style |= DT_BOTTOM;
    SetTextStyle(style);
  } else if (name == L"endellipsis") {
    SetTextStyle(ui::ParseBool(value) ? (text_style_ | DT_END_ELLIPSIS)
                                      : (text_style_ & ~DT_END_ELLIPSIS));
  } else if (name == L"pathellipsis") {
    SetTextStyle(ui::ParseBool(value) ? (text_style_ | DT_PATH_ELLIPSIS)
                                      : (text_style_ & ~DT_PATH_ELLIPSIS));
  } else if (name == L"multiline" || name == L"wordbreak") {
    SetTextStyle(ui::ParseBool(value) ? (text_style_ & ~DT_SINGLELINE)
                                      : (text_style_ | DT_SINGLELINE));
  }
}

void CControlUI::ApplyAttributeList(const wchar_t* list) {
  if (list == nullptr) return;
  for (const auto& [name, value] : ui::ParseAttributeList(list))
    SetAttribute(name.c_str(), value.c_str());
}

void CControlUI::Invalidate() {
  if (manager_ == nullptr) return;
  // A control that has its place redraws only that place: a change of one
  // row of a long list costs that row. One not laid out yet redraws all.
  if (rect_.right > rect_.left && rect_.bottom > rect_.top) {
    manager_->Invalidate(rect_, this);
  } else {
    manager_->Invalidate();
  }
}

void CControlUI::NeedUpdate() {
  if (manager_ != nullptr) manager_->NeedUpdate();
}

void CControlUI::NeedParentUpdate() { NeedUpdate(); }

CControlUI* CControlUI::FindControlAt(POINT pt, bool all) {
  if (!visible_) return nullptr;
  if (!all && !mouse_enabled_) return nullptr;
  if (pt.x < rect_.left || pt.x >= rect_.right || pt.y < rect_.top || pt.y >= rect_.bottom)
    return nullptr;
  return this;
}

CControlUI* CControlUI::FindControlByName(const wchar_t* name) {
  if (name != nullptr && name_ == name) return this;
  return nullptr;
}

void CControlUI::DoEvent(TEventUI& event) {
  // Wheel input goes up to the nearest container that scrolls.
  if (event.Type == UIEVENT_SCROLLWHEEL && parent_ != nullptr) parent_->DoEvent(event);
}

void CControlUI::SendNotify(const wchar_t* type, WPARAM wparam, LPARAM lparam) {
  if (manager_ != nullptr) manager_->SendNotify(this, type, wparam, lparam);
}

void CControlUI::DoPaint(_cairo* cr, const RECT& paint) {
  if (rect_.right <= paint.left || rect_.left >= paint.right || rect_.bottom <= paint.top ||
      rect_.top >= paint.bottom) {
    return;
  }
  PaintBkColor(cr);
  PaintBkImage(cr);
  PaintStatusImage(cr);
  PaintText(cr);
  PaintBorder(cr);
}

bool CControlUI::IsHighContrast() const {
  return manager_ != nullptr && manager_->IsHighContrast();
}

UIColor CControlUI::FillColor(UIColor color) const {
  if (!IsHighContrast() || (color >> 24) == 0) return color;
  const bool line = GetWidth() <= 2 || GetHeight() <= 2;
  return line ? manager_->GetInk() : manager_->GetGround();
}

UIColor CControlUI::InkColor(UIColor color, bool on_ink) const {
  if (!IsHighContrast()) return color;
  return on_ink ? manager_->GetGround() : manager_->GetInk();
}

void CControlUI::PaintBkColor(_cairo* cr) {
  ui::render::FillRect(cr, rect_, FillColor(bk_color_), border_round_);
}

void CControlUI::PaintBkImage(_cairo* cr) {
  // A button's image is an icon; any other control's a picture (a logo).
  if (!bk_image_.IsEmpty())
    DrawImage(cr, bk_image_, rect_, false, GetInterface(L"Button") == nullptr);
}

void CControlUI::PaintStatusImage(_cairo* /*cr*/) {}

void CControlUI::PaintText(_cairo* /*cr*/) {}

void CControlUI::PaintBorder(_cairo* cr) {
  ui::render::DrawBorder(cr, rect_, border_size_,
                         InkColor(border_color_ ? border_color_ : 0xFFD0D4DAu), border_round_);
}

bool CControlUI::DrawImage(_cairo* cr, const CDuiString& image, const RECT& rc, bool on_ink,
                           bool picture) {
  if (manager_ == nullptr || image.IsEmpty()) return false;
  ui::ImageSpec image_spec = ui::ParseImageSpec(image.str());
  _cairo_surface* surface = manager_->GetImage(image_spec.file);
  if (surface == nullptr) return false;
  ui::render::DrawImage(cr, surface, image_spec, rc,
                        IsHighContrast() && !picture ? InkColor(0, on_ink) : 0);
  return true;
}

void CControlUI::DrawText(_cairo* cr, const RECT& rc, const CDuiString& text, UIColor color,
                          bool on_ink) {
  if (manager_ == nullptr) return;
  if ((color >> 24) == 0) color = manager_->GetDefaultTextColor();
  if (!enabled_) color = disabled_text_color_ ? disabled_text_color_ : 0xFFA0A4AAu;
  color = InkColor(color, on_ink);
  RECT inner = rc;
  inner.left += text_padding_.left;
  inner.top += text_padding_.top;
  inner.right -= text_padding_.right;
  inner.bottom -= text_padding_.bottom;
  ui::FontSpec font = manager_->GetFont(font_);
  // A skin that keeps its geometry grows only its text.
  font.size = static_cast<int>(std::lround(font.size * manager_->GetFontScale()));
  ui::render::DrawText(cr, inner, text.str(), color, font, text_style_, show_html_,
                       IsHighContrast());
}
