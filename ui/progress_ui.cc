// The progress bar.
#include "ui/progress_ui.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "ui/attribute_parser.h"
#include "ui/paint_manager_ui.h"
#include "ui/render_engine.h"

const wchar_t* CProgressUI::GetClass() const { return L"ProgressUI"; }

void* CProgressUI::GetInterface(const wchar_t* name) {
  if (name != nullptr && std::wstring(name) == L"Progress") return this;
  return CLabelUI::GetInterface(name);
}

void CProgressUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
  if (name == nullptr || value == nullptr) return;
  std::wstring n = name;
  UIColor color = 0;
  if (n == L"foreimage")
    SetForeImage(value);
  else if (n == L"forecolor") {
    if (ui::ParseColor(value, &color)) SetForeColor(color);
  } else if (n == L"min")
    SetMinValue(ui::ParseInt(value));
  else if (n == L"max")
    SetMaxValue(ui::ParseInt(value));
  else if (n == L"value")
    SetValue(ui::ParseInt(value));
  else
    CLabelUI::SetAttribute(name, value);
}

void CProgressUI::SetMinValue(int value) {
  min_value_ = value;
  Invalidate();
}
void CProgressUI::SetMaxValue(int value) {
  max_value_ = value;
  Invalidate();
}
void CProgressUI::SetValue(int value) {
  if (value_ == value) return;
  value_ = value;
  Invalidate();
}
void CProgressUI::SetForeImage(const wchar_t* image) {
  fore_image_ = image;
  Invalidate();
}
void CProgressUI::SetForeColor(UIColor color) {
  fore_color_ = color;
  Invalidate();
}

int CProgressUI::FilledWidth(int width) const {
  if (max_value_ <= min_value_ || width <= 0) return 0;
  long long v = std::clamp(value_, min_value_, max_value_) - static_cast<long long>(min_value_);
  long long range = static_cast<long long>(max_value_) - min_value_;
  return static_cast<int>(v * width / range);
}

SIZE CProgressUI::Round(const RECT& rc) const {
  if (border_round_.cx > 0 || border_round_.cy > 0) return border_round_;
  int h = rc.bottom - rc.top;
  return {h, h};
}

void CProgressUI::PaintBkColor(_cairo* cr) {
  if (IsHighContrast()) {
    // The track's edge in the ink colour; the filled part is the ink.
    ui::render::FillRect(cr, rect_, manager_->GetGround(), Round(rect_));
    ui::render::DrawBorder(cr, rect_, 1, manager_->GetInk(), Round(rect_));
    return;
  }
  if (bk_color_ == 0 && bk_image_.IsEmpty()) {
    ui::render::FillRect(cr, rect_, 0xFFE5E9F0u, Round(rect_));
    return;
  }
  ui::render::FillRect(cr, rect_, bk_color_, border_round_);
}

void CProgressUI::PaintStatusImage(_cairo* cr) {
  int filled = FilledWidth(GetWidth());
  if (filled <= 0) return;
  RECT rc = rect_;
  rc.right = rc.left + filled;
  // The filled part keeps the bar's round ends: clip to its rounded shape.
  SIZE round = Round(rect_);
  double r = std::min({round.cx / 2.0, filled / 2.0, GetHeight() / 2.0});
  cairo_save(cr);
  double x = rc.left, y = rc.top, w = filled, h = GetHeight();
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
  cairo_clip(cr);
  if (fore_image_.IsEmpty() || !DrawImage(cr, fore_image_, rc)) {
    ui::render::FillRect(cr, rc, InkColor(fore_color_ ? fore_color_ : 0xFF2F6FEDu), {0, 0});
  }
  cairo_restore(cr);
}
