// The main window's side of content updates: the check at start and the
// start-up worker that shows the update window before the first page.
#include "app/data_dir.h"
#include "engine/cef_browser.h"
#include "engine/cef_frame.h"
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

  const std::wstring url = StartUrl();
  CefRefPtr<CefBrowser> browser = m_handler->GetBrowser();
  if (!browser) {
    // The browser is not there yet: the client loads the start page as soon
    // as it is. Should it have appeared meanwhile, load it here as well.
    m_handler->SetUrl(url);
    browser = m_handler->GetBrowser();
  }
  if (browser) browser->GetMainFrame()->LoadURL(url);
}
