// The records and small interfaces through which the toolkit talks to window
// classes: the notification record a control sends, the notification
// receiver, the message filter and the skin builder's control factory.
#pragma once

#include "platform/windows.h"
#include "ui/dui_string.h"

class CControlUI;

// One notification of a control: its type ("click", ...) and the control
// that sent it. The type is the first field, so a receiver given the record
// as an untyped pointer can still read it.
typedef struct tagTNotifyUI {
  CDuiString sType;
  CDuiString sVirtualWnd;
  CControlUI* pSender = nullptr;
  DWORD dwTimestamp = 0;
  POINT ptMouse;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
} TNotifyUI;

// Receives every notification of the window's controls.
class INotifyUI {
 public:
  virtual void Notify(TNotifyUI& msg) = 0;

 protected:
  ~INotifyUI() = default;
};

// Sees window messages before the toolkit's own processing; setting handled
// ends the message there.
class IMessageFilterUI {
 public:
  virtual LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) = 0;

 protected:
  ~IMessageFilterUI() = default;
};

// Asked by the skin builder for element names it does not know; returns a
// new control or null.
class IDialogBuilderCallback {
 public:
  virtual CControlUI* CreateControl(const wchar_t* pstrClass) = 0;

 protected:
  ~IDialogBuilderCallback() = default;
};

// Where a window's skin comes from. Only plain files are supported here.
enum UILIB_RESOURCETYPE {
  UILIB_FILE = 1,
  UILIB_ZIP,
  UILIB_RESOURCE,
  UILIB_ZIPRESOURCE,
};
