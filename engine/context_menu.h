// The engine's context-menu parameters and menu model over WebKit's hit-test
// result and context menu.
#pragma once

#include <webkit2/webkit2.h>

#include "engine/cef_context_menu_params.h"
#include "engine/cef_menu_model.h"

namespace engine {

// The type flags of a right-click: FRAME when the renderer marked the menu
// as opened inside an iframe, PAGE otherwise, plus LINK, MEDIA, SELECTION and
// EDITABLE from the hit test.
int ContextMenuTypeFlags(WebKitHitTestResult* hit, WebKitContextMenu* menu);

class ContextMenuParams : public CefContextMenuParams {
 public:
  ContextMenuParams(WebKitHitTestResult* hit, WebKitContextMenu* menu);
  int GetTypeFlags() override { return flags_; }

 private:
  int flags_;

  IMPLEMENT_REFCOUNTING(ContextMenuParams);
};

// Valid only during OnBeforeContextMenu; the menu belongs to WebKit.
class MenuModel : public CefMenuModel {
 public:
  explicit MenuModel(WebKitContextMenu* menu) : menu_(menu) {}
  std::size_t GetCount() override;
  bool Clear() override;
  void Detach() { menu_ = nullptr; }

 private:
  WebKitContextMenu* menu_;

  IMPLEMENT_REFCOUNTING(MenuModel);
};

}  // namespace engine
