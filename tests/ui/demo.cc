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

#include "download/download_rows.h"
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

void ShowRunning(CControlUI* row, int percent, const wchar_t* text) {
  auto* r = static_cast<CContainerUI*>(row);
  r->FindSubControl(L"downloading_layout")->SetVisible(true);
  r->FindSubControl(L"cancel")->SetVisible(true);
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
    list->Add(MakeDownloadRow(L"slides-chapter-1.zv", 0));
    list->Add(MakeDownloadRow(L"instruction.pdf", 1));
    list->Add(MakeDownloadRow(L"a b.pdf", 2));
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
