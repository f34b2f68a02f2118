// What screen readers are told about the controls of a skin, worked out from
// the control tree alone: which controls they meet and in what order, each
// one's role and name. The ATK objects (skin_accessible.h) present this.
#pragma once

#include <string>
#include <vector>

class CControlUI;

namespace ui::a11y {

enum class Role {
  kNone,  // not presented: layout, decoration; its children are lifted up
  kPushButton,
  kLabel,
  kProgressBar,
  kList,
  kListItem,
};

// The role of a control by its kind. Buttons are push buttons, labels with
// text are labels (a label without text is a picture for decoration),
// progress controls progress bars, lists and their rows lists and list
// items; containers and plain controls are left out.
Role RoleOf(CControlUI* control);

// The name: the skin's accessiblename when given, else the visible text
// (without its markup), else the tooltip. A list row is named by its first
// label (a download's row by the file's name).
std::wstring NameOf(CControlUI* control);
// The tooltip when it says more than the name, else "".
std::wstring DescriptionOf(CControlUI* control);

// Text as shown: showhtml markup removed, blanks at both ends trimmed.
std::wstring ShownText(const CControlUI* control);

// The presented controls directly below a control, in reading order: the
// shown descendants with a role, looking through those without one.
std::vector<CControlUI*> PresentedChildren(CControlUI* control);

}  // namespace ui::a11y
