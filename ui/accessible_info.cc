// Roles, names and the presented tree of a skin's controls.
#include "ui/accessible_info.h"

#include <pango/pango.h>

#include "platform/unicode_text.h"
#include "ui/container_ui.h"
#include "ui/control_ui.h"
#include "ui/paint_manager_ui.h"
#include "ui/render_engine.h"

namespace ui::a11y {
namespace {

bool Is(CControlUI* control, const wchar_t* kind) { return control->GetInterface(kind) != nullptr; }

std::wstring Trim(const std::wstring& text) {
  const wchar_t* blanks = L" \t\r\n\u3000";
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::wstring::npos) return std::wstring();
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The first label's text at or below a control, or "".
std::wstring FirstLabelText(CControlUI* control) {
  for (CControlUI* child : PresentedChildren(control)) {
    if (RoleOf(child) == Role::kLabel) return ShownText(child);
  }
  return std::wstring();
}

void CollectPresented(CControlUI* control, std::vector<CControlUI*>& out) {
  auto* container = static_cast<CContainerUI*>(control->GetInterface(L"Container"));
  if (container == nullptr) return;
  for (int i = 0; i < container->GetCount(); ++i) {
    CControlUI* child = container->GetItemAt(i);
    if (child == nullptr || !child->IsVisible()) continue;
    if (RoleOf(child) != Role::kNone) {
      out.push_back(child);
    } else {
      CollectPresented(child, out);
    }
  }
}

}  // namespace

std::wstring ShownText(const CControlUI* control) {
  const std::wstring text = control->GetText().str();
  if (!control->IsShowHtml()) return Trim(text);
  g_autofree char* plain = nullptr;
  const std::string markup = render::HtmlToMarkup(text);
  if (!pango_parse_markup(markup.c_str(), -1, 0, nullptr, &plain, nullptr, nullptr))
    return Trim(text);
  std::wstring result = Trim(platform::Utf8ToWide(plain));
  return result;
}

Role RoleOf(CControlUI* control) {
  if (control == nullptr) return Role::kNone;
  if (Is(control, L"Button")) return Role::kPushButton;
  if (Is(control, L"Progress")) return Role::kProgressBar;
  if (Is(control, L"List")) return Role::kList;
  if (Is(control, L"ListContainerElement")) return Role::kListItem;
  if (Is(control, L"Label")) {
    return ShownText(control).empty() && control->GetAccessibleName().IsEmpty() ? Role::kNone
                                                                                : Role::kLabel;
  }
  return Role::kNone;
}

std::wstring NameOf(CControlUI* control) {
  if (control == nullptr) return std::wstring();
  if (!control->GetAccessibleName().IsEmpty()) return control->GetAccessibleName().str();
  if (RoleOf(control) == Role::kListItem) return FirstLabelText(control);
  std::wstring text = ShownText(control);
  if (!text.empty()) return text;
  return Trim(control->GetToolTip().str());
}

std::wstring DescriptionOf(CControlUI* control) {
  if (control == nullptr) return std::wstring();
  if (!control->GetDescribedBy().IsEmpty() && control->GetManager() != nullptr) {
    CControlUI* by = control->GetManager()->FindControl(control->GetDescribedBy());
    if (by != nullptr && by->IsShown()) return ShownText(by);
  }
  const std::wstring tip = Trim(control->GetToolTip().str());
  if (!tip.empty()) return tip == NameOf(control) ? std::wstring() : tip;
  // A button of a list row belongs to the row's item: "重试" of b.pdf.
  if (RoleOf(control) == Role::kPushButton) {
    for (CControlUI* c = control->GetParent(); c != nullptr; c = c->GetParent()) {
      if (RoleOf(c) == Role::kListItem) return NameOf(c);
    }
  }
  return std::wstring();
}

std::vector<CControlUI*> PresentedChildren(CControlUI* control) {
  std::vector<CControlUI*> out;
  if (control != nullptr) CollectPresented(control, out);
  return out;
}

}  // namespace ui::a11y
