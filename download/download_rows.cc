// The rows of the download list window: built in code, one per job, and
// brought in line with the job's state and progress. A change touches only
// the controls of its own row, so only that row is drawn again.
#include "download/download_rows.h"

#include "download/download_dialog.h"
#include "download/progress.h"
#include "download/size_text.h"

namespace {

// The look of a row's actions: buttons, with text that reads well on the row
// (a contrast of at least 4.5:1 on the list and on the row under the mouse).
constexpr wchar_t kActionLook[] =
    L"textcolor=\"#FF1D4ED8\" bordersize=\"1\" bordercolor=\"#FF1D4ED8\" borderround=\"6,6\" "
    L"hotbkcolor=\"#FFE8EFFD\" pushedbkcolor=\"#FFD3E0FB\"";

}  // namespace

CListContainerElementUI* MakeDownloadRow(const std::wstring& name, int index) {
  auto* element = new CListContainerElementUI;
  element->ApplyAttributeList(L"height=\"54\"");

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
  title->ApplyAttributeList(L"textcolor=\"#FF374151\" showhtml=\"true\"");
  title->SetText(name.c_str());
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
  bar->SetAccessibleName(L"下载进度");
  name_column->Add(bar);

  // The running job's sizes or state, with the control that stops it or
  // tries it again.
  auto* downloading = new CVerticalLayoutUI;
  downloading->ApplyAttributeList(L"name=\"downloading_layout\" width=\"200\"");
  downloading->SetVisible(false);
  layout->Add(downloading);
  auto* size = new CLabelUI;
  size->ApplyAttributeList(
      L"name=\"size\" align=\"right\" align=\"center\" text=\"\" textcolor=\"#FF4B5563\" "
      L"showhtml=\"true\" height=\"20\"");
  downloading->Add(size);
  // The buttons keep their own size at the row's right edge.
  auto* job_buttons = new CHorizontalLayoutUI;
  job_buttons->ApplyAttributeList(L"childpadding=\"8\" height=\"24\"");
  downloading->Add(job_buttons);
  job_buttons->Add(new CControlUI);
  auto* cancel = new CButtonUI;
  cancel->ApplyAttributeList(L"name=\"cancel\" text=\"取消\" width=\"60\"");
  cancel->ApplyAttributeList(kActionLook);
  cancel->SetVisible(false);
  job_buttons->Add(cancel);
  auto* retry = new CButtonUI;
  retry->ApplyAttributeList(L"name=\"retry\" text=\"重试\" width=\"60\"");
  retry->ApplyAttributeList(kActionLook);
  retry->SetVisible(false);
  job_buttons->Add(retry);

  auto* finished = new CVerticalLayoutUI;
  finished->ApplyAttributeList(L"name=\"finish_layout\" width=\"200\"");
  finished->SetVisible(false);
  layout->Add(finished);
  auto* total = new CLabelUI;
  total->ApplyAttributeList(
      L"name=\"down_size\" align=\"right\" text=\"\" textcolor=\"#FF4B5563\" showhtml=\"true\" "
      L"height=\"20\"");
  finished->Add(total);
  auto* buttons = new CHorizontalLayoutUI;
  buttons->ApplyAttributeList(L"childpadding=\"8\" height=\"24\"");
  finished->Add(buttons);
  buttons->Add(new CControlUI);
  auto* open_file = new CButtonUI;
  open_file->ApplyAttributeList(
      L"name=\"openfile\" text=\"<b>打开文件</b>\" showhtml=\"true\" width=\"76\"");
  open_file->ApplyAttributeList(kActionLook);
  buttons->Add(open_file);
  auto* open_folder = new CButtonUI;
  open_folder->ApplyAttributeList(
      L"name=\"openfilepath\" text=\"<b>打开文件夹</b>\" showhtml=\"true\" width=\"90\"");
  open_folder->ApplyAttributeList(kActionLook);
  buttons->Add(open_folder);
  return element;
}

void DownloadDialog::AddRow(DownloadItem item, int index) {
  if (m_pList != nullptr) m_pList->Add(MakeDownloadRow(item.name, index));
}

void DownloadDialog::ShowProgress(ULONG progress, ULONG total, int index) {
  const DownloadProgress step = ProgressOf(progress, total);
  if (step.stage == DownloadStage::kBeyond) return;
  if (index < 0 || static_cast<size_t>(index) >= m_jobs.size()) return;
  Job& job = m_jobs[index];
  job.progress = progress;
  job.total = total;
  job.reported = true;
  // A job being stopped keeps saying so until it has stopped.
  if (job.state != JobState::kCancelling) {
    job.state = step.stage == DownloadStage::kFinished ? JobState::kFinished : JobState::kRunning;
    job.note.clear();
  }
  ShowRow(index);
}

void DownloadDialog::ShowRow(int index) {
  if (!m_bAlive || m_pList == nullptr) return;
  if (index < 0 || index >= m_pList->GetCount() || static_cast<size_t>(index) >= m_jobs.size())
    return;
  auto* row = dynamic_cast<CContainerUI*>(m_pList->GetItemAt(index));
  if (row == nullptr) return;
  const Job& job = m_jobs[index];
  const bool finished = job.state == JobState::kFinished;
  const bool running = job.state == JobState::kWaiting || job.state == JobState::kRunning;
  const bool stopped = job.state == JobState::kFailed || job.state == JobState::kCancelled;
  const DownloadProgress step = ProgressOf(job.progress, job.total);

  if (CControlUI* finish_layout = row->FindSubControl(L"finish_layout"))
    finish_layout->SetVisible(finished);
  if (CControlUI* downloading_layout = row->FindSubControl(L"downloading_layout"))
    downloading_layout->SetVisible(!finished);
  if (CControlUI* cancel = row->FindSubControl(L"cancel")) cancel->SetVisible(running);
  if (CControlUI* retry = row->FindSubControl(L"retry")) retry->SetVisible(stopped);
  if (auto* bar = dynamic_cast<CProgressUI*>(row->FindSubControl(L"down_progress"))) {
    if (finished) {
      bar->SetValue(100);
    } else if (job.reported && step.stage == DownloadStage::kRunning) {
      bar->SetValue(step.percent);
    }
  }
  if (finished) {
    if (CControlUI* label = row->FindSubControl(L"down_size"))
      label->SetText(CDuiString(L" 下载完成    ") + SizeText(job.total));
  } else if (CControlUI* label = row->FindSubControl(L"size")) {
    if (!job.note.empty()) {
      label->SetText(job.note.c_str());
    } else if (job.reported) {
      label->SetText(CDuiString(SizeText(job.progress)) + L"/" + SizeText(job.total));
    } else {
      label->SetText(L"");
    }
  }
}
