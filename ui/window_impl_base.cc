// The skinned window base: skin loading, message routing, notifications.
#include "ui/window_impl_base.h"

#include <algorithm>
#include <cmath>

#include "platform/log.h"
#include "platform/native_window.h"
#include "platform/unicode_text.h"
#include "ui/attribute_parser.h"
#include "ui/container_ui.h"
#include "ui/dialog_builder.h"
#include "ui/window_host.h"

WindowImplBase::WindowImplBase() = default;

WindowImplBase::~WindowImplBase() {
  // The window may outlive this part of the object for a moment (the base
  // destructor takes it down): it must not draw with a dead manager.
  if (auto* host = dynamic_cast<ui::WindowHost*>(platform::LookupWindow(GetHWND())))
    host->SetPaintManager(nullptr);
}

UINT WindowImplBase::GetClassStyle() const { return CS_DBLCLKS; }

void WindowImplBase::OnFinalMessage(HWND /*hWnd*/) {
  m_PaintManager.RemoveNotifier(this);
  m_PaintManager.RemoveMessageFilter(this);
}

void WindowImplBase::InitWindow() {}

void WindowImplBase::OnClick(TNotifyUI& msg) {
  if (msg.pSender == nullptr) return;
  CDuiString name = msg.pSender->GetName();
  if (name == L"closebtn")
    Close(IDOK);
  else if (name == L"minbtn")
    SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  else if (name == L"maxbtn")
    SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  else if (name == L"restorebtn")
    SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
}

LRESULT WindowImplBase::ResponseDefaultKeyEvent(WPARAM wParam) {
  if (wParam == VK_ESCAPE) {
    Close(IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

UILIB_RESOURCETYPE WindowImplBase::GetResourceType() const { return UILIB_FILE; }
CDuiString WindowImplBase::GetZIPFileName() const { return CDuiString(); }
const wchar_t* WindowImplBase::GetResourceID() const { return L""; }

LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

void WindowImplBase::Notify(TNotifyUI& msg) {
  if (msg.sType == L"click") OnClick(msg);
}

CControlUI* WindowImplBase::CreateControl(const wchar_t*) { return nullptr; }

CControlUI* WindowImplBase::GetInitialFocus() {
  const std::vector<CControlUI*> order = m_PaintManager.GetFocusOrder();
  return order.empty() ? nullptr : order.front();
}

LRESULT WindowImplBase::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM, bool& bHandled) {
  if (uMsg == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
    // A key the window does not answer goes on (to the page, for one).
    const LRESULT result = ResponseDefaultKeyEvent(wParam);
    bHandled = result != 0;
    return result;
  }
  return 0;
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = TRUE;
  m_PaintManager.Init(GetHWND());
  CDuiString folder = GetSkinFolder();
  folder.Replace(L"\\", L"/");
  CDuiString base = CPaintManagerUI::GetInstancePath();
  m_PaintManager.SetResourcePath((folder.GetLength() > 0 && folder[0] == L'/') ? folder
                                                                               : base + folder);
  if (GetResourceType() != UILIB_FILE) {
    platform::LogWarning("only skins in plain files are supported; reading the file");
  }
  CDuiString skin = GetSkinFile();
  std::wstring path = m_PaintManager.GetResourcePath().str() + skin.str();
  CDialogBuilder builder;
  CControlUI* root = builder.Create(path, &m_PaintManager, this);
  if (root == nullptr) {
    platform::LogError("skin not loaded: %s",
                       platform::WideToUtf8(builder.GetLastErrorText()).c_str());
    // An empty window rather than none: the window still works, its
    // controls are simply missing.
    root = new CContainerUI;
    root->SetBkColor(0xFFF5F6F8u);
  }
  m_PaintManager.AttachDialog(root);
  m_PaintManager.SetInitialFocus([this] { return GetInitialFocus(); });
  m_PaintManager.AddNotifier(this);
  m_PaintManager.AddMessageFilter(this);
  // The skin grows with the desktop's text size, the window with it.
  m_PaintManager.ApplyDesktopLook();
  SIZE init = m_PaintManager.GetInitSize();
  const double zoom = m_PaintManager.GetZoom();
  if (HasDefaultSize() && init.cx > 0 && init.cy > 0)
    ResizeClient(static_cast<int>(std::lround(init.cx * zoom)),
                 static_cast<int>(std::lround(init.cy * zoom)));
  if (auto* host = dynamic_cast<ui::WindowHost*>(platform::LookupWindow(GetHWND()))) {
    host->SetPaintManager(&m_PaintManager);
  }
  InitWindow();
  return 0;
}

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  // The caption's maximise and restore buttons show the state the window
  // is not in.
  CControlUI* max_btn = m_PaintManager.FindControl(L"maxbtn");
  CControlUI* restore_btn = m_PaintManager.FindControl(L"restorebtn");
  if (max_btn != nullptr && restore_btn != nullptr) {
    max_btn->SetVisible(wParam != SIZE_MAXIMIZED);
    restore_btn->SetVisible(wParam == SIZE_MAXIMIZED);
  }
  bHandled = FALSE;
  return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  bHandled = FALSE;
  return 0;
}

LRESULT WindowImplBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  BOOL handled = TRUE;
  switch (uMsg) {
    case WM_CREATE:
      result = OnCreate(uMsg, wParam, lParam, handled);
      break;
    case WM_CLOSE:
      result = OnClose(uMsg, wParam, lParam, handled);
      break;
    case WM_DESTROY:
      result = OnDestroy(uMsg, wParam, lParam, handled);
      break;
    case WM_SIZE:
      result = OnSize(uMsg, wParam, lParam, handled);
      break;
    case WM_SYSCOMMAND:
      result = OnSysCommand(uMsg, wParam, lParam, handled);
      break;
    case WM_KEYDOWN:
      result = OnKeyDown(uMsg, wParam, lParam, handled);
      break;
    default:
      handled = FALSE;
      break;
  }
  if (handled) return result;
  result = HandleCustomMessage(uMsg, wParam, lParam, handled);
  if (handled) return result;
  if (m_PaintManager.MessageHandler(uMsg, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}
