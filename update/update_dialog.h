// UpdateDialog: the window that downloads the newer page bundle, installs it
// and records its build, with a progress bar, and then offers to go on.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "download/bind_callback.h"
#include "download/download_item.h"
#include "platform/windows.h"
#include "ui/window_impl_base.h"

class CButtonUI;
class CControlUI;
class CProgressUI;

class UpdateDialog : public WindowImplBase, public DownloadProgressView {
 public:
  // Install states; 2, 3 and 4 are final.
  enum State : std::int32_t {
    Updating = 0,
    Unpacking = 1,
    DownloadFailed = 2,
    Installed = 3,
    UnpackFailed = 4,
  };

  UpdateDialog(HWND owner, DownloadItem job, std::string build);
  ~UpdateDialog() override;

  // These may be called on any thread; the controls change on the window's.
  void SetStatus(std::int32_t state);
  // A final failed state with the text that says why, and no progress bar.
  void ShowFailure(std::int32_t state, const std::wstring& text);
  void SetProgress(DWORD progress, DWORD total);
  std::int32_t GetState() const { return m_nState.load(); }
  // The bundle's download reports here; the window has one bar, so the
  // job's index is not used.
  void UpdateProgress(ULONG progress, ULONG total, int index) override;

 protected:
  const wchar_t* GetWindowClassName() const override;
  UINT GetClassStyle() const override;
  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
  void OnFinalMessage(HWND hWnd) override;
  void InitWindow() override;
  void OnClick(TNotifyUI& msg) override;
  CDuiString GetSkinFolder() override;
  CDuiString GetSkinFile() override;
  UILIB_RESOURCETYPE GetResourceType() const override;
  CDuiString GetZIPFileName() const override;
  LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) override;
  // Escape does what the close button does.
  LRESULT ResponseDefaultKeyEvent(WPARAM wParam) override;

 private:
  // The close button, Escape, Alt+F4 and the window manager's close: the
  // window closes once the work has ended; until then it asks to wait.
  void OnCloseRequest();
  // Downloads, installs and records the bundle; runs detached.
  void InstallThread(DownloadItem job, std::string build);
  // Runs change on the window's thread, after every change posted before
  // it, unless the window has gone by then.
  void PostToWindow(std::function<void()> change);

  HWND m_hOwner;
  CControlUI* m_pStatus = nullptr;
  CProgressUI* m_pProgress = nullptr;
  CControlUI* m_pStart = nullptr;
  std::atomic<std::int32_t> m_nState{Updating};
  DownloadItem m_job;
  std::string m_strBuild;
  int m_nLastPercent = -1;  // install thread only
};
