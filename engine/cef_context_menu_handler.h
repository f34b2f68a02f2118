// Context menus of a browser. Main thread.
#pragma once

#include "engine/cef_context_menu_params.h"
#include "engine/cef_menu_model.h"
#include "engine/cef_ref_ptr.h"

class CefBrowser;
class CefFrame;

class CefContextMenuHandler : public CefBaseRefCounted {
 public:
  // Before a context menu shows; a model left empty shows no menu at all.
  virtual void OnBeforeContextMenu(CefRefPtr<CefBrowser> /*browser*/, CefRefPtr<CefFrame> /*frame*/,
                                   CefRefPtr<CefContextMenuParams> /*params*/,
                                   CefRefPtr<CefMenuModel> /*model*/) {}
};
