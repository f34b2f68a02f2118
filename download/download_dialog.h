// The download list window: one row per download job, in the order the jobs
// were added, with the job's progress and, once finished, buttons that open
// the file or its folder. It exists once, from the main window's start to its
// end; dismissing it hides it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "download/bind_callback.h"
#include "download/download_item.h"
#include "platform/windows.h"
#include "ui/ui_lib.h"

class DownloadDialog : public WindowImplBase, public DownloadProgressView {
 public:
  DownloadDialog();
  ~DownloadDialog() override;

  LPCWSTR GetWindowClassName() const override;
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

  // On the window's thread: records the job, adds its row and starts it. When
  // "closebtn" has ended the window, the window is first created anew with
  // the rows of the earlier jobs.
  void AddDownload(DownloadItem item);
  void StartDownload(DownloadItem item, int index);
  void DownloadThread(DownloadItem item, int index);
  void AddRow(DownloadItem item, int index);
  // Shows one job's progress. Callable from any thread: reports of worker
  // threads are carried out on the window's thread, in the job's order.
  void UpdateProgress(ULONG progress, ULONG total, int index) override;
  // Shows that a job failed: "下载失败" as its size text, no open buttons.
  // Callable from any thread, after the job's last progress report.
  void ReportFailure(int index);

  // When the program ends: stops every running job, which removes what it
  // wrote, and waits up to wait for them to have done so. Jobs added later
  // fail at once. Returns whether every job has ended.
  bool CancelDownloads(std::chrono::milliseconds wait);

  // Whether the native window exists (it ends on "closebtn" or when the main
  // window closes it).
  bool IsAlive() const { return m_bAlive; }
  const std::vector<DownloadItem>& GetItems() const { return m_items; }

 private:
  struct Shown {
    ULONG progress = 0;
    ULONG total = 0;
    bool reported = false;  // some progress was shown
    bool failed = false;
  };
  struct Pending {
    ULONG progress = 0;
    ULONG total = 0;
    bool queued = false;
    bool failed = false;
  };

  bool OnCloseBtn(void* param);
  void ShowProgress(ULONG progress, ULONG total, int index);
  void ShowFailure(int index);
  void DeliverPending(int index);
  void Recreate();
  const DownloadItem* ItemOfButton(CControlUI* button) const;

  CControlUI* m_pCloseBtn = nullptr;
  CContainerUI* m_pList = nullptr;
  std::vector<DownloadItem> m_items;

  // Window thread only: what each job's row shows, so that a window created
  // anew shows the progress reached, and the owner it was first created with.
  std::vector<Shown> m_shown;
  HWND m_hOwner = nullptr;
  bool m_bAlive = false;

  // The hand-off from worker threads: the latest report of each job waiting
  // for the window's thread. One hand-off per job is in flight at a time, so a
  // fast download cannot flood the window's queue; later reports replace the
  // waiting one, and the last report of a job is always the one shown.
  std::mutex m_pendingLock;
  std::unordered_map<int, Pending> m_pending;

  // The running jobs, counted so that the end of the program can wait for
  // them to stop.
  std::atomic<bool> m_bCancelled{false};
  std::mutex m_runLock;
  std::condition_variable m_runEnded;
  int m_nRunning = 0;
};
