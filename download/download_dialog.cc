// The download list window: its jobs and their queue, the hand-off of
// progress from the jobs' threads to the window's thread, and the buttons.
// The rows themselves are built and shown in download_rows.cc.
#include "download/download_dialog.h"

#include <algorithm>
#include <iterator>
#include <thread>

#include "download/bind_callback.h"
#include "platform/desktop_notification.h"
#include "platform/log.h"
#include "platform/main_thread.h"
#include "platform/unicode_text.h"
#include "ui/window_styles.h"

namespace {

// The window is created anew with what the main window first gave it.
constexpr wchar_t kCaption[] = L"下载";
constexpr wchar_t kWaitingText[] = L"等待中";
constexpr wchar_t kCancellingText[] = L"正在取消";
constexpr wchar_t kCancelledText[] = L"已取消";
constexpr wchar_t kFailedText[] = L"下载失败";

// The folder of a job's file: the path up to its last separator. A path
// without one is passed whole; a file in the root folder gives the root.
std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.rfind(L'/');
  if (slash == std::wstring::npos) return path;
  return slash == 0 ? std::wstring(L"/") : path.substr(0, slash);
}

}  // namespace

DownloadDialog::DownloadDialog() = default;

DownloadDialog::~DownloadDialog() = default;

LPCWSTR DownloadDialog::GetWindowClassName() const { return L"down_wnd_class"; }

UINT DownloadDialog::GetClassStyle() const { return CS_DBLCLKS; }

LRESULT DownloadDialog::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  // A double click on the frame would maximise the list; it is swallowed.
  if (uMsg == WM_NCLBUTTONDBLCLK) return 0;
  // Alt+F4 and the window manager's close dismiss the list as its close
  // button does: hidden, with its rows.
  if (uMsg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) {
    ShowWindow(false, true);
    return 0;
  }
  return WindowImplBase::HandleMessage(uMsg, wParam, lParam);
}

LRESULT DownloadDialog::ResponseDefaultKeyEvent(WPARAM wParam) {
  if (wParam != VK_ESCAPE) return FALSE;
  ShowWindow(false, true);
  return TRUE;
}

void DownloadDialog::OnFinalMessage(HWND) {
  // The object outlives its window: later progress must find no controls.
  m_bAlive = false;
  m_pCloseBtn = nullptr;
  m_pList = nullptr;
  m_rows.assign(m_rows.size(), nullptr);
}

void DownloadDialog::InitWindow() {
  m_bAlive = true;
  if (m_hOwner == nullptr) m_hOwner = GetParent(GetHWND());
  m_pCloseBtn = m_PaintManager.FindControl(L"btn_close");
  if (m_pCloseBtn != nullptr)
    m_pCloseBtn->OnNotify += MakeDelegate(this, &DownloadDialog::OnCloseBtn);
  m_pList = dynamic_cast<CContainerUI*>(m_PaintManager.FindControl(L"down_list_tab"));
  SetIcon(101);

  // A window created anew shows the earlier jobs as they stand.
  for (size_t i = 0; i < m_items.size(); ++i) {
    if (m_jobs[i].removed) continue;
    AddRow(m_items[i], static_cast<int>(i));
    ShowRow(static_cast<int>(i));
  }
}

CControlUI* DownloadDialog::GetInitialFocus() {
  if (m_pList == nullptr) return WindowImplBase::GetInitialFocus();
  if (m_pList->GetCount() == 0) return m_pList;
  CControlUI* newest = m_pList->GetItemAt(m_pList->GetCount() - 1);
  for (CControlUI* control : m_PaintManager.GetFocusOrder()) {
    for (CControlUI* c = control; c != nullptr; c = c->GetParent()) {
      if (c == newest) return control;
    }
  }
  return newest;
}

bool DownloadDialog::OnCloseBtn(void* param) {
  auto* msg = static_cast<TNotifyUI*>(param);
  if (msg != nullptr && msg->sType == L"click") ShowWindow(false, true);
  return true;
}

void DownloadDialog::OnClick(TNotifyUI& msg) {
  if (msg.pSender == nullptr) return;
  const CDuiString name = msg.pSender->GetName();
  if (name == L"closebtn") {
    Close(IDOK);
  } else if (name == L"minbtn") {
    SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if (name == L"maxbtn") {
    SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  } else if (name == L"restorebtn") {
    SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
  } else if (name == L"openfile") {
    const int index = IndexOfButton(msg.pSender);
    if (index >= 0) {
      ShellExecuteW(nullptr, L"open", m_items[index].path.c_str(), L"", nullptr, SW_SHOWNORMAL);
    }
  } else if (name == L"openfilepath") {
    const int index = IndexOfButton(msg.pSender);
    if (index >= 0) {
      const std::wstring folder = FolderOf(m_items[index].path);
      ShellExecuteW(nullptr, L"open", L"explorer.exe", folder.c_str(), nullptr, SW_SHOWNORMAL);
    }
  } else if (name == L"cancel") {
    CancelDownload(IndexOfButton(msg.pSender));
  } else if (name == L"retry") {
    RetryDownload(IndexOfButton(msg.pSender));
  } else if (name == L"remove") {
    RemoveDownload(IndexOfButton(msg.pSender));
  }
}

// The button sits in its button bar, in the finished or downloading area, in
// the row layout, whose tag is the job's index; -1 when there is none.
int DownloadDialog::IndexOfButton(CControlUI* button) const {
  CControlUI* row = button;
  for (int up = 0; up < 3 && row != nullptr; ++up) row = row->GetParent();
  if (row == nullptr) return -1;
  const UINT_PTR index = row->GetTag();
  return index < m_items.size() ? static_cast<int>(index) : -1;
}

CDuiString DownloadDialog::GetSkinFolder() { return L"Skin/"; }

CDuiString DownloadDialog::GetSkinFile() { return L"DownloadWnd.xml"; }

UILIB_RESOURCETYPE DownloadDialog::GetResourceType() const { return UILIB_FILE; }

CDuiString DownloadDialog::GetZIPFileName() const { return L""; }

LRESULT DownloadDialog::HandleCustomMessage(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

void DownloadDialog::AddDownload(DownloadItem item) {
  if (!m_bAlive) Recreate();
  m_items.push_back(item);
  m_jobs.emplace_back();
  const int index = static_cast<int>(m_items.size()) - 1;
  AddRow(item, index);
  Enqueue(index);
}

void DownloadDialog::ShowList() {
  if (!m_bAlive) {
    Recreate();
    return;
  }
  ShowWindow(true, true);
}

void DownloadDialog::Recreate() {
  // InitWindow rebuilds the rows of the jobs so far.
  if (Create(m_hOwner, kCaption, kFrameWindowStyle, 0, 0, CW_USEDEFAULT, CW_USEDEFAULT,
             CW_USEDEFAULT) == nullptr)
    return;
  CenterWindow();
  ShowWindow(true, true);
}

void DownloadDialog::Enqueue(int index) {
  Job& job = m_jobs[index];
  if (m_queue.Add(index, HostOf(m_items[index].url))) {
    StartDownload(m_items[index], index);
    return;
  }
  job.state = JobState::kWaiting;
  job.note = kWaitingText;
  ShowRow(index);
}

void DownloadDialog::StartJobs(const std::vector<int>& indexes) {
  for (int index : indexes) StartDownload(m_items[index], index);
}

void DownloadDialog::StartDownload(DownloadItem item, int index) {
  // When the program ends nothing starts any more.
  if (m_bClosing || index < 0 || static_cast<size_t>(index) >= m_jobs.size()) return;
  Job& job = m_jobs[index];
  job.state = JobState::kRunning;
  job.note.clear();
  job.speed.clear();
  job.rate.Start(std::chrono::steady_clock::now(), job.progress);
  job.control->cancelled = false;
  job.control->aside_folder = m_strAsideFolder;
  ShowRow(index);
  StartTicker();
  {
    std::lock_guard<std::mutex> lock(m_runLock);
    ++m_nRunning;
  }
  std::thread([this, item, index, control = job.control] {
    DownloadThread(item, index, control);
    std::lock_guard<std::mutex> lock(m_runLock);
    --m_nRunning;
    m_runEnded.notify_all();
  }).detach();
}

void DownloadDialog::DownloadThread(DownloadItem item, int index,
                                    const std::shared_ptr<DownloadJobControl>& control) {
  CBindCallback callback;
  callback.view = this;
  callback.index = index;
  const JobOutcome outcome =
      RunDownloadJob(item, *control, &callback, [this, index](const std::wstring& reason) {
        Post(index, [&reason](Pending& slot) { slot.retrying = reason; });
      });
  // An ending program shows nothing more.
  if (m_bClosing) return;
  Post(index, [&outcome](Pending& slot) {
    slot.ended = true;
    slot.outcome = outcome;
  });
}

bool DownloadDialog::CancelDownloads(std::chrono::milliseconds wait) {
  m_bClosing = true;
  for (const Job& job : m_jobs) job.control->Cancel();
  std::unique_lock<std::mutex> lock(m_runLock);
  return m_runEnded.wait_for(lock, wait, [this] { return m_nRunning == 0; });
}

void DownloadDialog::CancelDownload(int index) {
  if (index < 0 || static_cast<size_t>(index) >= m_jobs.size()) return;
  Job& job = m_jobs[index];
  if (job.state == JobState::kWaiting) {
    StartJobs(m_queue.Remove(index));
    job.state = JobState::kCancelled;
    job.note = kCancelledText;
    // Bytes kept from an earlier run go as well.
    job.control = std::make_shared<DownloadJobControl>();
  } else if (job.state == JobState::kRunning) {
    // The job's thread removes what it wrote and then reports its end.
    job.state = JobState::kCancelling;
    job.note = kCancellingText;
    job.control->Cancel();
  } else {
    return;
  }
  platform::Log("download: %s: %s", platform::WideToUtf8(m_items[index].name).c_str(),
                platform::WideToUtf8(job.note).c_str());
  ShowRow(index);
}

void DownloadDialog::RetryDownload(int index) {
  if (index < 0 || static_cast<size_t>(index) >= m_jobs.size()) return;
  const JobState state = m_jobs[index].state;
  if (state != JobState::kFailed && state != JobState::kCancelled) return;
  if (!m_bAlive) Recreate();
  Enqueue(index);
}

void DownloadDialog::RemoveDownload(int index) {
  if (index < 0 || static_cast<size_t>(index) >= m_jobs.size()) return;
  Job& job = m_jobs[index];
  const bool ended = job.state == JobState::kFinished || job.state == JobState::kFailed ||
                     job.state == JobState::kCancelled;
  if (!ended || job.removed) return;
  // No thread runs the job: what it kept goes now.
  job.control->partial.Discard();
  job.removed = true;
  platform::Log("download: %s: 已移除", platform::WideToUtf8(m_items[index].name).c_str());
  CContainerUI* row = RowOf(index);
  m_rows[index] = nullptr;
  if (row == nullptr || m_pList == nullptr) return;
  // The keyboard stays in the list: the focus in the row goes to the next
  // control after it, or the one before it at the end of the list.
  CControlUI* focus = m_PaintManager.GetFocus();
  CControlUI* next = nullptr;
  auto in_row = [row](CControlUI* control) {
    for (; control != nullptr; control = control->GetParent()) {
      if (control == row) return true;
    }
    return false;
  };
  if (focus != nullptr && in_row(focus)) {
    const std::vector<CControlUI*> order = m_PaintManager.GetFocusOrder();
    auto at = std::find(order.begin(), order.end(), focus);
    auto after = std::find_if(at, order.end(), [&](CControlUI* c) { return !in_row(c); });
    auto before = std::find_if(std::make_reverse_iterator(at), order.rend(),
                               [&](CControlUI* c) { return !in_row(c); });
    next = after != order.end() ? *after : before != order.rend() ? *before : nullptr;
  }
  m_pList->Remove(row);
  if (next != nullptr) m_PaintManager.SetFocus(next);
}

void DownloadDialog::FreeKeptBytes(const std::wstring* full_beside) {
  const auto now = std::chrono::steady_clock::now();
  const std::string folder = full_beside ? platform::WideToUtf8(FolderOf(*full_beside)) : "";
  for (Job& job : m_jobs) {
    // Only a job no thread runs.
    if (job.state != JobState::kFailed || !job.control->partial.IsSetAside()) continue;
    const bool expired = full_beside == nullptr && now >= job.kept_until;
    const bool in_the_way =
        full_beside != nullptr && job.control->partial.IsAsideOnFileSystemOf(folder);
    if (expired || in_the_way) job.control->partial.Discard();
  }
}

void DownloadDialog::StartTicker() {
  if (m_bTicking) return;
  m_bTicking = true;
  platform::RepeatOnMainThread(std::chrono::seconds(1), [this] { return Tick(); });
}

bool DownloadDialog::Tick() {
  const auto now = std::chrono::steady_clock::now();
  bool running = false;
  for (size_t i = 0; i < m_jobs.size(); ++i) {
    Job& job = m_jobs[i];
    if (job.state != JobState::kRunning) continue;
    running = true;
    const std::wstring speed = job.rate.Text(now, job.total);
    if (speed == job.speed) continue;
    job.speed = speed;
    ShowRow(static_cast<int>(i));
  }
  m_bTicking = running;
  return running;
}

void DownloadDialog::OnJobEnded(int index, const JobOutcome& outcome) {
  if (index < 0 || static_cast<size_t>(index) >= m_jobs.size()) return;
  Job& job = m_jobs[index];
  switch (outcome.end) {
    case JobEnd::kFinished:
      job.state = JobState::kFinished;
      job.note.clear();
      break;
    case JobEnd::kFailed:
      job.state = JobState::kFailed;
      job.note = std::wstring(kFailedText) + L"：" + outcome.reason;
      break;
    case JobEnd::kCancelled:
      job.state = JobState::kCancelled;
      job.note = kCancelledText;
      break;
  }
  if (job.state == JobState::kFailed && job.control->partial.IsSetAside()) {
    // The bytes wait for a retry, for a while.
    job.kept_until = std::chrono::steady_clock::now() + kKeptFor;
    platform::RepeatOnMainThread(kKeptFor + std::chrono::seconds(1), [this] {
      FreeKeptBytes(nullptr);
      return false;
    });
  }
  // The space a download lacked is first that of bytes kept for retries.
  if (outcome.out_of_space) FreeKeptBytes(&m_items[index].path);
  const std::string name = platform::WideToUtf8(m_items[index].name);
  platform::Log(
      "download: %s: %s", name.c_str(),
      job.state == JobState::kFinished ? "下载完成" : platform::WideToUtf8(job.note).c_str());
  ShowRow(index);
  StartJobs(m_queue.Remove(index));
  // Someone working in another program hears of the end from the desktop.
  if (job.state != JobState::kCancelled && !platform::IsAnyWindowActive()) {
    if (job.state == JobState::kFinished) {
      platform::ShowDesktopNotification(L"下载完成", m_items[index].name);
    } else {
      platform::ShowDesktopNotification(kFailedText, m_items[index].name + L"：" + outcome.reason);
    }
  }
}

void DownloadDialog::UpdateProgress(ULONG progress, ULONG total, int index) {
  if (platform::IsMainThread()) {
    ShowProgress(progress, total, index);
    return;
  }
  Post(index, [progress, total](Pending& slot) {
    slot.progress = progress;
    slot.total = total;
    slot.has_progress = true;
    slot.retrying.clear();  // progress of a new try: the retry is under way
  });
}

template <class Change>
void DownloadDialog::Post(int index, Change change) {
  bool post = false;
  {
    std::lock_guard<std::mutex> lock(m_pendingLock);
    Pending& slot = m_pending[index];
    change(slot);
    post = !slot.queued;
    slot.queued = true;
  }
  if (post) platform::PostToMainThread([this, index] { DeliverPending(index); });
}

void DownloadDialog::DeliverPending(int index) {
  Pending report;
  {
    std::lock_guard<std::mutex> lock(m_pendingLock);
    auto it = m_pending.find(index);
    if (it == m_pending.end() || !it->second.queued) return;
    report = std::move(it->second);
    it->second = Pending{};
  }
  // In the order the job reported: its progress, a retry after it, its end.
  if (report.has_progress) ShowProgress(report.progress, report.total, index);
  if (!report.retrying.empty() && static_cast<size_t>(index) < m_jobs.size() &&
      m_jobs[index].state == JobState::kRunning) {
    m_jobs[index].note = report.retrying + L"，正在重试";
    platform::Log("download: %s: %s", platform::WideToUtf8(m_items[index].name).c_str(),
                  platform::WideToUtf8(m_jobs[index].note).c_str());
    ShowRow(index);
  }
  if (report.ended) OnJobEnded(index, report.outcome);
}
