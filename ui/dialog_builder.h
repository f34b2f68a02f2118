// CDialogBuilder: builds a window's control tree from an XML skin. The
// <Window> element carries the window's settings (size, mininfo, caption,
// sizebox, bkcolor); <Font> and <Default> elements define fonts and default
// attribute lists; the other elements are controls, nested as in the file.
// A skin that cannot be read or parsed yields no tree and an error text.
#pragma once

#include <string>

#include "ui/control_ui.h"
#include "ui/ui_interfaces.h"

class CPaintManagerUI;

class CDialogBuilder {
 public:
  // path: the skin file. manager receives the window settings and becomes
  // the tree's manager; callback (may be null) makes unknown elements.
  CControlUI* Create(const std::wstring& path, CPaintManagerUI* manager,
                     IDialogBuilderCallback* callback = nullptr);
  CControlUI* CreateFromString(const std::string& xml, CPaintManagerUI* manager,
                               IDialogBuilderCallback* callback = nullptr);

  // Why the last Create returned null ("" when it succeeded).
  const std::wstring& GetLastErrorText() const { return error_; }

  // A new control for an element name, or null for unknown names.
  static CControlUI* CreateControlByName(const std::wstring& name);

 private:
  std::wstring error_;
};
