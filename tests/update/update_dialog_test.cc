// The update window on a real display: a worker creates it and runs it
// modally, as the start-up worker does, while it downloads from a local
// service on 127.0.0.1 and installs into a private data directory.
#include "update/update_dialog.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/main_thread.h"
#include "tests/support/http_server.h"
#include "tests/support/main_loop.h"
#include "ui/control_ui.h"
#include "ui/progress_ui.h"
#include "ui/window_styles.h"

namespace fs = std::filesystem;

namespace {

using test_support::HttpServer;
using test_support::PumpUntil;

const fs::path kSkinDir = fs::path(QUORBITAL_SOURCE_DIR) / "Skin";

class ToolkitEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { CPaintManagerUI::SetInstance(nullptr); }
};
const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new ToolkitEnvironment);

std::string Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// The window with its skin taken from the source tree and its controls in
// reach of the test.
class TestUpdateDialog : public UpdateDialog {
 public:
  using UpdateDialog::UpdateDialog;
  CDuiString GetSkinFolder() override { return CDuiString((kSkinDir.wstring() + L"/").c_str()); }
  CControlUI* Find(const wchar_t* name) { return m_PaintManager.FindControl(name); }
  void Click(const wchar_t* name) { m_PaintManager.SendNotify(Find(name), L"click"); }
};

// What a message box showed; it is answered as soon as it appears.
struct SeenBox {
  int count = 0;
  std::string title;
  std::string text;
};

gboolean AnswerMessageBox(gpointer data) {
  auto* seen = static_cast<SeenBox*>(data);
  GList* windows = gtk_window_list_toplevels();
  bool answered = false;
  for (GList* it = windows; it != nullptr && !answered; it = it->next) {
    if (!GTK_IS_MESSAGE_DIALOG(it->data) || !gtk_widget_get_visible(GTK_WIDGET(it->data))) continue;
    gchar* text = nullptr;
    g_object_get(it->data, "text", &text, nullptr);
    seen->text = text ? text : "";
    g_free(text);
    const gchar* title = gtk_window_get_title(GTK_WINDOW(it->data));
    seen->title = title ? title : "";
    ++seen->count;
    gtk_dialog_response(GTK_DIALOG(it->data), GTK_RESPONSE_OK);
    answered = true;
  }
  g_list_free(windows);
  return answered ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
}

class UpdateDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "qdlg-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    root_ = tmpl;
    data_ = root_ / "xdg" / "vexalio";
    ASSERT_EQ(setenv("XDG_DATA_HOME", (root_ / "xdg").c_str(), 1), 0);
    fs::create_directories(data_ / "contentEditor");
    std::ofstream(data_ / "contentEditor" / "index.html") << "old";
    fs::create_directories(root_ / "www");
    const std::string makeZip =
        "cd '" + root_.string() +
        "/www' && mkdir -p src/contentEditor && "
        "echo new > src/contentEditor/index.html && "
        "head -c 300000 /dev/urandom > src/contentEditor/big.bin && "
        "cd src && zip -q -r ../bundle.zip contentEditor && cd .. && rm -rf src && "
        "echo not an archive > broken.zip";
    ASSERT_EQ(std::system(makeZip.c_str()), 0);
    server_ = std::make_unique<HttpServer>(std::vector<std::string>{"--dir", root_ / "www"});
    ASSERT_GT(server_->port(), 0);
    ini_ = "[versionInformation]\nbuild=1000\ncloudHost=" + server_->Base() + "/\n";
    std::ofstream(data_ / "version.ini") << ini_;
  }

  void TearDown() override {
    if (worker_.joinable()) {
      // Close whatever is still open so the worker's modal loop ends.
      if (dialog_ && IsWindow(dialog_->GetHWND())) dialog_->Close(IDOK);
      PumpUntil([&] { return modalDone_.load(); }, 5000);
      worker_.join();
    }
    server_.reset();
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  // Creates and runs the window modally on a worker thread, like the
  // start-up worker; the dialog object is never deleted, as in the client.
  void Open(const std::string& path, const std::string& build) {
    DownloadItem job;
    job.path = (data_ / "updatehtml.zip").wstring();
    const std::string url = server_->Base() + "/" + path;
    job.url.assign(url.begin(), url.end());
    job.name = L"\\updatehtml.zip";
    dialog_ = new TestUpdateDialog(nullptr, job, build);
    worker_ = std::thread([this] {
      dialog_->Create(nullptr, L"update_dialog", kDialogWindowStyle, 0, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT);
      dialog_->CenterWindow();
      dialog_->ShowModal();
      modalDone_ = true;
    });
    // The controls exist once the window has been created on the main thread.
    ASSERT_TRUE(PumpUntil([&] { return dialog_->Find(L"start") != nullptr; }));
  }

  bool WaitForState(std::int32_t state) {
    return PumpUntil([&] { return dialog_->GetState() == state; });
  }

  std::wstring StatusText() {
    CControlUI* status = dialog_->Find(L"update_status");
    return status ? status->GetText().str() : std::wstring();
  }

  fs::path root_, data_;
  std::string ini_;
  std::unique_ptr<HttpServer> server_;
  TestUpdateDialog* dialog_ = nullptr;
  std::thread worker_;
  std::atomic<bool> modalDone_{false};
};

TEST_F(UpdateDialogTest, SuccessInstallsRecordsTheBuildAndOffersToGoOn) {
  Open("bundle.zip", "1234");
  ASSERT_TRUE(WaitForState(UpdateDialog::Installed));
  ASSERT_TRUE(PumpUntil([&] { return dialog_->Find(L"start")->IsVisible(); }));
  // "升级成功" stays above "开始使用"; the bar has done its work.
  EXPECT_EQ(StatusText(), L"升级成功");
  EXPECT_TRUE(dialog_->Find(L"update_status")->IsVisible());
  EXPECT_FALSE(dialog_->Find(L"progress")->IsVisible());
  EXPECT_EQ(static_cast<CProgressUI*>(dialog_->Find(L"progress"))->GetValue(), 100);
  EXPECT_EQ(Read(data_ / "contentEditor" / "index.html"), "new\n");
  EXPECT_NE(Read(data_ / "version.ini").find("build=1234"), std::string::npos);
  EXPECT_FALSE(fs::exists(data_ / "updatehtml.zip"));

  dialog_->Click(L"start");
  EXPECT_TRUE(PumpUntil([&] { return modalDone_.load(); }));
}

TEST_F(UpdateDialogTest, CloseIsRefusedWhileWorkingAndAllowedAfterwards) {
  Open("bundle.zip?hold=1", "1234");
  ASSERT_TRUE(PumpUntil([&] { return StatusText() == L"正在升级..."; }));
  SeenBox seen;
  const guint source = g_timeout_add(20, AnswerMessageBox, &seen);
  dialog_->Click(L"btn_close");
  if (seen.count == 0) g_source_remove(source);  // an answered box removed its source
  EXPECT_EQ(seen.count, 1);
  EXPECT_EQ(seen.text, "请耐心等待升级完成");
  EXPECT_EQ(seen.title, "提示");
  EXPECT_TRUE(IsWindow(dialog_->GetHWND()));
  EXPECT_FALSE(modalDone_);

  server_->Release();
  ASSERT_TRUE(WaitForState(UpdateDialog::Installed));
  dialog_->Click(L"btn_close");
  EXPECT_TRUE(PumpUntil([&] { return modalDone_.load(); }));
  EXPECT_EQ(seen.count, 1);
}

TEST_F(UpdateDialogTest, StartClosesAtOnceAndTheInstallGoesOnSafely) {
  Open("bundle.zip?hold=1", "1234");
  ASSERT_TRUE(PumpUntil([&] { return StatusText() == L"正在升级..."; }));
  dialog_->Click(L"start");
  ASSERT_TRUE(PumpUntil([&] { return modalDone_.load(); }));
  server_->Release();
  // The install thread outlives the window and still finishes its work.
  ASSERT_TRUE(WaitForState(UpdateDialog::Installed));
  EXPECT_TRUE(PumpUntil([&] { return Read(data_ / "contentEditor" / "index.html") == "new\n"; }));
}

TEST_F(UpdateDialogTest, FailedDownloadKeepsTheOldBundle) {
  Open("missing.zip", "1234");
  ASSERT_TRUE(WaitForState(UpdateDialog::DownloadFailed));
  ASSERT_TRUE(PumpUntil([&] { return StatusText() == L"下载升级包失败"; }));
  EXPECT_FALSE(dialog_->Find(L"progress")->IsVisible());
  EXPECT_EQ(Read(data_ / "contentEditor" / "index.html"), "old");
  EXPECT_EQ(Read(data_ / "version.ini"), ini_);
  EXPECT_FALSE(dialog_->Find(L"start")->IsVisible());
  dialog_->Click(L"btn_close");
  EXPECT_TRUE(PumpUntil([&] { return modalDone_.load(); }));
}

TEST_F(UpdateDialogTest, ABuildThatCannotBeRecordedUndoesTheInstallation) {
  // A build that would break the profile's lines cannot be recorded.
  const std::string ini = ini_;
  Open("bundle.zip", "12\n34");
  ASSERT_TRUE(WaitForState(UpdateDialog::UnpackFailed));
  ASSERT_TRUE(
      PumpUntil([&] { return StatusText() == L"升级失败：无法记录版本号，将继续使用当前版本"; }));
  EXPECT_EQ(Read(data_ / "contentEditor" / "index.html"), "old");
  EXPECT_FALSE(fs::exists(data_ / "contentEditor" / "big.bin"));
  EXPECT_TRUE(Read(data_ / "version.ini") == ini);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(data_)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"contentEditor", "version.ini"}));
  EXPECT_FALSE(dialog_->Find(L"start")->IsVisible());
}

TEST_F(UpdateDialogTest, AnArchiveOverTheBoundIsNotDownloaded) {
  Open("bytes/600000000", "1234");
  ASSERT_TRUE(WaitForState(UpdateDialog::DownloadFailed));
  EXPECT_EQ(Read(data_ / "contentEditor" / "index.html"), "old");
  EXPECT_FALSE(fs::exists(data_ / "updatehtml.zip"));
  dialog_->Click(L"btn_close");
  EXPECT_TRUE(PumpUntil([&] { return modalDone_.load(); }));
}

TEST_F(UpdateDialogTest, BrokenArchiveFailsAndKeepsTheOldBundle) {
  Open("broken.zip", "1234");
  ASSERT_TRUE(WaitForState(UpdateDialog::UnpackFailed));
  // The reason, and no bar that was filled by the download.
  ASSERT_TRUE(
      PumpUntil([&] { return StatusText() == L"升级失败：升级包已损坏，将继续使用当前版本"; }));
  EXPECT_FALSE(dialog_->Find(L"progress")->IsVisible());
  EXPECT_EQ(Read(data_ / "contentEditor" / "index.html"), "old");
  EXPECT_EQ(Read(data_ / "version.ini"), ini_);
  EXPECT_FALSE(fs::exists(data_ / "updatehtml.zip"));
  dialog_->Click(L"btn_close");
  EXPECT_TRUE(PumpUntil([&] { return modalDone_.load(); }));
}

}  // namespace
