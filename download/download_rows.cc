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

// A button of a row's actions, added to box.
CButtonUI* AddAction(CContainerUI* box, const wchar_t* attributes) {
  auto* button = new CButtonUI;
  button->ApplyAttributeList(attributes);
  button->ApplyAttributeList(kActionLook);
  box->Add(button);
  return button;
}

// A hidden right-hand column of a row: a status line above a line of
// buttons, which keep their own size at the row's right edge. Returns the
// line the buttons go in.
CContainerUI* AddStatusColumn(CContainerUI* row, const wchar_t* column_attributes,
                              const wchar_t* label_attributes) {
  auto* column = new CVerticalLayoutUI;
  column->ApplyAttributeList(column_attributes);
  column->ApplyAttributeList(L"width=\"246\"");
  column->SetVisible(false);
  row->Add(column);
  auto* status = new CLabelUI;
  status->ApplyAttributeList(label_attributes);
  status->ApplyAttributeList(L"height=\"20\"");
  column->Add(status);
  auto* buttons = new CHorizontalLayoutUI;
  buttons->ApplyAttributeList(L"childpadding=\"8\" height=\"24\"");
  column->Add(buttons);
  buttons->Add(new CControlUI);  // takes the room left of the buttons
  return buttons;
}

constexpr wchar_t kRemoveButton[] = L"name=\"remove\" text=\"移除\" width=\"52\"";

// A size as it is said: "1 KB", "2.50 MB".
std::wstring SpokenSize(ULONG bytes) {
  std::wstring text = SizeText(bytes);
  const size_t unit = text.find_first_of(L"KM");
  if (unit != std::wstring::npos) text.insert(unit, L" ");
  return text;
}

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

  // The name on the line of the status texts; below it the bar and, while
  // the job runs, its speed, on the line of the buttons. The name is the
  // file's as it is: shortened in the middle when it does not fit (keeping
  // its extension), whole in the tooltip and for screen readers, and never
  // read as markup.
  auto* name_column = new CVerticalLayoutUI;
  layout->Add(name_column);
  auto* title = new CLabelUI;
  title->ApplyAttributeList(L"textcolor=\"#FF374151\" height=\"20\" pathellipsis=\"true\"");
  title->SetText(name.c_str());
  title->SetToolTip(name.c_str());
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
  auto* speed = new CLabelUI;
  speed->ApplyAttributeList(
      L"name=\"down_speed\" height=\"17\" valign=\"bottom\" "
      L"textcolor=\"#FF4B5563\"");
  name_column->Add(speed);

  // The running job's sizes or state, with the control that stops it or
  // tries it again; once finished, the size and the ways to open the file.
  // A row that has ended can be taken off the list.
  CContainerUI* job_buttons = AddStatusColumn(
      layout, L"name=\"downloading_layout\"",
      L"name=\"size\" align=\"right\" text=\"\" textcolor=\"#FF4B5563\" showhtml=\"true\"");
  AddAction(job_buttons, L"name=\"cancel\" text=\"取消\" width=\"60\"")->SetVisible(false);
  AddAction(job_buttons, L"name=\"retry\" text=\"重试\" width=\"60\"")->SetVisible(false);
  AddAction(job_buttons, kRemoveButton)->SetVisible(false);
  CContainerUI* open_buttons = AddStatusColumn(
      layout, L"name=\"finish_layout\"",
      L"name=\"down_size\" align=\"right\" text=\"\" textcolor=\"#FF4B5563\" showhtml=\"true\"");
  AddAction(open_buttons,
            L"name=\"openfile\" text=\"<b>打开文件</b>\" showhtml=\"true\" width=\"76\"");
  AddAction(open_buttons,
            L"name=\"openfilepath\" text=\"<b>打开文件夹</b>\" showhtml=\"true\" width=\"90\"");
  AddAction(open_buttons, kRemoveButton);
  return element;
}

void DownloadDialog::AddRow(DownloadItem item, int index) {
  if (m_pList == nullptr || index < 0) return;
  CListContainerElementUI* row = MakeDownloadRow(item.name, index);
  m_pList->Add(row);
  if (m_rows.size() <= static_cast<size_t>(index)) m_rows.resize(index + 1, nullptr);
  m_rows[index] = row;
  // A new row is shown where it was added, at the end of the list.
  if (auto* list = dynamic_cast<CVerticalLayoutUI*>(m_pList)) list->EnsureVisible(row);
}

CContainerUI* DownloadDialog::RowOf(int index) const {
  if (!m_bAlive || index < 0 || static_cast<size_t>(index) >= m_rows.size()) return nullptr;
  return m_rows[index];
}

void DownloadDialog::ShowProgress(ULONG progress, ULONG total, int index) {
  const DownloadProgress step = ProgressOf(progress, total);
  if (step.stage == DownloadStage::kBeyond) return;
  if (index < 0 || static_cast<size_t>(index) >= m_jobs.size()) return;
  Job& job = m_jobs[index];
  job.progress = progress;
  job.total = total;
  job.reported = true;
  job.rate.Report(std::chrono::steady_clock::now(), progress);
  // A job being stopped keeps saying so until it has stopped.
  if (job.state != JobState::kCancelling) {
    job.state = step.stage == DownloadStage::kFinished ? JobState::kFinished : JobState::kRunning;
    job.note.clear();
  }
  ShowRow(index);
}

void DownloadDialog::ShowRow(int index) {
  CContainerUI* row = RowOf(index);
  if (row == nullptr || static_cast<size_t>(index) >= m_jobs.size()) return;
  const Job& job = m_jobs[index];
  const bool finished = job.state == JobState::kFinished;
  const bool running = job.state == JobState::kWaiting || job.state == JobState::kRunning;
  const bool stopped = job.state == JobState::kFailed || job.state == JobState::kCancelled;
  const DownloadProgress step = ProgressOf(job.progress, job.total);

  if (CControlUI* finish_layout = row->FindSubControl(L"finish_layout"))
    finish_layout->SetVisible(finished);
  if (CControlUI* downloading_layout = row->FindSubControl(L"downloading_layout")) {
    downloading_layout->SetVisible(!finished);
    if (auto* column = dynamic_cast<CContainerUI*>(downloading_layout)) {
      if (CControlUI* remove = column->FindSubControl(L"remove")) remove->SetVisible(stopped);
    }
  }
  if (CControlUI* cancel = row->FindSubControl(L"cancel")) cancel->SetVisible(running);
  if (CControlUI* retry = row->FindSubControl(L"retry")) retry->SetVisible(stopped);
  if (auto* bar = dynamic_cast<CProgressUI*>(row->FindSubControl(L"down_progress"))) {
    if (finished) {
      bar->SetValue(100);
    } else if (job.reported && step.stage == DownloadStage::kRunning) {
      bar->SetValue(step.percent);
    }
  }
  // The speed of a transfer under way; a state text (waiting, retrying)
  // says all there is.
  if (CControlUI* speed = row->FindSubControl(L"down_speed")) {
    const bool moving = job.state == JobState::kRunning && job.note.empty();
    speed->SetText(moving ? job.speed.c_str() : L"");
  }
  // Screen readers name the row by the file's whole name and its state, and
  // hear a change of state as a change of that name.
  std::wstring spoken = m_items[index].name + L"，";
  if (finished) {
    spoken += L"下载完成，" + SpokenSize(job.total);
  } else if (!job.note.empty()) {
    spoken += job.note;
  } else {
    spoken += L"正在下载";
    if (job.reported && step.stage == DownloadStage::kRunning)
      spoken += L" " + std::to_wstring(step.percent) + L"%";
  }
  row->SetAccessibleName(spoken.c_str());

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
