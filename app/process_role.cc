// Process-role dispatch.
#include "app/process_role.h"

ProcessRole GetProcessRole(CefRefPtr<CefCommandLine> command_line) {
  if (!command_line->HasSwitch("type")) return ProcessRole::kBrowser;
  if (command_line->GetSwitchValue("type").ToString() == "renderer") return ProcessRole::kRenderer;
  return ProcessRole::kOther;
}
