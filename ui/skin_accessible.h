// The drawing area a window's skin is painted in, and what screen readers
// meet there: the area's accessible object (a redundant object, which screen
// readers pass over, never reported as focused) has one accessible
// object per presented control (accessible_info.h) as its children, with
// their roles, names, states, extents, the "click" action of buttons, the
// values of progress bars and the text of labels, and tells the assistive
// technologies of every change (names and texts, values, states, rows added
// or removed, the keyboard focus). Main thread only.
#pragma once

struct _GtkWidget;
class CControlUI;

namespace ui {

class WindowHost;
class SkinAccessibility;

// A new drawing area for host's skin (a floating reference, as GTK's
// constructors give).
_GtkWidget* NewSkinArea(WindowHost* host);

// The accessible side of one skin area; it exists only while assistive
// technologies look at the window (GTK creates the area's accessible object
// on their first question).
class SkinAccessibility {
 public:
  virtual ~SkinAccessibility() = default;
  // The controls may have changed (all of them, or, with a control, only
  // that control's looks or text): the objects catch up from the loop.
  virtual void Changed(CControlUI* control = nullptr) = 0;
  // The control is being deleted: its object goes (and is defunct).
  virtual void Forget(CControlUI* control) = 0;
  // The focus moved between the window's controls (either may be null): the
  // objects tell it at once.
  virtual void FocusMoved(CControlUI* from, CControlUI* to) = 0;
  // The window's controls are going all at once.
  virtual void Reset() = 0;
  // The window is going: the objects are defunct and hear of it no more.
  virtual void Detach() = 0;
};

}  // namespace ui
