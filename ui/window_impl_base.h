// WindowImplBase: the base of every skinned window. On creation it builds
// the control tree from Skin/<GetSkinFile()> beside the executable, then
// calls InitWindow. Its HandleMessage offers each message first to its own
// OnXxx handler, then to HandleCustomMessage, then to the toolkit's filters
// (ResponseDefaultKeyEvent for Return and Escape), and last to the system's
// default processing (CWindowWnd::HandleMessage). Notifications of the
// controls arrive in Notify; "click" goes on to OnClick.
#pragma once

#include "platform/windows.h"
#include "ui/dui_string.h"
#include "ui/paint_manager_ui.h"
#include "ui/ui_interfaces.h"
#include "ui/window_wnd.h"

class WindowImplBase : public CWindowWnd,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback {
 public:
  WindowImplBase();
  ~WindowImplBase() override;

  // Overridable operations, in their order.
  const wchar_t* GetWindowClassName() const override = 0;
  UINT GetClassStyle() const override;
  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
  void OnFinalMessage(HWND hWnd) override;
  virtual void InitWindow();
  // "click" notifications. By default the standard caption buttons act:
  // "closebtn" closes, "minbtn", "maxbtn" and "restorebtn" minimise,
  // maximise and restore.
  virtual void OnClick(TNotifyUI& msg);
  virtual CDuiString GetSkinFolder() = 0;  // "Skin\" or "Skin/"
  virtual CDuiString GetSkinFile() = 0;    // "MainWnd.xml"
  // Return and Escape pressed in the window. Nonzero: handled; zero leaves
  // the key to the native child with the focus (the page). By default
  // Escape closes the window (IDCANCEL) and Return does nothing.
  virtual LRESULT ResponseDefaultKeyEvent(WPARAM wParam);
  virtual UILIB_RESOURCETYPE GetResourceType() const;
  virtual CDuiString GetZIPFileName() const;
  // Messages not taken by the base's handlers. Setting bHandled ends the
  // message with the returned value; otherwise the toolkit and the system
  // process it too.
  virtual LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  void Notify(TNotifyUI& msg) override;

  // Other operations a window may override.
  CControlUI* CreateControl(const wchar_t* pstrClass) override;
  // The control that has the focus when the window is shown: by default the
  // first of its focus order. Null leaves the keyboard to a native child
  // (the page).
  virtual CControlUI* GetInitialFocus();
  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
  virtual const wchar_t* GetResourceID() const;

  // The base's own message handlers. Those for WM_CLOSE, WM_SIZE,
  // WM_SYSCOMMAND, WM_KEYDOWN, WM_DROPFILES and WM_COPYDATA leave the
  // message unhandled. WM_KEYDOWN comes for every key, with its virtual-key
  // code in wParam and the modifiers held readable with GetKeyState; a
  // window that sets bHandled takes the key, even a shortcut the page would
  // otherwise have had (CWindowWnd::HandleMessage).
  virtual LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnSize(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  virtual LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);

 protected:
  CPaintManagerUI m_PaintManager;
};
