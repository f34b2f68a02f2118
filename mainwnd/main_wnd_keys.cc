// The main window's keyboard shortcuts. Every shortcut of the main window is
// in the one table below, so they can be read, and checked for clashes,
// together: add new ones here. The window takes these keys before the page
// sees them; every other key goes on to the page.
#include "engine/cef_browser.h"
#include "engine/cef_browser_host.h"
#include "mainwnd/main_wnd.h"

namespace {

struct Shortcut {
  UINT key;        // virtual-key code
  UINT modifiers;  // MOD_CONTROL, MOD_SHIFT, MOD_ALT: exactly these held
  void (CMainWnd::*command)();
};

}  // namespace

LRESULT CMainWnd::OnKeyDown(UINT /*uMsg*/, WPARAM wParam, LPARAM /*lParam*/, BOOL& bHandled) {
  static constexpr Shortcut kShortcuts[] = {
      {VK_F6, 0, &CMainWnd::FocusNextPane},
      // The page's own open and full-screen buttons, and the close button.
      {'O', MOD_CONTROL, &CMainWnd::OpenDocumentFromDialog},
      {VK_F11, 0, &CMainWnd::ToggleFullScreen},
      {'Q', MOD_CONTROL, &CMainWnd::CloseFromKeyboard},
      {'W', MOD_CONTROL, &CMainWnd::CloseFromKeyboard},
      // The download list, as browsers have it.
      {'J', MOD_CONTROL, &CMainWnd::ShowDownloadList},
      // Page zoom, as browsers have it: plus with or without Shift (the
      // key of = and +), the keypad's keys too.
      {VK_OEM_PLUS, MOD_CONTROL, &CMainWnd::ZoomIn},
      {VK_OEM_PLUS, MOD_CONTROL | MOD_SHIFT, &CMainWnd::ZoomIn},
      {VK_ADD, MOD_CONTROL, &CMainWnd::ZoomIn},
      {VK_OEM_MINUS, MOD_CONTROL, &CMainWnd::ZoomOut},
      {VK_SUBTRACT, MOD_CONTROL, &CMainWnd::ZoomOut},
      {'0', MOD_CONTROL, &CMainWnd::ZoomReset},
      {VK_NUMPAD0, MOD_CONTROL, &CMainWnd::ZoomReset},
  };
  const UINT held = (GetKeyState(VK_CONTROL) < 0 ? MOD_CONTROL : 0) |
                    (GetKeyState(VK_SHIFT) < 0 ? MOD_SHIFT : 0) |
                    (GetKeyState(VK_MENU) < 0 ? MOD_ALT : 0);
  for (const Shortcut& shortcut : kShortcuts) {
    if (shortcut.key == wParam && shortcut.modifiers == held) {
      bHandled = TRUE;
      (this->*shortcut.command)();
      return 0;
    }
  }
  bHandled = FALSE;
  return 0;
}

void CMainWnd::FocusNextPane() {
  CefRefPtr<CefBrowser> browser = m_handler->GetBrowser();
  HWND page = browser ? browser->GetHost()->GetWindowHandle() : nullptr;
  // In full screen the page covers the title strip: the focus stays there.
  const bool full_screen = (GetWindowLongW(GetHWND(), GWL_STYLE) & WS_CAPTION) == 0;
  if (page != nullptr && (GetFocus() != page || full_screen)) {
    SetFocus(page);
    return;
  }
  m_PaintManager.SetFocus(nullptr);
  m_PaintManager.SetNextTabControl(true);
}

void CMainWnd::ToggleFullScreen() {
  // Full screen is the window without its frame (WS_POPUP), as
  // showWindowStatus leaves it.
  SetFullScreen((GetWindowLongW(GetHWND(), GWL_STYLE) & WS_POPUP) == 0);
}

void CMainWnd::CloseFromKeyboard() { Close(1); }
