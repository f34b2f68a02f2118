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

// The name: the skin's accessiblename (or one set in code: a download's row
// is named by its file and state) when given, else the visible text (without
// its markup), else the tooltip. A list row without one is named by its
// first label.
std::wstring NameOf(CControlUI* control);
// The description: the text of the control named by the skin's describedby
// (a status line), else the tooltip when it says more than the name, else,
// for a button of a list row, the row's name (the file that 重试 retries).
std::wstring DescriptionOf(CControlUI* control);

// Text as shown: showhtml markup removed, blanks at both ends trimmed.
std::wstring ShownText(const CControlUI* control);

// The presented controls directly below a control, in reading order: the
// shown descendants with a role, looking through those without one.
std::vector<CControlUI*> PresentedChildren(CControlUI* control);

}  // namespace ui::a11y
