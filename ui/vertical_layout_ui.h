// CVerticalLayoutUI: stacks its children from top to bottom. Fixed heights
// are kept, flexible children share the rest; hidden and floating children
// take no room. Widths fill the inner area (or the child's fixed width),
// aligned left. With vscrollbar="true" the content may be taller than the
// layout and scrolls with the wheel; the scroll bar then takes a strip at the
// right edge, which the children leave free.
#pragma once

#include "ui/container_ui.h"

class CVerticalLayoutUI : public CContainerUI {
 public:
  const wchar_t* GetClass() const override;
  void* GetInterface(const wchar_t* name) override;

  void SetPos(RECT rc) override;
  void SetAttribute(const wchar_t* name, const wchar_t* value) override;
  void DoEvent(TEventUI& event) override;

  void EnableScrollBar(bool vertical = true);
  bool IsScrollEnabled() const { return scroll_enabled_; }
  int GetScrollPos() const { return scroll_pos_; }
  int GetScrollRange() const { return scroll_range_; }
  void SetScrollPos(int pos);
  // Scrolls, at the next layout, just far enough for child (one of this
  // layout's own) to be wholly in view, unless SetScrollPos comes first.
  void EnsureVisible(CControlUI* child);
  bool Remove(CControlUI* control) override;
  void RemoveAll() override;

  // The width of the scroll bar's strip.
  static constexpr int kScrollBarRoom = 10;

 protected:
  RECT ClipRect() const override;
  void PaintOverlay(_cairo* cr) override;
  // Only the children whose rows meet paint: a long list redraws one row
  // without a look at every other.
  void PaintChildren(_cairo* cr, const RECT& paint) override;

  bool scroll_enabled_ = false;
  int scroll_pos_ = 0;
  int scroll_range_ = 0;
  CControlUI* show_child_ = nullptr;  // to be scrolled into view at the next layout

 private:
  // The children as the last layout stacked them, top to bottom, when none
  // floats and each row starts and ends no higher than the one before;
  // otherwise empty, and every child is looked at. Every change of the
  // children asks for a layout, which the window makes before it draws, and
  // a removed child leaves it at once.
  std::vector<CControlUI*> stacked_;
};
