// What the main window does for page commands (bridge messages), dropped
// files and the full-screen state.
#include <cstdint>

#include "app/data_dir.h"
#include "app/locations.h"
#include "bridge/bridge_message.h"
#include "download/download_dialog.h"
#include "engine/cef_browser.h"
#include "engine/cef_browser_host.h"
#include "mainwnd/file_dialogs.h"
#include "mainwnd/main_wnd.h"
#include "mainwnd/second_start.h"
#include "platform/copydata_channel.h"
#include "platform/log.h"
#include "platform/main_thread.h"
#include "platform/recent_documents.h"
#include "platform/startup_notification.h"
#include "ui/window_styles.h"
#include "util/online_probe.h"
#include "util/url_escape.h"

namespace {

// The text after the last separator, or all of it when there is none.
std::wstring AfterLast(const std::wstring& text, wchar_t separator) {
  size_t pos = text.rfind(separator);
  return pos == std::wstring::npos ? text : text.substr(pos + 1);
}

}  // namespace

namespace {

// A page command is carried out only for a page of the client's own, as this
// process knows it: any other process, or a web process that shows another
// page, gets nothing done and one line in the log.
bool IsFromOwnPage(SimpleHandler& handler, unsigned long kind) {
  const char* why = nullptr;
  if (handler.IsPageCommandFromOwnPage(&why)) return true;
  platform::LogWarning("main window: page command %lu refused: %s", kind, why);
  return false;
}

}  // namespace

// The page's web process waits for each page command until it has been
// served, a dialog of it included: not answering meanwhile, it is not hung.
class CMainWnd::ServingPage {
 public:
  explicit ServingPage(PageHangWatch& watch) : watch_(watch) { watch_.ServingBegins(); }
  ~ServingPage() { watch_.ServingEnds(PageHangWatch::Clock::now()); }
  ServingPage(const ServingPage&) = delete;
  ServingPage& operator=(const ServingPage&) = delete;

 private:
  PageHangWatch& watch_;
};

void CMainWnd::OnCopyData(WPARAM kind, const COPYDATASTRUCT* record) {
  if (record == nullptr) return;
  if (!IsFromOwnPage(*m_handler, static_cast<unsigned long>(kind))) return;
  const ServingPage serving(m_hangWatch);
  std::int32_t value = 0;
  switch (kind) {
    case BRIDGE_DOWNLOAD_LINK:
      StartLinkDownload(DecodeText(record), true);
      break;
    case BRIDGE_INSTRUCTION_LINK:
      StartLinkDownload(DecodeText(record), false);
      break;
    case BRIDGE_WINDOW_STATUS:
      if (DecodeInt(record, &value) && (value == 0 || value == 1)) SetFullScreen(value == 1);
      break;
    case BRIDGE_OPEN_FILE_DIALOG:
      if (DecodeInt(record, &value) && value == 1) OpenDocumentFromDialog();
      break;
    case BRIDGE_GO_BACK:
      if (DecodeInt(record, &value) && value == 1) LoadInBrowser(StartPageUrl());
      break;
    default:
      break;
  }
}

void CMainWnd::OpenDocumentFromDialog() {
  const std::wstring chosen = ShowOpenFileDialog().GetData();
  if (chosen.empty()) return;
  platform::AddRecentDocument(chosen);
  LoadInBrowser(OfflineEditorUrl(chosen));
}

LRESULT CMainWnd::OnOnlineQuery() {
  if (!IsFromOwnPage(*m_handler, kOnlineQueryMessage)) return 0;
  const ServingPage serving(m_hangWatch);
  bool online = false;
  const std::string host = ReadProbeHost(GetDataDirA() + kVersionFileA);
  platform::RunWhileServingLoop([&online, &host] { online = IsOnline(host); });
  return online ? 1 : 0;
}

// Answers 1 only when the document will be shown (or, for an empty path, the
// window came to the front); 0 makes the second start open a window itself.
LRESULT CMainWnd::OnOpenDocument(const COPYDATASTRUCT* record) {
  if (record == nullptr || m_bClosing) return 0;
  // Only a new start of the client hands a document over. The web processes'
  // route is reachable from inside their sandbox, where a page that broke out
  // of its engine could name any file for the editor to read.
  const platform::channel::MessageSender* sender = platform::channel::CurrentMessageSender();
  if (sender != nullptr && sender->route != platform::channel::Route::kUserProcesses) {
    platform::LogWarning("main window: a document handed over by a web process is refused");
    return 0;
  }
  const std::wstring path = DecodeText(record);
  // A relative path would name another file here than where it was typed.
  if (!path.empty() && path[0] != L'/') return 0;
  if (!path.empty()) {
    platform::AddRecentDocument(path);
    if (m_bFirstPagePending) {
      // The update check runs or the update window is up: the document
      // becomes the first page, shown from the newly installed bundle once
      // that is over.
      m_strPendingPage = OfflineEditorUrl(path);
    } else {
      ShowPage(OfflineEditorUrl(path));
    }
  }
  // Come to the front (a minimised window is shown again), with the second
  // start's launcher id where it had one: desktops raise a window only for a
  // start the user asked for.
  platform::ActivateWindowWithStartupId(GetHWND(), HandOffStartupId(record));
  return 1;
}

void CMainWnd::StartLinkDownload(const std::wstring& url, bool decode_name) {
  std::wstring link_name = AfterLast(url, L'/');
  if (decode_name) link_name = UrlDecodeToWide(link_name);
  std::wstring chosen = ShowSaveFileDialog(link_name.c_str()).GetData();
  if (chosen.empty()) return;

  DownloadItem job;
  job.path = chosen;
  job.url = url;
  job.name = decode_name ? AfterLast(chosen, L'/') : link_name;
  if (m_pDownloadDlg == nullptr) return;  // the main window is closing
  // A download window ended with its own close button is created anew by
  // AddDownload, with the rows of the earlier jobs; it is shown once it exists.
  const bool was_alive = m_pDownloadDlg->IsAlive();
  m_pDownloadDlg->ShowWindow(true, true);
  m_pDownloadDlg->AddDownload(job);
  if (!was_alive) m_pDownloadDlg->ShowWindow(true, true);
}

void CMainWnd::ShowDownloadList() {
  if (m_pDownloadDlg != nullptr) m_pDownloadDlg->ShowList();
}

void CMainWnd::OnDropFiles(HDROP drop) {
  UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  if (count == 0) return;
  // The whole path of the first file, however long it is.
  const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
  if (length == 0) return;
  std::wstring path(length + 1, L'\0');
  path.resize(DragQueryFileW(drop, 0, path.data(), length + 1));
  if (path.empty()) return;
  platform::AddRecentDocument(path);
  // Loaded as a file: a '?' or '#' in its name is part of the name, not a
  // query or a fragment.
  LoadInBrowser(path[0] == L'/' ? FilePathToUrl(path) : path);
}

void CMainWnd::SetFullScreen(bool on) {
  HWND main = GetHWND();
  if (on) {
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    LONG style = GetWindowLongW(main, GWL_STYLE);
    style = static_cast<LONG>((static_cast<DWORD>(style) & kFullScreenKeepMask) | WS_POPUP);
    SetWindowLongW(main, GWL_STYLE, style);
    SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
    SetWindowPos(main, HWND_NOTOPMOST, 0, 0, desktop.right, desktop.bottom,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    CefRefPtr<CefBrowser> browser = m_handler->GetBrowser();
    if (browser) {
      MoveWindow(browser->GetHost()->GetWindowHandle(), 0, 0, desktop.right, desktop.bottom, TRUE);
    }
  } else {
    LONG style = GetWindowLongW(main, GWL_STYLE);
    style = static_cast<LONG>((static_cast<DWORD>(style) & kFramedKeepMask) | kFrameWindowStyle);
    SetWindowLongW(main, GWL_STYLE, style);
    SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  }
}
