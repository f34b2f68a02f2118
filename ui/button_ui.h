// CButtonUI: a label that reacts to the mouse. It looks hot while the mouse
// is over it and pushed while pressed, and sends "click" when the button is
// released over it after being pressed on it.
#pragma once

#include "ui/label_ui.h"

class CButtonUI : public CLabelUI {
 public:
  CButtonUI();

  const wchar_t* GetClass() const override;
  void* GetInterface(const wchar_t* name) override;
  void SetAttribute(const wchar_t* name, const wchar_t* value) override;
  void DoEvent(TEventUI& event) override;
  void SetEnabled(bool enabled = true) override;
  // Sends "click", as a click with the mouse does.
  bool Activate() override;

  void SetNormalImage(const wchar_t* image) {
    normal_image_ = image;
    Invalidate();
  }
  void SetHotImage(const wchar_t* image) {
    hot_image_ = image;
    Invalidate();
  }
  void SetPushedImage(const wchar_t* image) {
    pushed_image_ = image;
    Invalidate();
  }
  bool IsPushed() const { return pushed_ && inside_; }

 protected:
  void PaintBkColor(_cairo* cr) override;
  void PaintStatusImage(_cairo* cr) override;
  void PaintText(_cairo* cr) override;
  void PaintBorder(_cairo* cr) override;
  // Whether the button is drawn in its mouse-over or pressed colour now.
  bool ShowsStateColor() const;

  bool hot_ = false;
  bool pushed_ = false;
  bool inside_ = false;
  CDuiString normal_image_, hot_image_, pushed_image_, disabled_image_;
  UIColor hot_bk_color_ = 0, pushed_bk_color_ = 0, hot_text_color_ = 0, pushed_text_color_ = 0;
};
