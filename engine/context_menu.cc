// Context-menu parameters and model.
#include "engine/context_menu.h"

namespace engine {

int ContextMenuTypeFlags(WebKitHitTestResult* hit, WebKitContextMenu* menu) {
  gboolean in_frame = FALSE;
  GVariant* data = menu ? webkit_context_menu_get_user_data(menu) : nullptr;
  if (data && g_variant_is_of_type(data, G_VARIANT_TYPE_VARDICT)) {
    g_variant_lookup(data, "frame", "b", &in_frame);
  }
  int flags = in_frame ? CM_TYPEFLAG_FRAME : CM_TYPEFLAG_PAGE;
  if (!hit) return flags;
  if (webkit_hit_test_result_context_is_link(hit)) flags |= CM_TYPEFLAG_LINK;
  if (webkit_hit_test_result_context_is_image(hit) || webkit_hit_test_result_context_is_media(hit))
    flags |= CM_TYPEFLAG_MEDIA;
  if (webkit_hit_test_result_context_is_selection(hit)) flags |= CM_TYPEFLAG_SELECTION;
  if (webkit_hit_test_result_context_is_editable(hit)) flags |= CM_TYPEFLAG_EDITABLE;
  return flags;
}

ContextMenuParams::ContextMenuParams(WebKitHitTestResult* hit, WebKitContextMenu* menu)
    : flags_(ContextMenuTypeFlags(hit, menu)) {}

std::size_t MenuModel::GetCount() { return menu_ ? webkit_context_menu_get_n_items(menu_) : 0; }

bool MenuModel::Clear() {
  if (!menu_) return false;
  webkit_context_menu_remove_all(menu_);
  return true;
}

}  // namespace engine
