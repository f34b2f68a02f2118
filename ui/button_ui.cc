// Buttons: state tracking and the "click" notification.
#include "ui/button_ui.h"

#include "ui/attribute_parser.h"
#include "ui/paint_manager_ui.h"
#include "ui/render_engine.h"

CButtonUI::CButtonUI() {
  text_style_ = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  keyboard_ = true;
}

const wchar_t* CButtonUI::GetClass() const { return L"ButtonUI"; }

void* CButtonUI::GetInterface(const wchar_t* name) {
  if (name != nullptr && std::wstring(name) == L"Button") return this;
  return CLabelUI::GetInterface(name);
}

void CButtonUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
  if (name == nullptr || value == nullptr) return;
  std::wstring n = name;
  UIColor color = 0;
  if (n == L"normalimage")
    SetNormalImage(value);
  else if (n == L"hotimage")
    SetHotImage(value);
  else if (n == L"pushedimage")
    SetPushedImage(value);
  else if (n == L"disabledimage")
    disabled_image_ = value;
  else if (n == L"hotbkcolor") {
    if (ui::ParseColor(value, &color)) hot_bk_color_ = color;
  } else if (n == L"pushedbkcolor") {
    if (ui::ParseColor(value, &color)) pushed_bk_color_ = color;
  } else if (n == L"hottextcolor") {
    if (ui::ParseColor(value, &color)) hot_text_color_ = color;
  } else if (n == L"pushedtextcolor") {
    if (ui::ParseColor(value, &color)) pushed_text_color_ = color;
  } else
    CLabelUI::SetAttribute(name, value);
}

void CButtonUI::SetEnabled(bool enabled) {
  if (!enabled) hot_ = pushed_ = false;
  CLabelUI::SetEnabled(enabled);
}

bool CButtonUI::Activate() {
  if (!enabled_ || !IsShown()) return false;
  // Last: the click may close the window and delete this control.
  SendNotify(L"click");
  return true;
}

void CButtonUI::DoEvent(TEventUI& event) {
  if (!enabled_) {
    CLabelUI::DoEvent(event);
    return;
  }
  auto inside = [&](POINT pt) {
    return pt.x >= rect_.left && pt.x < rect_.right && pt.y >= rect_.top && pt.y < rect_.bottom;
  };
  switch (event.Type) {
    case UIEVENT_MOUSEENTER:
      hot_ = true;
      Invalidate();
      return;
    case UIEVENT_MOUSELEAVE:
      hot_ = false;
      Invalidate();
      return;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      pushed_ = true;
      inside_ = true;
      Invalidate();
      return;
    case UIEVENT_MOUSEMOVE:
      if (pushed_ && inside_ != inside(event.ptMouse)) {
        inside_ = !inside_;
        Invalidate();
      }
      return;
    case UIEVENT_BUTTONUP: {
      bool click = pushed_ && inside(event.ptMouse);
      pushed_ = false;
      inside_ = false;
      Invalidate();
      // Last: the click may close the window and delete this control.
      if (click) SendNotify(L"click");
      return;
    }
    default:
      CLabelUI::DoEvent(event);
  }
}

bool CButtonUI::ShowsStateColor() const {
  return (IsPushed() && pushed_bk_color_) || ((hot_ || IsPushed()) && hot_bk_color_);
}

void CButtonUI::PaintBkColor(_cairo* cr) {
  UIColor color = bk_color_;
  if (IsPushed() && pushed_bk_color_)
    color = pushed_bk_color_;
  else if ((hot_ || IsPushed()) && hot_bk_color_)
    color = hot_bk_color_;
  // High contrast: the button under the mouse is drawn in the ink colour.
  if (IsHighContrast()) color = ShowsStateColor() ? manager_->GetInk() : FillColor(bk_color_);
  ui::render::FillRect(cr, rect_, color, border_round_);
}

void CButtonUI::PaintStatusImage(_cairo* cr) {
  const bool on_ink = IsHighContrast() && ShowsStateColor();
  if (!enabled_ && !disabled_image_.IsEmpty() && DrawImage(cr, disabled_image_, rect_, on_ink))
    return;
  if (IsPushed() && !pushed_image_.IsEmpty() && DrawImage(cr, pushed_image_, rect_, on_ink)) return;
  if ((hot_ || IsPushed()) && !hot_image_.IsEmpty() && DrawImage(cr, hot_image_, rect_, on_ink))
    return;
  if (!normal_image_.IsEmpty()) DrawImage(cr, normal_image_, rect_, on_ink);
}

void CButtonUI::PaintText(_cairo* cr) {
  if (text_.IsEmpty()) return;
  UIColor color = text_color_;
  if (IsPushed() && pushed_text_color_)
    color = pushed_text_color_;
  else if ((hot_ || IsPushed()) && hot_text_color_)
    color = hot_text_color_;
  DrawText(cr, rect_, text_, color, IsHighContrast() && ShowsStateColor());
}

void CButtonUI::PaintBorder(_cairo* cr) {
  // High contrast: a button with text shows its edge, whatever fill it had.
  if (IsHighContrast() && border_size_ == 0 && !text_.IsEmpty()) {
    ui::render::DrawBorder(cr, rect_, 1, manager_->GetInk(), border_round_);
    return;
  }
  CLabelUI::PaintBorder(cr);
}
