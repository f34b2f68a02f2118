// CContainerUI: a control that holds and owns child controls. The plain
// container gives every child its whole inner area (inside the inset and the
// child's padding); the layouts derived from it stack their children.
#pragma once

#include <vector>

#include "ui/control_ui.h"

class CContainerUI : public CControlUI {
 public:
  CContainerUI();
  ~CContainerUI() override;

  const wchar_t* GetClass() const override;
  void* GetInterface(const wchar_t* name) override;

  // Children: the container owns them and deletes them when removed.
  virtual bool Add(CControlUI* control);
  virtual bool AddAt(CControlUI* control, int index);
  virtual bool Remove(CControlUI* control);
  virtual bool RemoveAt(int index);
  virtual void RemoveAll();
  int GetCount() const { return static_cast<int>(items_.size()); }
  CControlUI* GetItemAt(int index) const;
  // A descendant with that name (the container itself is not searched), or
  // null.
  CControlUI* FindSubControl(const wchar_t* name);

  RECT GetInset() const { return inset_; }
  void SetInset(RECT rc);
  int GetChildPadding() const { return child_padding_; }
  void SetChildPadding(int padding);
  void SetMouseChildEnabled(bool on) { mouse_child_enabled_ = on; }

  void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
  void SetPos(RECT rc) override;
  void SetAttribute(const wchar_t* name, const wchar_t* value) override;
  CControlUI* FindControlAt(POINT pt, bool all = false) override;
  CControlUI* FindControlByName(const wchar_t* name) override;
  void DoPaint(_cairo* cr, const RECT& paint) override;

 protected:
  RECT InnerRect() const;
  // Places a floating child by its pos relative to this container.
  void PlaceFloat(CControlUI* child);
  // Places the visible floating children and returns the other visible ones,
  // in order: those a layout lines up.
  std::vector<CControlUI*> PlaceFloatsAndListFlow();
  // The area children are drawn in and hit in (the inner rect for
  // scrolling layouts, the whole rect otherwise).
  virtual RECT ClipRect() const { return rect_; }
  virtual void PaintOverlay(_cairo* /*cr*/) {}
  // Draws the visible children in paint, in order.
  virtual void PaintChildren(_cairo* cr, const RECT& paint);

  std::vector<CControlUI*> items_;
  RECT inset_;
  int child_padding_ = 0;
  bool mouse_child_enabled_ = true;
};

namespace ui {

// One child's request along a layout's main axis.
struct AxisItem {
  int fixed = 0;  // 0: flexible
  int min = 0;
  int max = 9999;
  int size = 0;  // out
};

// Gives fixed items their size (clamped to min/max) and shares what is left
// of room among the flexible ones, again clamped; an item clamped by its
// limits gives the difference back to the others. Sizes never go below 0.
void DistributeAxis(std::vector<AxisItem>& items, int room);

}  // namespace ui
