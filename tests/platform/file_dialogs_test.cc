// The open and save dialogs, shown for real under the test display and
// answered through the answer source.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/main_thread.h"
#include "platform/native_window.h"
#include "platform/windows.h"

namespace fs = std::filesystem;

namespace {

class FileDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "needs a display";
    platform::InitMainThread();
    dir_ = fs::temp_directory_path() / ("qdlg-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    answers_ = dir_ / "answers";
    log_ = dir_ / "log";
    setenv("QUORBITAL_DIALOG_ANSWERS", answers_.c_str(), 1);
    setenv("QUORBITAL_DIALOG_LOG", log_.c_str(), 1);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Answer(const std::string& line) { std::ofstream(answers_, std::ios::app) << line << '\n'; }
  std::string Log() {
    std::ifstream in(log_);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path dir_, answers_, log_;
};

OPENFILENAMEW OpenRecord(wchar_t* buffer) {
  OPENFILENAMEW ofn;
  ofn.lStructSize = sizeof(ofn);
  ofn.lpstrFilter = L"zv files (*.zv)\0*.zv\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buffer;
  ofn.nMaxFile = 2048;
  ofn.lpstrTitle = L"打开";
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  return ofn;
}

TEST_F(FileDialogs, OpenReturnsAnExistingFileAndRefusesAMissingOne) {
  fs::path doc = dir_ / "my docs" / "a.zv";
  fs::create_directories(doc.parent_path());
  std::ofstream(doc) << "{}";
  Answer(doc.string());
  Answer((dir_ / "missing.zv").string());
  Answer("cancel");

  wchar_t buffer[2048] = {0};
  OPENFILENAMEW ofn = OpenRecord(buffer);
  ASSERT_TRUE(GetOpenFileNameW(&ofn));
  std::wstring chosen(buffer);
  EXPECT_EQ(chosen.size(), doc.string().size());
  EXPECT_EQ(chosen.substr(chosen.size() - 12), L"my docs/a.zv");

  buffer[0] = 0;
  EXPECT_FALSE(GetOpenFileNameW(&ofn)) << "a file that does not exist is never returned";
  EXPECT_FALSE(GetOpenFileNameW(&ofn)) << "cancel";
  EXPECT_EQ(buffer[0], L'\0');
  EXPECT_NE(Log().find("open\t打开\t"), std::string::npos);
}

UINT_PTR g_hook_calls = 0;
HWND g_hook_parent = nullptr;
UINT_PTR RecordingHook(HWND dialog, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_INITDIALOG) {
    ++g_hook_calls;
    platform::NativeWindow* inner = platform::LookupWindow(dialog);
    g_hook_parent = inner ? inner->Parent() : nullptr;
  }
  return 1;
}

TEST_F(FileDialogs, SaveSuggestsTheNameAndRunsTheHookOnce) {
  fs::path target = dir_ / "x.pdf";
  Answer(target.string());
  wchar_t buffer[2048] = L"a b.pdf";
  OPENFILENAMEW ofn;
  ofn.lStructSize = sizeof(ofn);
  ofn.lpstrFile = buffer;
  ofn.nMaxFile = 2048;
  ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_HIDEREADONLY;
  ofn.FlagsEx = OFN_EX_NOPLACESBAR;
  ofn.lpfnHook = RecordingHook;
  ASSERT_TRUE(GetSaveFileNameW(&ofn));
  EXPECT_EQ(std::wstring(buffer).substr(std::wstring(buffer).size() - 6), L"/x.pdf");
  EXPECT_EQ(g_hook_calls, 1u);
  EXPECT_NE(g_hook_parent, nullptr) << "the hook's window has the dialog frame as parent";
  EXPECT_NE(Log().find("save\t"), std::string::npos);
  EXPECT_NE(Log().find("\ta b.pdf"), std::string::npos);
}

TEST_F(FileDialogs, SaveOpensInTheDownloadFolderAndAsksBeforeReplacing) {
  fs::path downloads = dir_ / "dl";
  fs::create_directories(downloads);
  setenv("XDG_DOWNLOAD_DIR", downloads.c_str(), 1);
  fs::path existing = downloads / "x.pdf";
  std::ofstream(existing) << "old";
  Answer(existing.string());
  Answer("no");
  Answer(existing.string());
  Answer("yes");
  wchar_t buffer[2048] = L"x.pdf";
  OPENFILENAMEW ofn;
  ofn.lpstrFile = buffer;
  ofn.nMaxFile = 2048;
  ofn.Flags = OFN_OVERWRITEPROMPT;
  EXPECT_FALSE(GetSaveFileNameW(&ofn)) << "no keeps the file";
  EXPECT_TRUE(GetSaveFileNameW(&ofn));
  EXPECT_EQ(std::wstring(buffer).substr(std::wstring(buffer).size() - 6), L"/x.pdf");
  unsetenv("XDG_DOWNLOAD_DIR");
  const std::string log = Log();
  // Under the C locale GTK's own words are the English ones.
  EXPECT_NE(log.find("save\tSave As\tx.pdf\t" + downloads.string() + "\t_Cancel|_Save\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("confirm\t"), std::string::npos) << log;
  EXPECT_NE(log.find("\t" + existing.string() + "\t"), std::string::npos) << log;
}

TEST_F(FileDialogs, ABufferTooSmallForThePathFails) {
  fs::path doc = dir_ / "long-name-document.zv";
  std::ofstream(doc) << "{}";
  Answer(doc.string());
  wchar_t buffer[8] = {0};
  OPENFILENAMEW ofn = OpenRecord(buffer);
  ofn.nMaxFile = 8;
  EXPECT_FALSE(GetOpenFileNameW(&ofn));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

}  // namespace
