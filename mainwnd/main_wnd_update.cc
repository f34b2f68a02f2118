// The main window's side of content updates: the check at start and the
// start-up worker that shows the update window before the first page.
#include "app/data_dir.h"
#include "mainwnd/main_wnd.h"
#include "update/update_check.h"
#include "update/update_dialog.h"

bool CMainWnd::CheckUpdate(std::string& build, std::string& packageUrl) {
  return CheckForUpdate(g_strDataDir, build, packageUrl);
}

void CMainWnd::RunStartupUpdate(DownloadItem job, std::string build) {
  Sleep(1000);
  m_pUpdateDlg = nullptr;
  m_pUpdateDlg = new UpdateDialog(GetHWND(), job, build);
  m_pUpdateDlg->Create(GetHWND(), L"update_dialog", 0x96C80000, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                       CW_USEDEFAULT, CW_USEDEFAULT);
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
