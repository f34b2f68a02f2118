// The download list window against a loopback HTTP server: rows, size texts,
// the bar, the row buttons, transfers that drop and continue, stopping and
// retrying, the queue per host, hiding and ending the window, and progress
// bursts.
#include "download/download_dialog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "download/bind_callback.h"
#include "platform/main_thread.h"
#include "platform/native_window.h"
#include "platform/shell_execute.h"
#include "tests/support/http_server.h"
#include "tests/support/main_loop.h"
#include "tests/support/window_manager.h"
#include "ui/render_engine.h"

namespace fs = std::filesystem;

namespace {

using test_support::HttpServer;
using test_support::PumpFor;
using test_support::PumpUntil;

const std::wstring kSkinDir = [] {
  const std::string dir = QUORBITAL_SOURCE_DIR "/Skin/";
  return std::wstring(dir.begin(), dir.end());
}();

// The window under test, with a look at its list.
class ProbeDialog : public DownloadDialog {
 public:
  // The skin of the source tree; the client reads the same files beside itself.
  CDuiString GetSkinFolder() override { return CDuiString(kSkinDir.c_str()); }
  CContainerUI* List() {
    return dynamic_cast<CContainerUI*>(m_PaintManager.FindControl(L"down_list_tab"));
  }
  // The row of the job with that index: the one whose layout has it as tag.
  CContainerUI* Row(int index) {
    CContainerUI* list = List();
    for (int i = 0; list != nullptr && i < list->GetCount(); ++i) {
      auto* row = dynamic_cast<CContainerUI*>(list->GetItemAt(i));
      CControlUI* layout = row ? row->GetItemAt(0) : nullptr;
      if (layout != nullptr && layout->GetTag() == static_cast<UINT_PTR>(index)) return row;
    }
    return nullptr;
  }
  CControlUI* Part(int index, const wchar_t* name) {
    CContainerUI* row = Row(index);
    return row ? row->FindSubControl(name) : nullptr;
  }
  std::wstring Text(int index, const wchar_t* name) {
    CControlUI* c = Part(index, name);
    return c ? c->GetText().str() : L"<none>";
  }
  bool Visible(int index, const wchar_t* name) {
    CControlUI* c = Part(index, name);
    return c != nullptr && c->IsVisible();
  }
  int Bar(int index) {
    auto* bar = dynamic_cast<CProgressUI*>(Part(index, L"down_progress"));
    return bar ? bar->GetValue() : -1;
  }
  // Whether the shown part lies wholly inside its row and every layout
  // between, once laid out: a part cut off by an edge cannot be read or hit.
  bool InsideRow(int index, const wchar_t* name) {
    CControlUI* row = Row(index);
    CControlUI* part = Part(index, name);
    if (row == nullptr || part == nullptr || !part->IsVisible()) return false;
    const RECT p = part->GetPos();
    if (p.bottom <= p.top) return false;
    for (CControlUI* outer = part->GetParent(); outer != nullptr; outer = outer->GetParent()) {
      const RECT r = outer->GetPos();
      if (p.left < r.left || p.top < r.top || p.right > r.right || p.bottom > r.bottom)
        return false;
      if (outer == row) return true;
    }
    return false;
  }
  bool Maximized() const { return IsMaximized(); }
  bool Finished(int index) {
    return Visible(index, L"finish_layout") && !Visible(index, L"downloading_layout");
  }
  void Click(int index, const wchar_t* name) {
    TNotifyUI msg;
    msg.sType = L"click";
    msg.pSender = Part(index, name);
    ASSERT_NE(msg.pSender, nullptr);
    OnClick(msg);
  }
  void ClickControl(const wchar_t* name) {
    CControlUI* control = m_PaintManager.FindControl(name);
    ASSERT_NE(control, nullptr) << "no control named in the skin";
    TNotifyUI msg;
    msg.sType = L"click";
    msg.pSender = control;
    control->OnNotify(&msg);
    OnClick(msg);
  }
};

// How many descriptors of this process point at folder or into it.
int DescriptorsInto(const fs::path& folder) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    const std::string target = fs::read_symlink(entry.path(), ec).string();
    if (!ec && (target == folder.string() || target.rfind(folder.string() + "/", 0) == 0)) ++count;
  }
  return count;
}

// Whether target is url followed by "?skq=" and a signed decimal number.
bool IsBusted(const std::string& target, const std::string& url) {
  const std::string prefix = url + "?skq=";
  if (target.rfind(prefix, 0) != 0) return false;
  std::string number = target.substr(prefix.size());
  if (!number.empty() && number[0] == '-') number.erase(0, 1);
  return !number.empty() && number.find_first_not_of("0123456789") == std::string::npos;
}

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

class DownloadDialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::InitMainThread();
    CPaintManagerUI::SetInstance(nullptr);
  }
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("qdlg-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    server_ = std::make_unique<HttpServer>(std::vector<std::string>{"--log", dir_ / "server.log"});
    ASSERT_NE(server_->port(), 0);
    platform::SetShellLaunchHookForTesting(
        [this](const std::vector<std::string>& argv) { launched_.push_back(argv); });
    // Never deleted, as in the client: worker threads may outlive a test.
    dialog_ = new ProbeDialog;
    aside_ = dir_.string() + "-aside";
    fs::create_directories(aside_);
    dialog_->SetAsideFolder(aside_);
    ASSERT_NE(dialog_->Create(nullptr, L"下载", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT),
              nullptr);
    dialog_->CenterWindow();
    dialog_->ShowWindow(true, true);
    ASSERT_NE(dialog_->List(), nullptr);
  }
  void TearDown() override {
    platform::SetShellLaunchHookForTesting(nullptr);
    if (dialog_->IsAlive()) dialog_->Close(0);
    EXPECT_TRUE(PumpUntil([&] { return !dialog_->IsAlive(); }));
    server_.reset();
    fs::remove_all(dir_);
    fs::remove_all(aside_);
  }

  // The file holds exactly the size bytes the server sends.
  void ExpectServed(const fs::path& path, size_t size) {
    std::ifstream in(path, std::ios::binary);
    const std::string data{std::istreambuf_iterator<char>(in), {}};
    ASSERT_EQ(data.size(), size) << path;
    for (size_t i = 0; i < size; ++i) {
      if (static_cast<unsigned char>(data[i]) != test_support::ServedByte(i))
        FAIL() << path << ": byte " << i << " differs";
    }
  }

  DownloadItem Job(const std::string& path, const std::string& file) {
    return {(dir_ / file).wstring(), server_->Url(path), Widen(file)};
  }

  fs::path dir_;
  std::string aside_;  // where jobs set bytes aside
  std::unique_ptr<HttpServer> server_;
  ProbeDialog* dialog_ = nullptr;
  std::vector<std::vector<std::string>> launched_;
};

TEST_F(DownloadDialogTest, RowRunsThenFinishesWithExactSizeTexts) {
  // Half the body, a pause long enough for a report of exactly half, the rest.
  dialog_->AddDownload(Job("/bytes/1048576?chunk=524288&pause=3", "half.zip"));
  ASSERT_EQ(dialog_->List()->GetCount(), 1);
  EXPECT_EQ(dialog_->Text(0, L"down_name"), L"half.zip");
  EXPECT_EQ(dialog_->Bar(0), 0);
  // Running from the start: no sizes yet, but a way to stop it.
  EXPECT_TRUE(dialog_->Visible(0, L"downloading_layout"));
  EXPECT_EQ(dialog_->Text(0, L"size"), L"");
  EXPECT_TRUE(dialog_->Visible(0, L"cancel"));
  EXPECT_FALSE(dialog_->Visible(0, L"retry"));
  EXPECT_FALSE(dialog_->Visible(0, L"finish_layout"));

  ASSERT_TRUE(PumpUntil([&] { return dialog_->Text(0, L"size") == L"512.00KB/1.00MB"; }));
  EXPECT_EQ(dialog_->Bar(0), 50);
  EXPECT_TRUE(dialog_->Visible(0, L"downloading_layout"));
  EXPECT_FALSE(dialog_->Visible(0, L"finish_layout"));

  ASSERT_TRUE(PumpUntil([&] { return dialog_->Finished(0); }));
  EXPECT_EQ(dialog_->Text(0, L"down_size"), L" 下载完成    1.00MB");
  EXPECT_EQ(dialog_->Bar(0), 100);
  EXPECT_EQ(fs::file_size(dir_ / "half.zip"), 1048576u);

  dialog_->AddDownload(Job("/bytes/2621440", "slides.zip"));
  ASSERT_TRUE(PumpUntil([&] { return dialog_->Finished(1); }));
  EXPECT_EQ(dialog_->Text(1, L"down_size"), L" 下载完成    2.50MB");
  EXPECT_EQ(dialog_->Bar(1), 100);
  EXPECT_TRUE(dialog_->Visible(1, L"openfile"));
  EXPECT_TRUE(dialog_->Visible(1, L"openfilepath"));
  EXPECT_FALSE(dialog_->Visible(1, L"cancel"));
  // Every text of a row reads well on the list and on the row under the
  // mouse: a contrast of at least 4.5:1.
  auto* row = dynamic_cast<CListContainerElementUI*>(dialog_->Row(1));
  ASSERT_NE(row, nullptr);
  for (const wchar_t* name :
       {L"down_name", L"size", L"cancel", L"retry", L"down_size", L"openfile", L"openfilepath"}) {
    const UIColor text = dialog_->Part(1, name)->GetTextColor();
    for (UIColor background : {dialog_->List()->GetBkColor(), row->GetHotBkColor()})
      EXPECT_GE(ui::render::ContrastRatio(text, background), 4.5) << std::hex << text;
  }
  for (const wchar_t* name : {L"down_name", L"down_size", L"openfile", L"openfilepath"})
    EXPECT_TRUE(PumpUntil([&] { return dialog_->InsideRow(1, name); })) << name;
}

TEST_F(DownloadDialogTest, ProgressTextsAndBarAtTheLimits) {
  dialog_->AddDownload(Job("/missing", "a"));  // a row whose job fails at once
  ASSERT_TRUE(PumpUntil([&] { return dialog_->Visible(0, L"retry"); }));
  for (const wchar_t* name : {L"size", L"retry"})
    EXPECT_TRUE(PumpUntil([&] { return dialog_->InsideRow(0, name); })) << name;
  dialog_->UpdateProgress(100, 512, 0);
  EXPECT_EQ(dialog_->Text(0, L"size"), L"1KB/1KB");
  EXPECT_EQ(dialog_->Bar(0), 19);
  dialog_->UpdateProgress(3221225472u, 4294967295u, 0);
  EXPECT_EQ(dialog_->Text(0, L"size"), L"3072.00MB/4096.00MB");
  EXPECT_EQ(dialog_->Bar(0), 75);
  dialog_->UpdateProgress(4294967295u, 4294967295u, 0);
  EXPECT_TRUE(dialog_->Finished(0));
  EXPECT_EQ(dialog_->Text(0, L"down_size"), L" 下载完成    4096.00MB");
  // Above the total nothing changes; a later report below it runs again.
  dialog_->UpdateProgress(600, 512, 0);
  EXPECT_TRUE(dialog_->Finished(0));
  dialog_->UpdateProgress(1025, 1048576, 0);
  EXPECT_FALSE(dialog_->Finished(0));
  EXPECT_EQ(dialog_->Text(0, L"size"), L"1.00KB/1.00MB");
  EXPECT_EQ(dialog_->Bar(0), 0);
  // Reports for rows that do not exist are ignored.
  dialog_->UpdateProgress(1, 2, 1);
  dialog_->UpdateProgress(1, 2, -1);
  EXPECT_EQ(dialog_->List()->GetCount(), 1);

  // The sink drops reports without a total and forwards the rest.
  CBindCallback sink;
  sink.view = dialog_;
  sink.index = 0;
  EXPECT_EQ(sink.OnProgress(5, 0, BINDSTATUS_DOWNLOADINGDATA, L""), S_OK);
  EXPECT_EQ(dialog_->Text(0, L"size"), L"1.00KB/1.00MB");
  EXPECT_EQ(sink.OnProgress(524288, 1048576, BINDSTATUS_DOWNLOADINGDATA, L""), S_OK);
  EXPECT_EQ(dialog_->Text(0, L"size"), L"512.00KB/1.00MB");
  void* out = &sink;
  EXPECT_EQ(sink.QueryInterface(IID{}, &out), E_NOTIMPL);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(sink.AddRef(), 0u);
  EXPECT_EQ(sink.Release(), 0u);
}

TEST_F(DownloadDialogTest, WithoutALengthTheRowEndsFinishedWithTheRealSize) {
  dialog_->AddDownload(Job("/nolength/300000?chunk=30000&pause=0.03", "nolen.bin"));
  ASSERT_TRUE(PumpUntil([&] { return dialog_->Finished(0); }));
  EXPECT_EQ(fs::file_size(dir_ / "nolen.bin"), 300000u);
  EXPECT_EQ(dialog_->Text(0, L"down_size"), L" 下载完成    292.97KB");
  EXPECT_EQ(dialog_->Bar(0), 100);
  EXPECT_TRUE(dialog_->Visible(0, L"openfile"));
}

TEST_F(DownloadDialogTest, FailedJobsSayWhyLeaveTheTargetAsItWasAndCanBeRetried) {
  std::ofstream(dir_ / "keep.zip") << "old";
  std::ofstream(dir_ / "keep2.zip") << "old2";
  fs::create_directories(dir_ / "folder.zip");
  dialog_->AddDownload(Job("/missing", "keep.zip"));
  // Three drops in a row after the first: every automatic try ends early.
  dialog_->AddDownload(Job("/bytes/1000000?cut=4&chunk=50000&pause=0.02", "keep2.zip"));
  // The whole body arrives, but a folder holds the name: the file cannot be put there.
  dialog_->AddDownload(Job("/bytes/300000?chunk=100000&pause=0.1", "folder.zip"));
  dialog_->AddDownload(Job("/bytes/1000000?cut=4&chunk=50000&pause=0.02&n=2", "kept.zip"));
  const std::wstring reasons[] = {L"下载失败：服务器错误 404", L"下载失败：连接中断",
                                  L"下载失败：无法写入目标文件夹", L"下载失败：连接中断"};
  ASSERT_TRUE(PumpUntil(
      [&] {
        for (int i = 0; i < 4; ++i) {
          if (dialog_->Text(i, L"size") != reasons[i]) return false;
        }
        return true;
      },
      30000));
  // Nothing of the folder is held; the bytes of the dropped transfers wait
  // set aside, without a name.
  EXPECT_EQ(DescriptorsInto(dir_), 0);
  EXPECT_EQ(DescriptorsInto(aside_), 2);
  EXPECT_TRUE(fs::is_empty(aside_));
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(dialog_->Visible(i, L"downloading_layout"));
    EXPECT_FALSE(dialog_->Visible(i, L"finish_layout")) << "no open buttons after a failure";
    EXPECT_TRUE(dialog_->Visible(i, L"retry"));
    EXPECT_FALSE(dialog_->Visible(i, L"cancel"));
  }
  EXPECT_EQ(server_->Requests().size(), 1u + 4u + 1u + 4u);
  EXPECT_EQ(
      std::string(std::istreambuf_iterator<char>(std::ifstream(dir_ / "keep.zip").rdbuf()), {}),
      "old");
  EXPECT_EQ(
      std::string(std::istreambuf_iterator<char>(std::ifstream(dir_ / "keep2.zip").rdbuf()), {}),
      "old2");
  EXPECT_TRUE(fs::is_empty(dir_ / "folder.zip"));
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"folder.zip", "keep.zip", "keep2.zip", "server.log"}));

  // Tried again from its row, the dropped job continues and completes.
  dialog_->Click(1, L"retry");
  ASSERT_TRUE(PumpUntil([&] { return dialog_->Finished(1); }));
  ExpectServed(dir_ / "keep2.zip", 1000000);
  EXPECT_NE(server_->Requests().back().find("\tRange: bytes="), std::string::npos);
  EXPECT_EQ(DescriptorsInto(aside_), 1);

  // Ended rows can be taken off the list; what they kept goes with them, the
  // saved file stays.
  dialog_->Click(3, L"remove");
  dialog_->Click(1, L"remove");
  EXPECT_EQ(dialog_->Row(3), nullptr);
  EXPECT_EQ(dialog_->Row(1), nullptr);
  EXPECT_EQ(dialog_->List()->GetCount(), 2);
  EXPECT_EQ(DescriptorsInto(aside_), 0);
  ExpectServed(dir_ / "keep2.zip", 1000000);
  EXPECT_EQ(dialog_->Text(2, L"size"), reasons[2]);

  // A window created anew shows the failures again, and not what was removed.
  dialog_->ClickControl(L"closebtn");
  ASSERT_TRUE(PumpUntil([&] { return !dialog_->IsAlive(); }));
  dialog_->AddDownload(Job("/bytes/10", "more.bin"));
  ASSERT_TRUE(PumpUntil([&] { return dialog_->Finished(4); }));
  EXPECT_EQ(dialog_->Text(0, L"size"), reasons[0]);
  EXPECT_TRUE(dialog_->Visible(0, L"retry"));
  EXPECT_FALSE(dialog_->Visible(0, L"finish_layout"));
  EXPECT_EQ(dialog_->List()->GetCount(), 3);
}

TEST_F(DownloadDialogTest, ADroppedTransferContinuesWhereItStoppedOrStartsOver) {
  // Cut after a third: the rest is asked for with a range and arrives as a part.
  dialog_->AddDownload(Job("/bytes/3000000?cut=1&chunk=100000&pause=0.01", "third.zip"));
  // A server that answers a range with the whole file: it starts over.
  dialog_->AddDownload(
      Job("/bytes/3000000?cut=1&ranges=ignore&chunk=100000&pause=0.01", "whole.zip"));
  ASSERT_TRUE(PumpUntil([&] { return dialog_->Finished(0) && dialog_->Finished(1); }, 30000));
  ExpectServed(dir_ / "third.zip", 3000000);
  ExpectServed(dir_ / "whole.zip", 3000000);
  EXPECT_EQ(dialog_->Text(0, L"down_size"), L" 下载完成    2.86MB");

  std::vector<std::string> third, whole;
  for (const std::string& line : server_->Requests()) {
    const std::string target = line.substr(0, line.find('\t'));
    (line.find("ranges=ignore") == std::string::npos ? third : whole).push_back(line);
    // Each try is a request of its own that no cache answers.
    EXPECT_TRUE(IsBusted(target, target.substr(0, target.rfind("?skq=")))) << line;
  }
  ASSERT_EQ(third.size(), 2u);
  EXPECT_EQ(third[0].find('\t'), std::string::npos);
  EXPECT_NE(third[1].find("\tRange: bytes=1000000-"), std::string::npos) << third[1];
  ASSERT_EQ(whole.size(), 2u);
  EXPECT_NE(whole[1].find("\tRange: bytes=1000000-"), std::string::npos) << whole[1];
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"server.log", "third.zip", "whole.zip"}));
}

TEST_F(DownloadDialogTest, ACancelledJobLeavesNothingAndCanBeTriedAgain) {
  std::ofstream(dir_ / "keep.zip") << "old";
  dialog_->AddDownload(Job("/bytes/3000000?chunk=100000&pause=0.1", "keep.zip"));
  ASSERT_TRUE(PumpUntil([&] { return dialog_->Bar(0) > 0; }));
  dialog_->Click(0, L"cancel");
  EXPECT_FALSE(dialog_->Visible(0, L"cancel"));
  ASSERT_TRUE(PumpUntil([&] { return dialog_->Text(0, L"size") == L"已取消"; }));
  EXPECT_TRUE(dialog_->Visible(0, L"retry"));
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"keep.zip", "server.log"}));
  EXPECT_EQ(
      std::string(std::istreambuf_iterator<char>(std::ifstream(dir_ / "keep.zip").rdbuf()), {}),
      "old");

  dialog_->Click(0, L"retry");
  EXPECT_TRUE(dialog_->Visible(0, L"cancel"));
  ASSERT_TRUE(PumpUntil([&] { return dialog_->Finished(0); }, 30000));
  ExpectServed(dir_ / "keep.zip", 3000000);
}

TEST_F(DownloadDialogTest, AtMostSixTransfersRunPerHostAndTheRestWaitInOrder) {
  server_->PeakTransfers();  // counts from here
  for (int i = 0; i < 10; ++i) {
    dialog_->AddDownload(Job("/bytes/1000000?chunk=100000&pause=0.1&n=" + std::to_string(i),
                             "f" + std::to_string(i) + ".bin"));
  }
  for (int i = 0; i < 6; ++i) EXPECT_EQ(dialog_->Text(i, L"size"), L"") << i;
  for (int i = 6; i < 10; ++i) {
    EXPECT_EQ(dialog_->Text(i, L"size"), L"等待中") << i;
    EXPECT_TRUE(dialog_->Visible(i, L"cancel"));
  }
  // A waiting job that is cancelled never starts; the others start in order:
  // whenever a row waits, every row after it waits too.
  dialog_->Click(9, L"cancel");
  EXPECT_EQ(dialog_->Text(9, L"size"), L"已取消");
  bool in_order = true;
  ASSERT_TRUE(PumpUntil(
      [&] {
        bool waiting = false;
        for (int i = 0; i < 9; ++i) {
          const bool waits = dialog_->Text(i, L"size") == L"等待中";
          in_order = in_order && (waits || !waiting);
          waiting = waiting || waits;
        }
        for (int i = 0; i < 9; ++i) {
          if (!dialog_->Finished(i)) return false;
        }
        return true;
      },
      60000));
  EXPECT_TRUE(in_order);
  for (int i = 0; i < 9; ++i) ExpectServed(dir_ / ("f" + std::to_string(i) + ".bin"), 1000000);
  EXPECT_EQ(server_->PeakTransfers(), 6);
  EXPECT_EQ(server_->Requests().size(), 9u);
  EXPECT_FALSE(fs::exists(dir_ / "f9.bin"));
}

TEST_F(DownloadDialogTest, CancelledJobsStopAndRemoveWhatTheyWrote) {
  std::ofstream(dir_ / "keep.zip") << "old";
  dialog_->AddDownload(Job("/bytes/3000000?chunk=100000&pause=0.5", "keep.zip"));
  dialog_->AddDownload(Job("/bytes/1000?delay=30", "silent.zip"));
  ASSERT_TRUE(PumpUntil([&] { return dialog_->Bar(0) > 0 && server_->Requests().size() == 2; }));
  const auto asked = std::chrono::steady_clock::now();
  EXPECT_TRUE(dialog_->CancelDownloads(std::chrono::seconds(3)));
  // Not the 30 s the silent server would take.
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(15));
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"keep.zip", "server.log"}));
  PumpFor(100);  // only to show that no failure comes
  EXPECT_EQ(dialog_->Text(0, L"size").find(L"下载失败"), std::wstring::npos)
      << "an ending program shows no failures";
}

TEST_F(DownloadDialogTest, EveryRequestCarriesTheCacheBuster) {
  dialog_->AddDownload(Job("/bytes/10?lesson=3", "q.bin"));
  dialog_->AddDownload(Job("/bytes/10", "p.bin"));
  ASSERT_TRUE(PumpUntil([&] { return dialog_->Finished(0) && dialog_->Finished(1); }));
  std::vector<std::string> requests = server_->Requests();
  std::sort(requests.begin(), requests.end());
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_TRUE(IsBusted(requests[0], "/bytes/10?lesson=3")) << requests[0];
  EXPECT_TRUE(IsBusted(requests[1], "/bytes/10")) << requests[1];
}

TEST_F(DownloadDialogTest, ConcurrentJobsKeepTheirRowsAndButtonsOpenTheirOwnJob) {
  fs::create_directories(dir_ / "b");
  fs::create_directories(dir_ / "c c");
  dialog_->AddDownload(Job("/bytes/1048576?chunk=65536&pause=0.02", "a.zip"));
  dialog_->AddDownload(Job("/bytes/2621440?chunk=131072&pause=0.02", "b/b.zip"));
  dialog_->AddDownload(Job("/bytes/3145728?chunk=131072&pause=0.01", "c c/c.zip"));
  ASSERT_TRUE(PumpUntil(
      [&] { return dialog_->Finished(0) && dialog_->Finished(1) && dialog_->Finished(2); }));
  EXPECT_EQ(dialog_->Text(0, L"down_size"), L" 下载完成    1.00MB");
  EXPECT_EQ(dialog_->Text(1, L"down_size"), L" 下载完成    2.50MB");
  EXPECT_EQ(dialog_->Text(2, L"down_size"), L" 下载完成    3.00MB");
  EXPECT_EQ(dialog_->Text(2, L"down_name"), L"c c/c.zip");
  EXPECT_EQ(fs::file_size(dir_ / "c c" / "c.zip"), 3145728u);

  dialog_->Click(2, L"openfilepath");
  dialog_->Click(2, L"openfile");
  dialog_->Click(1, L"openfile");
  const std::string base = "file://" + dir_.string();
  ASSERT_EQ(launched_.size(), 3u);
  EXPECT_EQ(launched_[0], (std::vector<std::string>{"gio", "open", base + "/c%20c"}));
  EXPECT_EQ(launched_[1], (std::vector<std::string>{"gio", "open", base + "/c%20c/c.zip"}));
  EXPECT_EQ(launched_[2], (std::vector<std::string>{"gio", "open", base + "/b/b.zip"}));
}

TEST_F(DownloadDialogTest, HiddenWindowKeepsDownloadingAndEndedWindowIsCreatedAnew) {
  dialog_->AddDownload(Job("/bytes/1048576?chunk=262144&pause=0.3", "one.zip"));
  dialog_->ClickControl(L"btn_close");
  EXPECT_TRUE(dialog_->IsAlive());
  EXPECT_EQ(GetWindowLongW(dialog_->GetHWND(), GWL_STYLE) & WS_VISIBLE, 0);
  ASSERT_TRUE(PumpUntil([&] { return dialog_->Finished(0); }));  // rows follow while hidden

  // A running job whose window ends goes on, and its row comes back with the window.
  dialog_->AddDownload(Job("/bytes/2621440?chunk=262144&pause=0.2", "two.zip"));
  ASSERT_TRUE(PumpUntil([&] { return dialog_->Visible(1, L"downloading_layout"); }));
  dialog_->ClickControl(L"closebtn");
  ASSERT_TRUE(PumpUntil([&] { return !dialog_->IsAlive(); }));
  ASSERT_TRUE(PumpUntil([&] { return fs::exists(dir_ / "two.zip"); }));

  dialog_->ShowWindow(true, true);  // what the main window does first: harmless on an ended window
  dialog_->AddDownload(Job("/bytes/4096", "three.zip"));
  EXPECT_TRUE(dialog_->IsAlive());
  EXPECT_NE(GetWindowLongW(dialog_->GetHWND(), GWL_STYLE) & WS_VISIBLE, 0);
  ASSERT_NE(dialog_->List(), nullptr);
  ASSERT_EQ(dialog_->List()->GetCount(), 3);
  EXPECT_EQ(dialog_->Text(0, L"down_name"), L"one.zip");
  EXPECT_TRUE(dialog_->Finished(0));
  // The job names its file just before it reports its end, which reaches
  // the window's thread before or after the window is created anew.
  ASSERT_TRUE(PumpUntil([&] { return dialog_->Finished(1); }));
  EXPECT_EQ(dialog_->Text(1, L"down_size"), L" 下载完成    2.50MB");
  ASSERT_TRUE(PumpUntil([&] { return dialog_->Finished(2); }));
  dialog_->Click(0, L"openfile");
  ASSERT_EQ(launched_.size(), 1u);
  EXPECT_EQ(launched_[0][2], "file://" + (dir_ / "one.zip").string());
}

TEST_F(DownloadDialogTest, CaptionButtonsSizeTheWindowAndADoubleClickDoesNot) {
  // The window manager sizes only a window it has taken: until it answers,
  // a request to maximise may be lost and the check below proves nothing.
  auto* window =
      static_cast<GtkWidget*>(platform::LookupWindow(dialog_->GetHWND())->NativeHandle());
  ASSERT_TRUE(PumpUntil([&] { return test_support::ShownByWindowManager(window); }));
  const auto size = [&] {
    RECT r;
    GetWindowRect(dialog_->GetHWND(), &r);
    return std::make_pair(r.right - r.left, r.bottom - r.top);
  };
  const auto normal = size();
  dialog_->SendMessage(WM_NCLBUTTONDBLCLK, 2 /* caption */, 0);
  PumpFor(300);  // only to show that the window manager is not asked to maximise
  EXPECT_FALSE(dialog_->Maximized());
  // The window manager's answer is its state and then its new size.
  dialog_->ClickControl(L"maxbtn");
  EXPECT_TRUE(PumpUntil([&] { return dialog_->Maximized() && size().first > normal.first; }));
  dialog_->ClickControl(L"restorebtn");
  EXPECT_TRUE(PumpUntil([&] { return !dialog_->Maximized() && size() == normal; }));
  EXPECT_TRUE(dialog_->IsAlive());
}

TEST_F(DownloadDialogTest, ABurstOfReportsDoesNotFloodTheWindow) {
  dialog_->AddDownload(Job("/missing", "burst"));
  ASSERT_TRUE(PumpUntil([&] { return dialog_->Visible(0, L"retry"); }));
  // A million reports from a worker while the window's loop is busy elsewhere
  // wait as one change, not as a million calls: the loop shows the last one
  // within a few turns (a turn serves queued calls for 8 ms at most).
  constexpr ULONG kTotal = 1000000;
  std::thread worker([&] {
    for (ULONG p = 1; p <= kTotal; ++p) dialog_->UpdateProgress(p, kTotal, 0);
  });
  worker.join();
  int turns = 0;
  ASSERT_TRUE(PumpUntil([&] {
    ++turns;
    return dialog_->Finished(0);
  }));
  EXPECT_EQ(dialog_->Text(0, L"down_size"), L" 下载完成    976.56KB");
  EXPECT_LT(turns, 20);
}

}  // namespace
