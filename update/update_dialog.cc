// The update window. Its install thread downloads the archive with progress,
// installs it and records the new build; every change it makes to the
// controls is handed to the window's thread in the order it was made.
#include "update/update_dialog.h"

#include <system_error>
#include <thread>

#include "app/data_dir.h"
#include "download/bind_callback.h"
#include "download/progress.h"
#include "platform/log.h"
#include "platform/main_thread.h"
#include "platform/unicode_text.h"
#include "ui/control_ui.h"
#include "ui/progress_ui.h"
#include "update/update_install.h"
#include "util/cache_buster.h"

namespace {

const wchar_t* StatusText(std::int32_t state) {
  switch (state) {
    case UpdateDialog::Updating:
      return L"正在升级...";
    case UpdateDialog::DownloadFailed:
      return L"下载升级包失败";
    case UpdateDialog::Installed:
      return L"升级成功";
    case UpdateDialog::UnpackFailed:
      return L"升级失败";
    default:
      return nullptr;  // Unpacking keeps the text it has
  }
}

// Why an update failed, in a few words, after "升级失败". The old bundle stays
// in every case, and the window says so: the user goes on with it.
const wchar_t* FailureReason(UpdateOutcome outcome) {
  switch (outcome) {
    case UpdateOutcome::kUntrustedSource:
      return L"升级包来源不可信";
    case UpdateOutcome::kUnsigned:
      return L"升级包没有签名";
    case UpdateOutcome::kBadSignature:
      return L"升级包签名无效";
    case UpdateOutcome::kNotThisProduct:
      return L"升级包不是本程序的页面包";
    case UpdateOutcome::kWrongBuild:
      return L"升级包的版本号与服务器公布的不符";
    case UpdateOutcome::kNotNewer:
      return L"升级包不比已安装的版本新";
    case UpdateOutcome::kTooLarge:
      return L"升级包解压后过大";
    case UpdateOutcome::kUnsafeName:
      return L"升级包含有数据目录以外的路径";
    case UpdateOutcome::kTooManyEntries:
      return L"升级包文件过多";
    case UpdateOutcome::kNoSpace:
      return L"磁盘空间不足";
    case UpdateOutcome::kWriteFailed:
      return L"无法写入数据目录";
    case UpdateOutcome::kNotRecorded:
      return L"无法记录版本号";
    default:
      return L"升级包已损坏";
  }
}

}  // namespace

UpdateDialog::UpdateDialog(HWND owner, DownloadItem job, std::string build)
    : m_hOwner(owner), m_job(std::move(job)), m_strBuild(std::move(build)) {}

UpdateDialog::~UpdateDialog() = default;

const wchar_t* UpdateDialog::GetWindowClassName() const { return L"update_wnd_class"; }

UINT UpdateDialog::GetClassStyle() const { return CS_DBLCLKS; }

LRESULT UpdateDialog::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  // The caption is not a maximise handle for this window.
  if (uMsg == WM_NCLBUTTONDBLCLK) return 0;
  if (uMsg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) {
    OnCloseRequest();
    return 0;
  }
  return WindowImplBase::HandleMessage(uMsg, wParam, lParam);
}

LRESULT UpdateDialog::ResponseDefaultKeyEvent(WPARAM wParam) {
  if (wParam != VK_ESCAPE) return FALSE;
  OnCloseRequest();
  return TRUE;
}

void UpdateDialog::OnCloseRequest() {
  const std::int32_t state = m_nState.load();
  if (state == Updating || state == Unpacking) {
    MessageBoxW(GetHWND(), L"请耐心等待升级完成", L"提示", MB_OK);
  } else {
    Close(IDOK);
  }
}

// The window object lives until the program ends: the install thread may
// still be reporting to it.
void UpdateDialog::OnFinalMessage(HWND) {}

void UpdateDialog::InitWindow() {
  m_pStatus = m_PaintManager.FindControl(L"update_status");
  m_pProgress = dynamic_cast<CProgressUI*>(m_PaintManager.FindControl(L"progress"));
  m_pStart = m_PaintManager.FindControl(L"start");
  try {
    std::thread(&UpdateDialog::InstallThread, this, m_job, m_strBuild).detach();
  } catch (const std::system_error&) {
    platform::Log("update: cannot start the install thread");
    SetStatus(UnpackFailed);
  }
}

void UpdateDialog::OnClick(TNotifyUI& msg) {
  if (msg.pSender == nullptr) return;
  if (msg.pSender->GetName() == L"btn_close") {
    OnCloseRequest();
  } else if (msg.pSender == m_pStart) {
    Close(IDOK);
  }
}

CDuiString UpdateDialog::GetSkinFolder() { return L"Skin/"; }

CDuiString UpdateDialog::GetSkinFile() { return L"UpdateWnd.xml"; }

UILIB_RESOURCETYPE UpdateDialog::GetResourceType() const { return UILIB_FILE; }

CDuiString UpdateDialog::GetZIPFileName() const { return L""; }

LRESULT UpdateDialog::HandleCustomMessage(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

void UpdateDialog::SetStatus(std::int32_t state) {
  m_nState.store(state);
  platform::Log("update: state %d", static_cast<int>(state));
  const wchar_t* text = StatusText(state);
  if (text == nullptr) return;
  PostToWindow([this, text] {
    if (m_pStatus) m_pStatus->SetText(text);
  });
}

void UpdateDialog::ShowFailure(std::int32_t state, const std::wstring& text) {
  m_nState.store(state);
  platform::Log("update: state %d", static_cast<int>(state));
  // A bar left where the download stopped, or full, would tell of a success.
  PostToWindow([this, text] {
    if (m_pStatus) m_pStatus->SetText(text.c_str());
    if (m_pProgress) m_pProgress->SetVisible(false);
    platform::Log("update: status %s", platform::WideToUtf8(text).c_str());
  });
}

void UpdateDialog::UpdateProgress(ULONG progress, ULONG total, int) {
  SetProgress(progress, total);
}

void UpdateDialog::SetProgress(DWORD progress, DWORD total) {
  const DownloadProgress step = ProgressOf(progress, total);
  if (step.stage == DownloadStage::kBeyond) return;
  const int percent = step.percent;
  // The download reports far more often than the bar can change.
  if (percent == m_nLastPercent) return;
  m_nLastPercent = percent;
  PostToWindow([this, percent] {
    if (m_pProgress) m_pProgress->SetValue(percent);
    platform::Log("update: progress %d", percent);
  });
}

void UpdateDialog::PostToWindow(std::function<void()> change) {
  platform::PostToMainThread([this, change = std::move(change)] {
    if (IsWindow(GetHWND())) change();
  });
}

void UpdateDialog::InstallThread(DownloadItem job, std::string build) {
  CBindCallback callback;
  callback.view = this;

  SetStatus(Updating);
  UpdateRequest request;
  request.dataDir = GetDataDirA();
  request.packageUrl = job.url;
  request.suffix = CacheBustingQuery();
  request.archivePath = job.path;
  request.build = std::move(build);
  request.trust = ClientUpdateTrust(request.dataDir);
  const UpdateOutcome outcome = InstallUpdate(request, &callback, [this] { SetStatus(Unpacking); });
  if (outcome == UpdateOutcome::kDownloadFailed) {
    ShowFailure(DownloadFailed, StatusText(DownloadFailed));
    return;
  }
  if (outcome != UpdateOutcome::kInstalled) {
    ShowFailure(UnpackFailed, std::wstring(StatusText(UnpackFailed)) + L"：" +
                                  FailureReason(outcome) + L"，将继续使用当前版本");
    return;
  }
  SetStatus(Installed);
  // "升级成功" stays above the button that goes on.
  PostToWindow([this] {
    if (m_pProgress) m_pProgress->SetVisible(false);
    if (m_pStart) {
      m_pStart->SetVisible(true);
      // Return goes on, and a screen reader announces the button.
      m_pStart->SetFocus();
    }
    platform::Log("update: start offered");
  });
}
