// The download list window: one row per download job, in the order the jobs
// were added, with the job's progress or state, its speed while it runs, a
// control to stop it or try it again, and, once finished, buttons that open
// the file or its folder. A row that has ended can be removed. At most a few
// jobs run against one host at a time; the others wait in order. The window
// exists once, from the main window's start to its end; dismissing it hides
// it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "download/bind_callback.h"
#include "download/download_item.h"
#include "download/download_job.h"
#include "download/host_queue.h"
#include "download/transfer_rate.h"
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
  // Escape hides the window, as its close button does.
  LRESULT ResponseDefaultKeyEvent(WPARAM wParam) override;
  // The newest row's first button (else that row), or the list while empty.
  CControlUI* GetInitialFocus() override;

  // On the window's thread: records the job, adds its row and starts it, or
  // lets it wait while its host has as many transfers as it may. When
  // "closebtn" has ended the window, the window is first created anew with
  // the rows of the earlier jobs.
  void AddDownload(DownloadItem item);
  // Starts the job's thread.
  void StartDownload(DownloadItem item, int index);
  void DownloadThread(DownloadItem item, int index,
                      const std::shared_ptr<DownloadJobControl>& control);
  void AddRow(DownloadItem item, int index);
  // Shows one job's progress. Callable from any thread: reports of worker
  // threads are carried out on the window's thread, in the job's order.
  void UpdateProgress(ULONG progress, ULONG total, int index) override;

  // On the window's thread, what the row buttons do: a running job stops
  // (within about a second, removing what it wrote) and a waiting one leaves
  // the queue; a failed or stopped job is tried again, continuing the bytes
  // it has where the server allows.
  void CancelDownload(int index);
  void RetryDownload(int index);
  // Takes a finished, failed or stopped job's row off the list and frees the
  // bytes it kept for a retry; the saved file stays where it is.
  void RemoveDownload(int index);

  // Where a job whose connection failed sets its bytes aside, in an unnamed
  // file that goes with the process, until a retry continues them (at most
  // kKeptFor). A folder of the client's own; none keeps no bytes at all.
  void SetAsideFolder(const std::string& folder) { m_strAsideFolder = folder; }
  static constexpr std::chrono::minutes kKeptFor{10};

  // Shows the window and brings it to the front, creating it anew when
  // "closebtn" ended it.
  void ShowList();

  // When the program ends: stops every running job, which removes what it
  // wrote, and waits up to wait for them to have done so. Waiting jobs and
  // jobs added later never start. Returns whether every job has ended.
  bool CancelDownloads(std::chrono::milliseconds wait);

  // Whether the native window exists (it ends on "closebtn" or when the main
  // window closes it).
  bool IsAlive() const { return m_bAlive; }

 private:
  enum class JobState { kWaiting, kRunning, kCancelling, kFinished, kFailed, kCancelled };
  // Window thread only: what each job's row shows, so that a window created
  // anew shows the rows as they stood.
  struct Job {
    JobState state = JobState::kWaiting;
    ULONG progress = 0;
    ULONG total = 0;
    bool reported = false;  // some progress was shown
    std::wstring note;      // a state text shown in place of the sizes
    std::shared_ptr<DownloadJobControl> control = std::make_shared<DownloadJobControl>();
    TransferRate rate;     // of the running job
    std::wstring speed;    // its speed and time left as the row shows them
    bool removed = false;  // its row was taken off the list
    // Until when bytes kept for a retry may stay.
    std::chrono::steady_clock::time_point kept_until{};
  };
  // What a job's thread has reported and the window's thread not yet shown.
  struct Pending {
    ULONG progress = 0;
    ULONG total = 0;
    bool has_progress = false;
    std::wstring retrying;  // the reason of a try that failed, before another
    bool ended = false;
    JobOutcome outcome;
    bool queued = false;
  };

  bool OnCloseBtn(void* param);
  void Recreate();
  int IndexOfButton(CControlUI* button) const;
  // The job's row, or null when it has none (removed, or no window).
  CContainerUI* RowOf(int index) const;
  // Frees the bytes kept for a retry: those of stopped jobs whose time is up,
  // or, when a download ran out of space beside target, those on its file
  // system.
  void FreeKeptBytes(const std::wstring* full_beside);
  // Once a second while a job runs: each running row's speed and time left.
  void StartTicker();
  bool Tick();
  // Lets the job run or wait, as its host allows.
  void Enqueue(int index);
  void StartJobs(const std::vector<int>& indexes);
  void OnJobEnded(int index, const JobOutcome& outcome);
  // Hands a change of the job's pending report to the window's thread.
  template <class Change>
  void Post(int index, Change change);
  void DeliverPending(int index);
  void ShowProgress(ULONG progress, ULONG total, int index);
  // Brings the job's row in line with what m_jobs says of it.
  void ShowRow(int index);

  CControlUI* m_pCloseBtn = nullptr;
  CContainerUI* m_pList = nullptr;
  std::vector<DownloadItem> m_items;
  // Each job's row by the job's index (null once removed).
  std::vector<CContainerUI*> m_rows;
  bool m_bTicking = false;
  std::string m_strAsideFolder;

  std::vector<Job> m_jobs;
  HostQueue m_queue;
  // The owner the window was first created with, for a window created anew.
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
  std::atomic<bool> m_bClosing{false};
  std::mutex m_runLock;
  std::condition_variable m_runEnded;
  int m_nRunning = 0;
};
