// CHorizontalLayoutUI: places its children from left to right. Fixed widths
// are kept, flexible children share the rest; hidden and floating children
// take no room. Heights fill the inner area (or the child's fixed height,
// limited by its minimum and maximum); a child lower than the layout is
// centred vertically.
#pragma once

#include "ui/container_ui.h"

class CHorizontalLayoutUI : public CContainerUI {
 public:
  const wchar_t* GetClass() const override;
  void* GetInterface(const wchar_t* name) override;
  void SetPos(RECT rc) override;
};
