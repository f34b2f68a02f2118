// A demo of the toolkit: opens the three skins as the client's windows use
// them, with sample download rows and update progress. Not installed; run it
// from the build directory (the skins sit beside it). With --quit-after MS
// it closes itself, for screenshots.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "ui/ui_lib.h"

namespace {

class DemoWindow : public WindowImplBase {
 public:
  DemoWindow(const wchar_t* class_name, const wchar_t* skin)
      : class_name_(class_name), skin_(skin) {}
  const wchar_t* GetWindowClassName() const override { return class_name_; }
  CDuiString GetSkinFolder() override { return L"Skin\\"; }
  CDuiString GetSkinFile() override { return skin_; }
  void OnFinalMessage(HWND hwnd) override {
    WindowImplBase::OnFinalMessage(hwnd);
    if (--open_windows == 0) PostQuitMessage(0);
  }
  void Notify(TNotifyUI& msg) override {
    if (msg.pSender != nullptr) {
      std::fprintf(stderr, "notify %ls from %ls\n", msg.sType.GetData(),
                   msg.pSender->GetName().GetData());
    }
    WindowImplBase::Notify(msg);
  }
  void OnClick(TNotifyUI& msg) override {
    if (msg.pSender->GetName() == L"btn_close" || msg.pSender->GetName() == L"start") {
      Close(IDOK);
      return;
    }
    WindowImplBase::OnClick(msg);
  }
  CPaintManagerUI& manager() { return m_PaintManager; }
  static int open_windows;

 private:
  const wchar_t* class_name_;
  const wchar_t* skin_;
};
int DemoWindow::open_windows = 0;

// One download row, built in code as the download list window builds it.
CListContainerElementUI* MakeRow(int index, const wchar_t* name) {
  auto* row = new CListContainerElementUI;
  row->ApplyAttributeList(L"height=\"45\"");
  auto* layout = new CHorizontalLayoutUI;
  layout->ApplyAttributeList(L"float=\"false\" childpadding=\"10\" inset=\"3,5,3,5\"");
  layout->SetTag(static_cast<UINT_PTR>(index));
  row->Add(layout);
  auto* icon = new CLabelUI;
  icon->ApplyAttributeList(
      L"name=\"down_ico\" float=\"false\" bordersize=\"0\" width=\"32\" maxheight=\"26\" "
      L"bkimage=\"downlist_app.png\"");
  layout->Add(icon);
  auto* middle = new CVerticalLayoutUI;
  layout->Add(middle);
  auto* title = new CLabelUI;
  title->ApplyAttributeList(L"textcolor=\"#FF374151\" showhtml=\"true\"");
  title->SetText(name);
  title->SetName(L"down_name");
  middle->Add(title);
  auto* progress = new CProgressUI;
  progress->SetMinValue(0);
  progress->SetMaxValue(100);
  progress->SetValue(0);
  progress->SetMaxWidth(300);
  progress->SetMaxHeight(7);
  progress->SetForeImage(L"progress_fore.png");
  progress->SetName(L"down_progress");
  middle->Add(progress);
  auto* downloading = new CVerticalLayoutUI;
  downloading->SetName(L"downloading_layout");
  downloading->ApplyAttributeList(L"width=\"200\"");
  downloading->SetVisible(false);
  auto* size = new CLabelUI;
  size->ApplyAttributeList(
      L"name=\"size\" align=\"right\" align=\"center\" text=\"\" textcolor=\"#FF4B5563\" "
      L"showhtml=\"true\"");
  downloading->Add(size);
  layout->Add(downloading);
  auto* finished = new CVerticalLayoutUI;
  finished->SetName(L"finish_layout");
  finished->ApplyAttributeList(L"width=\"150\"");
  finished->SetVisible(false);
  auto* total = new CLabelUI;
  total->ApplyAttributeList(
      L"name=\"down_size\" align=\"left\" text=\"\" textcolor=\"#FF4B5563\" showhtml=\"true\"");
  finished->Add(total);
  auto* buttons = new CHorizontalLayoutUI;
  auto* open_file = new CButtonUI;
  open_file->ApplyAttributeList(
      L"name=\"openfile\" text=\"<b>打开文件</b> \" textcolor=\"#FF1D4ED8\" showhtml=\"true\" "
      L"bordersize=\"1\" bordercolor=\"#FF1D4ED8\" borderround=\"6,6\"");
  auto* open_folder = new CButtonUI;
  open_folder->ApplyAttributeList(
      L"name=\"openfilepath\" text=\"<b>打开文件夹</b> \" textcolor=\"#FF1D4ED8\" bordersize=\"1\" "
      L"bordercolor=\"#FF1D4ED8\" borderround=\"6,6\" "
      L"showhtml=\"true\"");
  buttons->Add(open_file);
  buttons->Add(open_folder);
  finished->Add(buttons);
  layout->Add(finished);
  return row;
}

void ShowRunning(CControlUI* row, int percent, const wchar_t* text) {
  auto* r = static_cast<CContainerUI*>(row);
  r->FindSubControl(L"downloading_layout")->SetVisible(true);
  static_cast<CProgressUI*>(r->FindSubControl(L"down_progress"))->SetValue(percent);
  r->FindSubControl(L"size")->SetText(text);
}

void ShowFinished(CControlUI* row, const wchar_t* total) {
  auto* r = static_cast<CContainerUI*>(row);
  r->FindSubControl(L"finish_layout")->SetVisible(true);
  static_cast<CProgressUI*>(r->FindSubControl(L"down_progress"))->SetValue(100);
  CDuiString text;
  text.Format(L" 下载完成    %ls", total);
  r->FindSubControl(L"down_size")->SetText(text);
}

}  // namespace

int main(int argc, char** argv) {
  int quit_after = 0;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--quit-after") == 0) quit_after = std::atoi(argv[i + 1]);
  }
  CPaintManagerUI::SetInstance(nullptr);

  auto* main_wnd = new DemoWindow(L"main_wnd_class", L"MainWnd.xml");
  main_wnd->Create(nullptr, L"Quorbital", WS_VISIBLE | WS_OVERLAPPEDWINDOW, WS_EX_ACCEPTFILES, 40,
                   40, 900, 560);
  main_wnd->SetIcon(101);
  ++DemoWindow::open_windows;

  auto* down = new DemoWindow(L"down_wnd_class", L"DownloadWnd.xml");
  down->Create(main_wnd->GetHWND(), L"下载", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 980, 40,
               CW_USEDEFAULT, CW_USEDEFAULT);
  down->SetIcon(101);
  ++DemoWindow::open_windows;
  if (auto* list = static_cast<CContainerUI*>(down->manager().FindControl(L"down_list_tab"))) {
    list->Add(MakeRow(0, L"slides-chapter-1.zv"));
    list->Add(MakeRow(1, L"instruction.pdf"));
    list->Add(MakeRow(2, L"a b.pdf"));
    ShowRunning(list->GetItemAt(0), 50, L"512.00KB/1.00MB");
    ShowFinished(list->GetItemAt(1), L"2.50MB");
  }

  auto* update = new DemoWindow(L"update_wnd_class", L"UpdateWnd.xml");
  update->Create(main_wnd->GetHWND(), L"update_dialog", kDialogWindowStyle, 0, 980, 560,
                 CW_USEDEFAULT, CW_USEDEFAULT);
  update->SetIcon(101);
  ++DemoWindow::open_windows;
  if (auto* progress = static_cast<CProgressUI*>(update->manager().FindControl(L"progress")))
    progress->SetValue(45);

  if (quit_after > 0) {
    std::thread([quit_after] {
      std::this_thread::sleep_for(std::chrono::milliseconds(quit_after));
      PostQuitMessage(0);
    }).detach();
  }
  CPaintManagerUI::MessageLoop();
  return 0;
}
