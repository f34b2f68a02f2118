// Hands file drops on the browser view to its top-level window.
#include "engine/view_file_drops.h"

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "platform/drop_files.h"
#include "platform/native_window.h"
#include "platform/unicode_text.h"

namespace engine {
namespace {

constexpr char kUriList[] = "text/uri-list";
constexpr char kWaitingKey[] = "quorbital-file-drop";

bool OffersFiles(GdkDragContext* context) {
  GdkAtom uri_list = gdk_atom_intern_static_string(kUriList);
  for (GList* t = gdk_drag_context_list_targets(context); t != nullptr; t = t->next) {
    if (GDK_POINTER_TO_ATOM(t->data) == uri_list) return true;
  }
  return false;
}

bool AcceptsFiles(HWND parent) {
  platform::NativeWindow* window = platform::LookupWindow(parent);
  return window != nullptr && (window->ExStyle() & WS_EX_ACCEPTFILES) != 0;
}

// Runs before the view's own handler (the signal runs its class handler last).
gboolean OnDragDrop(GtkWidget* view, GdkDragContext* context, gint, gint, guint time,
                    gpointer parent) {
  if (!OffersFiles(context) || !AcceptsFiles(static_cast<HWND>(parent))) return FALSE;
  g_object_set_data(G_OBJECT(view), kWaitingKey, GINT_TO_POINTER(1));
  gtk_drag_get_data(view, context, gdk_atom_intern_static_string(kUriList), time);
  g_signal_stop_emission_by_name(view, "drag-drop");
  return TRUE;
}

void OnDragDataReceived(GtkWidget* view, GdkDragContext* context, gint, gint,
                        GtkSelectionData* data, guint, guint time, gpointer parent) {
  if (!g_object_get_data(G_OBJECT(view), kWaitingKey)) return;
  g_object_set_data(G_OBJECT(view), kWaitingKey, nullptr);
  g_signal_stop_emission_by_name(view, "drag-data-received");

  std::vector<std::wstring> paths;
  g_auto(GStrv) uris = gtk_selection_data_get_uris(data);
  for (gchar** uri = uris; uri != nullptr && *uri != nullptr; ++uri) {
    g_autofree gchar* path = g_filename_from_uri(*uri, nullptr, nullptr);
    if (path == nullptr) continue;  // not a local file
    g_autofree gchar* utf8 = g_filename_to_utf8(path, -1, nullptr, nullptr, nullptr);
    if (utf8 != nullptr) paths.push_back(platform::Utf8ToWide(utf8));
  }
  gtk_drag_finish(context, !paths.empty(), FALSE, time);
  if (!paths.empty()) platform::DeliverDroppedFiles(static_cast<HWND>(parent), paths);
}

}  // namespace

void ForwardFileDrops(void* view, HWND parent) {
  g_signal_connect(view, "drag-drop", G_CALLBACK(OnDragDrop), parent);
  g_signal_connect(view, "drag-data-received", G_CALLBACK(OnDragDataReceived), parent);
}

}  // namespace engine
