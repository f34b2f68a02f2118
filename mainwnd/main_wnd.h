// The main window: a skinned window whose client area below a 24-pixel
// title strip is covered by the browser. It creates the browser through its
// client, owns the download list window, runs the update hand-off, carries
// out the page commands that arrive as bridge messages, and ends the
// process's message loop when it closes.
#pragma once

#include <memory>
#include <string>

#include "browser/simple_handler.h"
#include "download/download_item.h"
#include "engine/cef_ref_ptr.h"
#include "mainwnd/page_hang_watch.h"
#include "platform/question_box.h"
#include "ui/ui_lib.h"

class DownloadDialog;
class UpdateDialog;

class CMainWnd : public WindowImplBase,
                 public SimpleHandler::ErrorPageActions,
                 public SimpleHandler::PageHangListener {
 public:
  explicit CMainWnd(const std::wstring& doc_path);
  ~CMainWnd() override;

  // WindowImplBase
  const wchar_t* GetWindowClassName() const override;
  UINT GetClassStyle() const override;
  void OnFinalMessage(HWND hWnd) override;
  void InitWindow() override;
  CDuiString GetSkinFolder() override;
  CDuiString GetSkinFile() override;
  LRESULT ResponseDefaultKeyEvent(WPARAM wParam) override;
  // The page has the keyboard when the window appears.
  CControlUI* GetInitialFocus() override;
  UILIB_RESOURCETYPE GetResourceType() const override;
  CDuiString GetZIPFileName() const override;
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  // The window's keyboard shortcuts (main_wnd_keys.cc).
  LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;

  bool OnCloseButton(void* param);
  void SetFullScreen(bool on);
  // Before the window is first shown: un-maximised, it takes the size and
  // position the user gave it last time. True when it was placed; false
  // without a saved placement, or with one on no screen now (then only the
  // size is taken), and the window is still to be centred.
  bool RestoreLastPlacement();

  // The update check against the vendor service; true when a newer page
  // bundle is published, with its build text and archive address.
  bool CheckUpdate(std::string& build, std::string& packageUrl);
  // The start-up worker: puts the client's own pages in place and runs the
  // update check off the window's thread, while the window is on screen;
  // then the first page, or the update window first.
  void RunStartupCheck();
  // The start-up worker once an update is pending: shows the update window,
  // then has the first page loaded.
  void RunStartupUpdate(DownloadItem job, std::string build);

  // SimpleHandler::ErrorPageActions: the error page's "重试" and "返回首页".
  void RetryLoad(const std::wstring& url) override;
  void GoHome() override;

  // SimpleHandler::PageHangListener: the box that names a page that does
  // not answer (main_wnd_hang.cc).
  void PageUnresponsive(CefRefPtr<CefUnresponsiveProcessCallback> callback) override;
  void PageAnswersAgain() override;

 private:
  // The page the browser shows first: the start page, or the offline editor
  // on the document the program was started with.
  std::wstring StartUrl() const;
  // The start page, and the offline editor on one document, under DataDir.
  static std::wstring StartPageUrl();
  static std::wstring OfflineEditorUrl(const std::wstring& document_path);
  // Puts the default page bundle into the data directory when its start page
  // is missing, and tells the client why it could not, for the error page.
  void InstallOwnPages();
  // Loads text into the browser's main frame unchanged; nothing without a
  // browser. While the first page waits for the update step, text becomes
  // that first page instead.
  void LoadInBrowser(const std::wstring& text);
  // Shows url: at once when the browser exists, otherwise as the page the
  // client loads once it does.
  void ShowPage(const std::wstring& url);
  // The end of the start-up worker, on the window's thread: the first page.
  void ShowFirstPageAfterUpdate();
  // The update check has ended (an update is pending or not).
  void OnStartupCheckDone(bool update_pending);
  // The check has taken a second: the page area says so.
  void OnCheckingTimer();
  // A page command from the page's web process is served; the page waits
  // for it meanwhile, and is not hung.
  class ServingPage;
  // The page does not answer: the box when it is due (main_wnd_hang.cc).
  void OnHangTimer();
  void ShowHangBox();
  void OnHangBoxAnswer(platform::QuestionBox::Answer answer);
  // The open dialog; a chosen document opens in the offline editor.
  void OpenDocumentFromDialog();
  void OnCopyData(WPARAM kind, const COPYDATASTRUCT* record);
  void OnDropFiles(HDROP drop);
  // A second start of the client handed over its document.
  LRESULT OnOpenDocument(const COPYDATASTRUCT* record);
  // A page's isonline(), asked by its web process: 1 when the machine is
  // online. The probe runs on a thread of its own while this window's loop
  // goes on; the page waits for the answer.
  LRESULT OnOnlineQuery();
  void StartLinkDownload(const std::wstring& url, bool decode_name);
  // F6: the keyboard focus goes from the page to the title strip's buttons,
  // or from there back to the page.
  void FocusNextPane();
  // F11: full screen on, or off again (to maximised).
  void ToggleFullScreen();
  // Ctrl+Q and Ctrl+W: closes the window as its close button does.
  void CloseFromKeyboard();
  // Notes the window's rectangle when the user has given it one of their own.
  void NoteRestoredRect();
  // Ctrl+J: the download list window, also when no download is running.
  void ShowDownloadList();
  // The page zoom (main_wnd_zoom.cc): Ctrl+plus, Ctrl+minus, Ctrl+0, and
  // Ctrl with the wheel over the page (delta as WM_MOUSEWHEEL gives it).
  void ZoomIn();
  void ZoomOut();
  void ZoomReset();
  void OnZoomWheel(int delta);
  void SetZoom(int percent);
  // Gives the browser the zoom level; nothing before the browser exists.
  void ApplyZoom();

  // Sent by the start-up worker once the update window has closed, and once
  // the check has ended (wParam 1 when an update is pending). Below WM_APP,
  // so they never cross from another process.
  static constexpr UINT kUpdateDoneMessage = WM_USER + 0x52;
  static constexpr UINT kCheckDoneMessage = WM_USER + 0x53;
  // The window's timers.
  static constexpr UINT_PTR kCheckingTimer = 1;
  static constexpr UINT_PTR kHangTimer = 2;

  DownloadDialog* m_pDownloadDlg = nullptr;
  UpdateDialog* m_pUpdateDlg = nullptr;
  CControlUI* m_pCloseBtn = nullptr;
  const std::wstring m_strDocPath;
  CefRefPtr<SimpleHandler> m_handler;
  // Window thread only. While the update check runs and while the update
  // window shows, the first page waits; a page asked for meanwhile (a
  // document handed over or opened, a dropped file) replaces the start URL
  // then.
  bool m_bFirstPagePending = false;
  bool m_bChecking = false;
  std::wstring m_strPendingPage;
  // Window thread only: the page that does not answer, and its box.
  PageHangWatch m_hangWatch;
  CefRefPtr<CefUnresponsiveProcessCallback> m_hangCallback;
  std::unique_ptr<platform::QuestionBox> m_pHangBox;
  bool m_bClosing = false;
  // The window's rectangle when it is neither maximised nor full screen, as
  // the user last gave it; saved on close when it changed.
  RECT m_rcRestored{};
  bool m_bRestoredChanged = false;
  bool m_bMaximisedOnce = false;
  // Window thread only: the page zoom in percent (as window.ini keeps it),
  // whether the browser has it, and the part of a wheel turn not yet a step.
  int m_nZoomPercent = 100;
  bool m_bZoomApplied = false;
  int m_nWheelTurn = 0;
};
