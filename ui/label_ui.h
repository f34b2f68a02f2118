// CLabelUI: a control that shows text (plain, or with <b> and friends when
// showhtml is set), aligned by its align attribute, over its background.
#pragma once

#include "ui/control_ui.h"

class CLabelUI : public CControlUI {
 public:
  const wchar_t* GetClass() const override;
  void* GetInterface(const wchar_t* name) override;

 protected:
  void PaintText(_cairo* cr) override;
};
