// The accessible object of one presented control of a skin (see
// accessible_info.h): an AtkObject with the interfaces its role needs, its
// extents for all, the "click" action for buttons, the value for progress
// bars, the text for labels. The skin area's objects (skin_accessible.cc)
// make them and keep them up to date. Internal to the toolkit; main thread
// only.
#pragma once

#include <atk/atk.h>

#include <string>
#include <vector>

#include "platform/windows.h"
#include "ui/accessible_info.h"

struct _GtkWidget;
class CControlUI;

namespace ui {

// What a control's object asks of the skin it belongs to.
class ControlOwner {
 public:
  // The drawing area of the skin (for the extents), and its window pixels
  // to one layout pixel.
  virtual _GtkWidget* Area() const = 0;
  virtual double Zoom() const = 0;
  // The control's states: bits in the order of kControlStates.
  virtual unsigned StatesOf(CControlUI* control) const = 0;

 protected:
  ~ControlOwner() = default;
};

inline constexpr AtkStateType kControlStates[] = {
    ATK_STATE_VISIBLE,   ATK_STATE_SHOWING, ATK_STATE_ENABLED, ATK_STATE_SENSITIVE,
    ATK_STATE_FOCUSABLE, ATK_STATE_FOCUSED, ATK_STATE_PRESSED};

// What one control's object knows, and what it last told.
struct ControlNode {
  CControlUI* control = nullptr;  // null once the control is gone
  ControlOwner* owner = nullptr;  // null once the object is defunct
  a11y::Role role = a11y::Role::kNone;
  std::vector<AtkObject*> children;  // held by the owner
  std::string reply;                 // the last string handed out
  bool told = false;                 // the values below were told
  std::string name, description;
  std::wstring text;
  int value = 0;
  RECT rect;
  unsigned states = 0;
  bool focus_told = false;     // the focus state last told
  long long text_told_at = 0;  // when a name or description change was last told (us)
};

// A new object (one reference) for a control with a role.
AtkObject* NewControlAccessible(CControlUI* control, ControlOwner* owner);
// The node of a control's object, or null for any other object.
ControlNode* ControlNodeOf(AtkObject* object);

}  // namespace ui
