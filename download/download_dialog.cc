// The download list window: rows built in code, progress handed from the
// jobs' threads to the window's thread, and the row buttons.
#include "download/download_dialog.h"

#include <thread>

#include "download/bind_callback.h"
#include "download/progress.h"
#include "download/size_text.h"
#include "platform/main_thread.h"
#include "platform/url_download.h"
#include "ui/window_styles.h"

namespace {

// The window is created anew with what the main window first gave it.
constexpr wchar_t kCaption[] = L"下载";
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
  return WindowImplBase::HandleMessage(uMsg, wParam, lParam);
}

void DownloadDialog::OnFinalMessage(HWND) {
  // The object outlives its window: later progress must find no controls.
  m_bAlive = false;
  m_pCloseBtn = nullptr;
  m_pList = nullptr;
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
    AddRow(m_items[i], static_cast<int>(i));
    if (i >= m_shown.size()) continue;
    if (m_shown[i].failed) {
      ShowFailure(static_cast<int>(i));
    } else if (m_shown[i].reported) {
      ShowProgress(m_shown[i].progress, m_shown[i].total, static_cast<int>(i));
    }
  }
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
    if (const DownloadItem* item = ItemOfButton(msg.pSender)) {
      ShellExecuteW(nullptr, L"open", item->path.c_str(), L"", nullptr, SW_SHOWNORMAL);
    }
  } else if (name == L"openfilepath") {
    if (const DownloadItem* item = ItemOfButton(msg.pSender)) {
      const std::wstring folder = FolderOf(item->path);
      ShellExecuteW(nullptr, L"open", L"explorer.exe", folder.c_str(), nullptr, SW_SHOWNORMAL);
    }
  }
}

// The button sits in the button bar, in the finished area, in the row layout,
// whose tag is the job's index.
const DownloadItem* DownloadDialog::ItemOfButton(CControlUI* button) const {
  CControlUI* row = button;
  for (int up = 0; up < 3 && row != nullptr; ++up) row = row->GetParent();
  if (row == nullptr) return nullptr;
  const UINT_PTR index = row->GetTag();
  return index < m_items.size() ? &m_items[index] : nullptr;
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
  m_shown.push_back({});
  const int index = static_cast<int>(m_items.size()) - 1;
  AddRow(item, index);
  StartDownload(item, index);
}

void DownloadDialog::Recreate() {
  // InitWindow rebuilds the rows of the jobs so far.
  if (Create(m_hOwner, kCaption, kFrameWindowStyle, 0, 0, CW_USEDEFAULT, CW_USEDEFAULT,
             CW_USEDEFAULT) == nullptr)
    return;
  CenterWindow();
  ShowWindow(true, true);
}

void DownloadDialog::StartDownload(DownloadItem item, int index) {
  {
    std::lock_guard<std::mutex> lock(m_runLock);
    ++m_nRunning;
  }
  std::thread([this, item, index] {
    DownloadThread(item, index);
    std::lock_guard<std::mutex> lock(m_runLock);
    --m_nRunning;
    m_runEnded.notify_all();
  }).detach();
}

bool DownloadDialog::CancelDownloads(std::chrono::milliseconds wait) {
  m_bCancelled = true;
  std::unique_lock<std::mutex> lock(m_runLock);
  return m_runEnded.wait_for(lock, wait, [this] { return m_nRunning == 0; });
}

void DownloadDialog::DownloadThread(DownloadItem item, int index) {
  CBindCallback callback;
  callback.view = this;
  callback.index = index;
  // The tick count, printed signed, makes every request unique to caches.
  CDuiString suffix;
  suffix.Format(L"?skq=%d", static_cast<int>(GetTickCount()));
  const std::wstring url = item.url + suffix.GetData();
  // A success has shown itself through the last progress report; a failure
  // is shown here, unless the program is ending.
  platform::UrlDownloadBounds bounds;
  bounds.cancel = &m_bCancelled;
  const HRESULT result =
      platform::DownloadUrlToFile(url.c_str(), item.path.c_str(), &callback, bounds);
  if (FAILED(result) && !m_bCancelled) ReportFailure(index);
}

void DownloadDialog::AddRow(DownloadItem item, int index) {
  if (m_pList == nullptr) return;
  auto* element = new CListContainerElementUI;
  element->ApplyAttributeList(L"height=\"45\"");

  auto* layout = new CHorizontalLayoutUI;
  layout->ApplyAttributeList(L"float=\"false\" childpadding=\"10\" inset=\"3,5,3,5\"");
  layout->SetTag(static_cast<UINT_PTR>(index));
  element->Add(layout);

  auto* icon = new CLabelUI;
  icon->ApplyAttributeList(
      L"name=\"down_ico\" float=\"false\" bordersize=\"0\" width=\"32\" maxheight=\"26\" "
      L"bkimage=\"downlist_app.png\"");
  layout->Add(icon);

  auto* name_column = new CVerticalLayoutUI;
  layout->Add(name_column);
  auto* title = new CLabelUI;
  title->ApplyAttributeList(L"textcolor=\"#FFAAAAAA\" showhtml=\"true\"");
  title->SetText(item.name.c_str());
  title->SetName(L"down_name");
  name_column->Add(title);
  auto* bar = new CProgressUI;
  bar->SetMinValue(0);
  bar->SetMaxValue(100);
  bar->SetValue(0);
  bar->SetMaxWidth(300);
  bar->SetMaxHeight(7);
  bar->SetForeImage(L"progress_fore.png");
  bar->SetName(L"down_progress");
  name_column->Add(bar);

  auto* downloading = new CVerticalLayoutUI;
  downloading->ApplyAttributeList(L"name=\"downloading_layout\" width=\"200\"");
  downloading->SetVisible(false);
  layout->Add(downloading);
  auto* size = new CLabelUI;
  size->ApplyAttributeList(
      L"name=\"size\" align=\"right\" align=\"center\" text=\"\" textcolor=\"#FFAAAAAA\" "
      L"showhtml=\"true\"");
  downloading->Add(size);

  auto* finished = new CVerticalLayoutUI;
  finished->ApplyAttributeList(L"name=\"finish_layout\" width=\"150\"");
  finished->SetVisible(false);
  layout->Add(finished);
  auto* total = new CLabelUI;
  total->ApplyAttributeList(
      L"name=\"down_size\" align=\"left\" text=\"\" textcolor=\"#FFAAAAAA\" showhtml=\"true\"");
  finished->Add(total);
  auto* buttons = new CHorizontalLayoutUI;
  finished->Add(buttons);
  auto* open_file = new CButtonUI;
  open_file->ApplyAttributeList(
      L"name=\"openfile\" text=\"<b>打开文件</b> \" textcolor=\"#FFAAAAAA\" showhtml=\"true\"");
  buttons->Add(open_file);
  auto* open_folder = new CButtonUI;
  open_folder->ApplyAttributeList(
      L"name=\"openfilepath\" text=\"<b>打开文件夹</b> \" textcolor=\"#FFAAAAAA\" "
      L"showhtml=\"true\"");
  buttons->Add(open_folder);

  m_pList->Add(element);
}

void DownloadDialog::UpdateProgress(ULONG progress, ULONG total, int index) {
  if (platform::IsMainThread()) {
    ShowProgress(progress, total, index);
    return;
  }
  bool post = false;
  {
    std::lock_guard<std::mutex> lock(m_pendingLock);
    Pending& slot = m_pending[index];
    post = !slot.queued;
    slot = {progress, total, true};
  }
  if (post) platform::PostToMainThread([this, index] { DeliverPending(index); });
}

void DownloadDialog::ReportFailure(int index) {
  bool post = false;
  {
    std::lock_guard<std::mutex> lock(m_pendingLock);
    Pending& slot = m_pending[index];
    post = !slot.queued;
    slot.queued = true;
    slot.failed = true;
  }
  if (post) platform::PostToMainThread([this, index] { DeliverPending(index); });
}

void DownloadDialog::DeliverPending(int index) {
  Pending report;
  {
    std::lock_guard<std::mutex> lock(m_pendingLock);
    auto it = m_pending.find(index);
    if (it == m_pending.end() || !it->second.queued) return;
    report = it->second;
    it->second.queued = false;
  }
  if (report.failed) {
    ShowFailure(index);
  } else {
    ShowProgress(report.progress, report.total, index);
  }
}

void DownloadDialog::ShowFailure(int index) {
  if (index >= 0 && static_cast<size_t>(index) < m_shown.size()) m_shown[index].failed = true;
  if (!m_bAlive || m_pList == nullptr) return;
  if (index < 0 || index >= m_pList->GetCount()) return;
  auto* row = dynamic_cast<CContainerUI*>(m_pList->GetItemAt(index));
  if (row == nullptr) return;
  if (CControlUI* finish_layout = row->FindSubControl(L"finish_layout"))
    finish_layout->SetVisible(false);
  if (CControlUI* downloading_layout = row->FindSubControl(L"downloading_layout"))
    downloading_layout->SetVisible(true);
  if (CControlUI* label = row->FindSubControl(L"size")) label->SetText(kFailedText);
}

void DownloadDialog::ShowProgress(ULONG progress, ULONG total, int index) {
  const DownloadProgress step = ProgressOf(progress, total);
  if (step.stage == DownloadStage::Beyond) return;
  if (index >= 0 && static_cast<size_t>(index) < m_shown.size()) {
    m_shown[index].progress = progress;
    m_shown[index].total = total;
    m_shown[index].reported = true;
  }
  if (!m_bAlive || m_pList == nullptr) return;
  if (m_pList->GetCount() == 0 || index < 0 || index >= m_pList->GetCount()) return;
  auto* row = dynamic_cast<CContainerUI*>(m_pList->GetItemAt(index));
  if (row == nullptr) return;
  const bool finished = step.stage == DownloadStage::Finished;
  if (CControlUI* finish_layout = row->FindSubControl(L"finish_layout"))
    finish_layout->SetVisible(finished);
  if (CControlUI* downloading_layout = row->FindSubControl(L"downloading_layout"))
    downloading_layout->SetVisible(!finished);
  if (auto* bar = dynamic_cast<CProgressUI*>(row->FindSubControl(L"down_progress")))
    bar->SetValue(step.percent);
  const CDuiString total_text = SizeText(total);
  if (finished) {
    if (CControlUI* label = row->FindSubControl(L"down_size"))
      label->SetText(CDuiString(L" 下载完成    ") + total_text);
  } else if (CControlUI* label = row->FindSubControl(L"size")) {
    label->SetText(CDuiString(SizeText(progress)) + L"/" + total_text);
  }
}
