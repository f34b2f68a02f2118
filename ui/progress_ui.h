// CProgressUI: a horizontal bar between a minimum and a maximum. The part up
// to the value shows the fore image (stretched, honouring its corners) or
// the fore colour over the control's own background. Without a background
// of its own the bar is a rounded light track, and without borderround both
// track and filled part have round ends.
#pragma once

#include "ui/label_ui.h"

class CProgressUI : public CLabelUI {
 public:
  const wchar_t* GetClass() const override;
  void* GetInterface(const wchar_t* name) override;
  void SetAttribute(const wchar_t* name, const wchar_t* value) override;

  int GetMinValue() const { return min_value_; }
  void SetMinValue(int value);
  int GetMaxValue() const { return max_value_; }
  void SetMaxValue(int value);
  int GetValue() const { return value_; }
  void SetValue(int value);
  void SetForeImage(const wchar_t* image);
  void SetForeColor(UIColor color);
  // The width of the filled part for a bar width (value clamped to range).
  int FilledWidth(int width) const;

 protected:
  void PaintBkColor(_cairo* cr) override;
  void PaintStatusImage(_cairo* cr) override;
  SIZE Round(const RECT& rc) const;

  int min_value_ = 0;
  int max_value_ = 100;
  int value_ = 0;
  CDuiString fore_image_;
  UIColor fore_color_ = 0;
};
