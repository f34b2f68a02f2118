// The main window's frame: its start-up sequence, the browser child kept
// fitted to the client area, and the close sequence.
#include "mainwnd/main_wnd.h"

#include <chrono>
#include <thread>

#include "app/data_dir.h"
#include "app/engine_settings.h"
#include "app/locations.h"
#include "download/download_dialog.h"
#include "engine/cef_browser.h"
#include "engine/cef_browser_host.h"
#include "engine/cef_browser_settings.h"
#include "engine/cef_frame.h"
#include "engine/cef_window_info.h"
#include "mainwnd/browser_geometry.h"
#include "mainwnd/default_bundle.h"
#include "mainwnd/page_zoom.h"
#include "mainwnd/window_placement.h"
#include "platform/display.h"
#include "platform/recent_documents.h"
#include "ui/window_styles.h"
#include "update/work_files.h"
#include "util/url_escape.h"

namespace {

constexpr std::chrono::milliseconds kDownloadStopWait{2000};

}  // namespace

CMainWnd::CMainWnd(const std::wstring& doc_path)
    : m_strDocPath(doc_path), m_handler(new SimpleHandler()) {}

CMainWnd::~CMainWnd() { m_handler = nullptr; }

const wchar_t* CMainWnd::GetWindowClassName() const { return kMainWndClass; }
UINT CMainWnd::GetClassStyle() const { return CS_DBLCLKS; }
CDuiString CMainWnd::GetSkinFolder() { return L"Skin/"; }
CDuiString CMainWnd::GetSkinFile() { return L"MainWnd.xml"; }
LRESULT CMainWnd::ResponseDefaultKeyEvent(WPARAM /*wParam*/) { return 0; }
CControlUI* CMainWnd::GetInitialFocus() { return nullptr; }
UILIB_RESOURCETYPE CMainWnd::GetResourceType() const { return UILIB_FILE; }
CDuiString CMainWnd::GetZIPFileName() const { return L""; }

std::wstring CMainWnd::StartUrl() const {
  return m_strDocPath.empty() ? StartPageUrl() : OfflineEditorUrl(m_strDocPath);
}

std::wstring CMainWnd::StartPageUrl() { return g_strDataDir + kStartPage; }

std::wstring CMainWnd::OfflineEditorUrl(const std::wstring& document_path) {
  return g_strDataDir + kOfflineEditorPrefix + EscapeDocumentPath(document_path);
}

void CMainWnd::InitWindow() {
  g_strDataDir = GetDataDir();

  m_pCloseBtn = m_PaintManager.FindControl(L"btn_close");
  if (m_pCloseBtn) m_pCloseBtn->OnNotify += MakeDelegate(this, &CMainWnd::OnCloseButton);

  // The window comes on screen at once: putting the client's own pages in
  // place and the update check run on the start-up worker meanwhile. No
  // page of the bundle shows before the check has ended; the browser shows
  // an empty page until then (OnStartupCheckDone).
  m_bFirstPagePending = true;
  m_bChecking = true;
  std::thread(&CMainWnd::RunStartupCheck, this).detach();
  SetTimer(GetHWND(), kCheckingTimer, 1000, nullptr);
  if (!m_strDocPath.empty()) platform::AddRecentDocument(m_strDocPath);
  m_handler->SetErrorPageActions(this);
  m_handler->SetPageHangListener(this);
  m_handler->SetUrl(std::wstring());

  RECT client{};
  GetClientRect(GetHWND(), &client);
  RECT child{client.left + 1, client.top + 24, client.right - 1, client.bottom - 1};
  CefWindowInfo window_info;
  window_info.SetAsChild(GetHWND(), child);
  CefBrowserSettings settings;
  FillBrowserSettings(settings);
  CefBrowserHost::CreateBrowser(window_info, m_handler.get(), L"", settings, nullptr);

  m_pDownloadDlg = new DownloadDialog();
  // Bytes waiting for a retry live in the data directory, unnamed.
  m_pDownloadDlg->SetAsideFolder(GetDataDirA());
  m_pDownloadDlg->Create(GetHWND(), L"下载", kFrameWindowStyle, 0, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT);
  m_pDownloadDlg->CenterWindow();
  m_pDownloadDlg->ShowWindow(false, true);

  SetIcon(101);

  // The page zoom chosen last time.
  const int saved_zoom = LoadZoomPercent(WindowPlacementFile());
  m_nZoomPercent = saved_zoom > 0 ? saved_zoom : kDefaultZoom;
}

bool CMainWnd::OnCloseButton(void* param) {
  auto* notify = static_cast<TNotifyUI*>(param);
  if (notify->sType == L"click") Close(1);
  return true;
}

bool CMainWnd::RestoreLastPlacement() {
  RECT saved{};
  if (!LoadRestoredRect(WindowPlacementFile(), &saved)) return false;
  // The screen it was on may be gone: then the size stays and the place is
  // the centre.
  const bool on_screen = IsOnScreen(saved, platform::ScreenRects());
  RECT now{};
  GetWindowRect(GetHWND(), &now);
  const RECT& at = on_screen ? saved : now;
  MoveWindow(GetHWND(), at.left, at.top, saved.right - saved.left, saved.bottom - saved.top, TRUE);
  GetWindowRect(GetHWND(), &m_rcRestored);
  return on_screen;
}

void CMainWnd::NoteRestoredRect() {
  // Until the window has been maximised it has only the size it was created
  // with or the one it was given from the file; neither is news.
  const LONG style = GetWindowLongW(GetHWND(), GWL_STYLE);
  if (!m_bMaximisedOnce || (style & (WS_MAXIMIZE | WS_POPUP)) != 0) return;
  RECT now{};
  if (!GetWindowRect(GetHWND(), &now) || now.right - now.left <= 0) return;
  if (now.left == m_rcRestored.left && now.top == m_rcRestored.top &&
      now.right == m_rcRestored.right && now.bottom == m_rcRestored.bottom) {
    return;
  }
  m_rcRestored = now;
  m_bRestoredChanged = true;
}

void CMainWnd::InstallOwnPages() {
  std::error_code cause;
  const bool installed = InstallDefaultBundleIfMissing(&cause);
  m_handler->SetDataFolderProblem(installed ? DataFolderProblem::kNone : DataFolderProblemOf(cause),
                                  g_strDataDir);
}

void CMainWnd::RetryLoad(const std::wstring& url) {
  // The page may be one of the client's own that could not be installed
  // before (the person has since made room or fixed the folder's rights).
  {
    DataDirWork work(GetDataDirA());
    InstallOwnPages();
  }
  LoadInBrowser(url);
}

void CMainWnd::GoHome() {
  {
    DataDirWork work(GetDataDirA());
    InstallOwnPages();
  }
  LoadInBrowser(StartPageUrl());
}

void CMainWnd::LoadInBrowser(const std::wstring& text) {
  if (m_bFirstPagePending) {
    m_strPendingPage = text;
    return;
  }
  CefRefPtr<CefBrowser> browser = m_handler->GetBrowser();
  if (browser) browser->GetMainFrame()->LoadURL(text);
}

void CMainWnd::ShowPage(const std::wstring& url) {
  CefRefPtr<CefBrowser> browser = m_handler->GetBrowser();
  if (!browser) {
    // The browser is not there yet: the client loads this page as soon as it
    // is. Should it have appeared meanwhile, load it here as well.
    m_handler->SetUrl(url);
    browser = m_handler->GetBrowser();
  }
  if (browser) browser->GetMainFrame()->LoadURL(url);
}

LRESULT CMainWnd::HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  if (uMsg == kOpenDocumentMessage) {
    // The client's own message: answered here, so the sender knows it was taken.
    bHandled = TRUE;
    return OnOpenDocument(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
  }
  if (uMsg == kOnlineQueryMessage) {
    bHandled = TRUE;
    return OnOnlineQuery();
  }
  if (uMsg == kUpdateDoneMessage) {
    bHandled = TRUE;
    ShowFirstPageAfterUpdate();
    return 0;
  }
  if (uMsg == kCheckDoneMessage) {
    bHandled = TRUE;
    OnStartupCheckDone(wParam != 0);
    return 0;
  }
  switch (uMsg) {
    case WM_TIMER:
      if (wParam == kCheckingTimer) OnCheckingTimer();
      if (wParam == kHangTimer) OnHangTimer();
      break;
    case WM_SIZE: {
      if (wParam == SIZE_MAXIMIZED) m_bMaximisedOnce = true;
      if (wParam == SIZE_RESTORED) NoteRestoredRect();
      CefRefPtr<CefBrowser> browser = m_handler->GetBrowser();
      if (!browser) break;
      // The browser exists from the first size after its creation on.
      if (!m_bZoomApplied) ApplyZoom();
      HWND child = browser->GetHost()->GetWindowHandle();
      RECT client{};
      GetClientRect(GetHWND(), &client);
      RECT r = BrowserChildRect(wParam == SIZE_MAXIMIZED, LOWORD(lParam), HIWORD(lParam),
                                client.bottom - client.top);
      MoveWindow(child, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
      break;
    }
    case WM_SYSCOMMAND:
      // The client maximises the window as soon as the browser exists.
      if (!m_bZoomApplied) ApplyZoom();
      break;
    case WM_MOUSEWHEEL:
      // The page hands the wheel over when Control is held: the page zoom.
      if (GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL) OnZoomWheel(GET_WHEEL_DELTA_WPARAM(wParam));
      break;
    case WM_MOVE:
      // A window only moved (not resized) has a new restored place too.
      NoteRestoredRect();
      break;
    case WM_CLOSE:
      m_bClosing = true;
      m_pHangBox.reset();
      NoteRestoredRect();
      if (m_bRestoredChanged) SaveRestoredRect(WindowPlacementFile(), m_rcRestored);
      PostQuitMessage(0);
      break;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
      break;
    case WM_COPYDATA:
      OnCopyData(wParam, reinterpret_cast<const COPYDATASTRUCT*>(lParam));
      break;
    default:
      break;
  }
  return 0;
}

void CMainWnd::OnFinalMessage(HWND /*hWnd*/) {
  // The engine ends the browser when its parent window goes; wait for the
  // client to let go of it before the process's loop ends.
  while (m_handler->GetBrowser()) Sleep(10);
  if (m_pDownloadDlg) {
    // Running downloads stop and remove what they wrote; one that does not
    // stop in time is not waited for, the program ends all the same.
    m_pDownloadDlg->CancelDownloads(kDownloadStopWait);
    m_pDownloadDlg->Close(0);
    m_pDownloadDlg = nullptr;
  }
  PostQuitMessage(0);
}
