// The main window's side of content updates: the start-up worker, which runs
// the check at start while the window is on screen and shows the update
// window before the first page.
#include <algorithm>
#include <utility>

#include "app/data_dir.h"
#include "app/locations.h"
#include "mainwnd/main_wnd.h"
#include "platform/log.h"
#include "platform/process_time.h"
#include "ui/window_styles.h"
#include "update/update_check.h"
#include "update/update_dialog.h"
#include "update/work_files.h"
#include "util/text_convert.h"
#include "util/url_escape.h"

namespace {

// The first page shows within 6 seconds of the program's start, whatever
// the update service does: the check gets what is left of this much time
// since the start (at most its own bound; a little even when the start was
// slow, so a service close by can still answer).
constexpr long kCheckDoneByMs = 5500;
constexpr long kLeastCheckMs = 500;

// What the page area shows while a check takes longer than a second: a
// quiet page, white like the empty page before it, that says so. Nothing of
// the bundle, and no page of the client's own.
std::wstring CheckingPageUrl() {
  const std::string html =
      "<!DOCTYPE html><html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
      "<title>正在检查更新…</title></head>"
      "<body style=\"margin:0;background:#fff;color:#6b7280;font-family:sans-serif\">"
      "<p role=\"status\" style=\"margin:40vh 0 0;text-align:center\">正在检查更新…</p>"
      "</body></html>";
  std::wstring url;
  AnsiToWide("data:text/html;charset=utf-8," + UrlEscape(html), url);
  return url;
}

}  // namespace

bool CMainWnd::CheckUpdate(std::string& build, std::string& packageUrl) {
  const long left = kCheckDoneByMs - platform::ProcessAgeMs();
  return CheckForUpdate(g_strDataDir, build, packageUrl, std::max(left, kLeastCheckMs));
}

void CMainWnd::RunStartupCheck() {
  // Scratch files of earlier runs that died (a reply, an archive, a staging
  // directory) go first; those of a client working right now stay.
  platform::LogStartStep("start-up worker runs");
  const std::string data_dir = GetDataDirA();
  RemoveStaleWorkFiles(data_dir);
  std::string build, packageUrl;
  bool update_pending = false;
  {
    DataDirWork work(data_dir);
    // A first start has no page bundle yet: install the one shipped with the
    // client, so there is a page to show even before the first update.
    InstallOwnPages();
    platform::LogStartStep("own pages in place; update check asks");
    update_pending = CheckUpdate(build, packageUrl);
  }
  platform::LogStartStep("update check ended");
  PostMessage(kCheckDoneMessage, update_pending ? 1 : 0, 0);
  if (!update_pending) return;
  DownloadItem job;
  job.path = g_strDataDir + kBundleArchive;
  AnsiToWide(packageUrl, job.url);
  job.name = kBundleJobName;
  RunStartupUpdate(std::move(job), std::move(build));
}

void CMainWnd::OnStartupCheckDone(bool update_pending) {
  m_bChecking = false;
  KillTimer(GetHWND(), kCheckingTimer);
  platform::Log("main window: update check done after %ld ms%s", platform::ProcessAgeMs(),
                update_pending ? "; an update is pending" : "");
  platform::LogStartStep(update_pending ? "main window told of the check: an update is pending"
                                        : "main window told of the check; first page asked for");
  // With an update the first page waits for the update window; the page
  // area goes quiet again meanwhile.
  if (update_pending) {
    ShowPage(std::wstring());
  } else {
    ShowFirstPageAfterUpdate();
  }
}

void CMainWnd::OnCheckingTimer() {
  KillTimer(GetHWND(), kCheckingTimer);
  if (m_bChecking) ShowPage(CheckingPageUrl());
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
  ShowPage(m_strPendingPage.empty() ? StartUrl() : m_strPendingPage);
}
