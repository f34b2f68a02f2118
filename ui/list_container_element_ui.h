// CListContainerElementUI: one row of a list. It holds the row's controls
// like a plain container and highlights itself while the mouse is over it.
#pragma once

#include "ui/container_ui.h"

class CListContainerElementUI : public CContainerUI {
 public:
  const wchar_t* GetClass() const override;
  void* GetInterface(const wchar_t* name) override;
  void SetAttribute(const wchar_t* name, const wchar_t* value) override;
  bool IsFocusable() const override { return true; }

  UIColor GetHotBkColor() const { return hot_bk_color_; }
  void SetHotBkColor(UIColor color) {
    hot_bk_color_ = color;
    Invalidate();
  }
  UIColor GetLineColor() const { return line_color_; }
  void SetLineColor(UIColor color) {
    line_color_ = color;
    Invalidate();
  }

 protected:
  void PaintBkColor(_cairo* cr) override;

  UIColor hot_bk_color_ = 0;
  UIColor line_color_ = 0;
};
