// Native toolkit windows: creation, the system's default message processing,
// destruction, modality and the thread hand-off of every public call.
#include "ui/window_wnd.h"

#include <condition_variable>
#include <mutex>
#include <string>

#include "platform/main_thread.h"
#include "platform/process_paths.h"
#include "platform/unicode_text.h"
#include "ui/attribute_parser.h"
#include "ui/paint_manager_ui.h"
#include "ui/window_host.h"

namespace ui {

// One ShowModal in progress: the window's end fills in the result and wakes
// the waiter (a worker thread, or the nested loop on the main thread).
struct ModalState {
  std::mutex mutex;
  std::condition_variable done_cv;
  bool done = false;
  bool nested_loop = false;
  UINT result = 0;
};

}  // namespace ui

CWindowWnd::CWindowWnd() = default;

CWindowWnd::~CWindowWnd() {
  // A window object deleted before its window: take the window down without
  // calling back into the half-destroyed object.
  if (host_ != nullptr) {
    ui::WindowHost* host = host_;
    host_ = nullptr;
    host->DestroyNative();
    host->Unregister();
    platform::PostToMainThread([host] { delete host; });
  }
}

const wchar_t* CWindowWnd::GetSuperClassName() const { return nullptr; }
UINT CWindowWnd::GetClassStyle() const { return 0; }

HWND CWindowWnd::Create(HWND owner, const wchar_t* name, DWORD style, DWORD ex_style,
                        const RECT& rc, HMENU menu) {
  return Create(owner, name, style, ex_style, rc.left, rc.top, rc.right - rc.left,
                rc.bottom - rc.top, menu);
}

HWND CWindowWnd::Create(HWND owner, const wchar_t* name, DWORD style, DWORD ex_style, int x, int y,
                        int cx, int cy, HMENU /*menu*/) {
  HWND result = nullptr;
  std::wstring title = name ? name : L"";
  platform::RunOnMainThread(
      [&] { result = CreateOnMainThread(owner, title.c_str(), style, ex_style, x, y, cx, cy); });
  return result;
}

HWND CWindowWnd::CreateOnMainThread(HWND owner, const wchar_t* name, DWORD style, DWORD ex_style,
                                    int x, int y, int cx, int cy) {
  if (hwnd_ != nullptr) return hwnd_;
  auto* host = new ui::WindowHost(this);
  const wchar_t* class_name = GetWindowClassName();
  HWND hwnd =
      host->Create(owner, class_name ? class_name : L"", name, style, ex_style, x, y, cx, cy);
  if (hwnd == nullptr) {
    delete host;
    return nullptr;
  }
  host_ = host;
  hwnd_ = hwnd;
  destroying_ = false;
  if (HandleMessage(WM_CREATE, 0, 0) == -1) {
    DestroyWindow();
    return nullptr;
  }
  if (hwnd_ == nullptr) return nullptr;  // destroyed while being created
  host_->FinishCreate();
  return hwnd_;
}

void CWindowWnd::ShowWindow(bool show, bool take_focus) {
  platform::RunOnMainThread([&] {
    if (host_ != nullptr) host_->SetVisible(show, take_focus);
  });
}

void CWindowWnd::CenterWindow() {
  platform::RunOnMainThread([&] {
    if (host_ != nullptr) host_->Center();
  });
}

void CWindowWnd::SetIcon(UINT res_id) {
  std::string path = platform::WideToUtf8(CPaintManagerUI::GetInstancePath().str()) + "res/icon_" +
                     std::to_string(res_id) + ".png";
  platform::RunOnMainThread([&] {
    if (host_ != nullptr) host_->SetIconFile(path);
  });
}

void CWindowWnd::ResizeClient(int cx, int cy) {
  platform::RunOnMainThread([&] {
    if (host_ != nullptr) host_->ResizeClient(cx, cy);
  });
}

bool CWindowWnd::HasDefaultSize() const { return host_ != nullptr && host_->UsedDefaultSize(); }

bool CWindowWnd::IsMaximized() const { return host_ != nullptr && host_->IsMaximized(); }

void CWindowWnd::Close(UINT result) { PostMessage(WM_CLOSE, result, 0); }

LRESULT CWindowWnd::SendMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  return ::SendMessageW(hwnd_, msg, wparam, lparam);
}

LRESULT CWindowWnd::PostMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
  return ::PostMessageW(hwnd_, msg, wparam, lparam);
}

bool CWindowWnd::BeginModal(const std::shared_ptr<ui::ModalState>& state) {
  if (host_ == nullptr || modal_ != nullptr) return false;
  modal_ = state;
  host_->SetModal(true);
  host_->SetVisible(true, true);
  return true;
}

UINT CWindowWnd::ShowModal() {
  auto state = std::make_shared<ui::ModalState>();
  if (!platform::IsMainThread()) {
    bool started = false;
    platform::RunOnMainThread([&] { started = BeginModal(state); });
    if (!started) return static_cast<UINT>(-1);
    std::unique_lock<std::mutex> lock(state->mutex);
    state->done_cv.wait(lock, [&] { return state->done; });
    return state->result;
  }
  if (!BeginModal(state)) return static_cast<UINT>(-1);
  state->nested_loop = true;
  // The window's end quits this level; loop in case another level's quit
  // came first.
  while (true) {
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      if (state->done) break;
    }
    platform::RunMessageLoop();
  }
  return state->result;
}

void CWindowWnd::DestroyWindow() {
  if (hwnd_ == nullptr || destroying_) return;
  destroying_ = true;
  HWND hwnd = hwnd_;
  ui::WindowHost* host = host_;
  HandleMessage(WM_DESTROY, 0, 0);
  host->DestroyNative();
  HandleMessage(WM_NCDESTROY, 0, 0);
  host->Unregister();
  host_ = nullptr;
  hwnd_ = nullptr;
  // The host may be on the stack of the GTK event that ended the window.
  platform::PostToMainThread([host] { delete host; });
  std::shared_ptr<ui::ModalState> modal = std::move(modal_);
  if (modal != nullptr) {
    {
      std::lock_guard<std::mutex> lock(modal->mutex);
      modal->done = true;
      modal->result = close_result_;
    }
    modal->done_cv.notify_all();
    if (modal->nested_loop) platform::QuitMessageLoop();
  }
  OnFinalMessage(hwnd);  // last: may delete this
}

LRESULT CWindowWnd::HandleMessage(UINT msg, WPARAM wparam, LPARAM /*lparam*/) {
  switch (msg) {
    case WM_CLOSE:
      close_result_ = static_cast<UINT>(wparam);
      DestroyWindow();
      return 0;
    case WM_SYSCOMMAND:
      if (host_ == nullptr) return 0;
      switch (wparam & 0xFFF0) {
        case SC_MAXIMIZE:
          host_->Maximize();
          break;
        case SC_RESTORE:
          host_->Restore();
          break;
        case SC_MINIMIZE:
          host_->Minimize();
          break;
        case SC_CLOSE:
          SendMessage(WM_CLOSE, 0, 0);
          break;
        default:
          break;
      }
      return 0;
    case WM_KEYDOWN:
      if (wparam == VK_F4 && GetKeyState(VK_MENU) < 0) {
        SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
      }
      key_unused_ = true;
      return 0;
    case WM_NCLBUTTONDBLCLK:
      if (host_ != nullptr && (host_->Style() & (WS_MAXIMIZEBOX | WS_THICKFRAME))) {
        if (host_->IsMaximized())
          host_->Restore();
        else
          host_->Maximize();
      }
      return 0;
    default:
      return 0;
  }
}

void CWindowWnd::OnFinalMessage(HWND /*hwnd*/) {}
