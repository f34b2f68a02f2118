// CListUI: the list container. Rows (usually CListContainerElementUI) are
// stacked from the top at their own heights and the list scrolls when they
// do not fit. itemhotbkcolor and itemlinecolor style the rows added to it.
#pragma once

#include "ui/vertical_layout_ui.h"

class CListUI : public CVerticalLayoutUI {
 public:
  CListUI();

  const wchar_t* GetClass() const override;
  void* GetInterface(const wchar_t* name) override;
  void SetAttribute(const wchar_t* name, const wchar_t* value) override;
  bool IsFocusable() const override { return true; }
  bool AddAt(CControlUI* control, int index) override;

 private:
  UIColor item_hot_bk_color_ = 0;
  UIColor item_line_color_ = 0;
};
