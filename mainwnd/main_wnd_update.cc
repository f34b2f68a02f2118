// The main window's side of content updates: the check at start and the
// start-up worker that shows the update window before the first page.
#include <algorithm>
#include <utility>

#include "app/data_dir.h"
#include "mainwnd/main_wnd.h"
#include "platform/process_time.h"
#include "ui/window_styles.h"
#include "update/update_check.h"
#include "update/update_dialog.h"

namespace {

// The main window is on screen within 6 seconds of the program's start,
// whatever the update service does: the check gets what is left of this much
// time since the start (at most its own bound; a little even when the start
// was slow, so a service close by can still answer).
constexpr long kCheckDoneByMs = 5500;
constexpr long kLeastCheckMs = 500;

}  // namespace

bool CMainWnd::CheckUpdate(std::string& build, std::string& packageUrl) {
  const long left = kCheckDoneByMs - platform::ProcessAgeMs();
  return CheckForUpdate(g_strDataDir, build, packageUrl, std::max(left, kLeastCheckMs));
}

void CMainWnd::RunStartupUpdate(DownloadItem job, std::string build) {
  Sleep(1000);
  m_pUpdateDlg = nullptr;
  m_pUpdateDlg = new UpdateDialog(GetHWND(), std::move(job), std::move(build));
  m_pUpdateDlg->Create(GetHWND(), L"update_dialog", kDialogWindowStyle, 0, CW_USEDEFAULT,
                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT);
  m_pUpdateDlg->CenterWindow();
  m_pUpdateDlg->ShowModal();

  // The first page is chosen and loaded on the window's thread, in order with
  // documents that a second start hands over, so none of them is lost.
  SendMessage(kUpdateDoneMessage, 0, 0);
}

void CMainWnd::ShowFirstPageAfterUpdate() {
  if (!m_bFirstPagePending) return;
  m_bFirstPagePending = false;
  // Nothing of the old bundle has been shown while the update window was up,
  // so the page comes from what EditorDir holds now.
  ShowPage(m_strHandedDocPath.empty() ? StartUrl() : OfflineEditorUrl(m_strHandedDocPath));
}
