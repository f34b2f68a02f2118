// Recently used files through GTK's recent manager (recently-used.xbel in
// the user's data folder).
#include "platform/recent_documents.h"

#include <gtk/gtk.h>

#include "platform/log.h"
#include "platform/unicode_text.h"

namespace platform {

void AddRecentDocument(const std::wstring& path) {
  const std::string file = WideToUtf8(path);
  if (file.empty() || file[0] != '/' || !g_file_test(file.c_str(), G_FILE_TEST_IS_REGULAR)) return;
  g_autofree gchar* uri = g_filename_to_uri(file.c_str(), nullptr, nullptr);
  if (uri == nullptr) return;
  g_autofree gchar* type = g_content_type_guess(file.c_str(), nullptr, 0, nullptr);
  g_autofree gchar* mime = type ? g_content_type_get_mime_type(type) : nullptr;
  GtkRecentData data{};
  data.mime_type = mime ? mime : const_cast<gchar*>("application/octet-stream");
  data.app_name = const_cast<gchar*>("Quorbital");
  data.app_exec = const_cast<gchar*>("quorbital %f");
  GtkRecentManager* manager = gtk_recent_manager_get_default();
  if (!gtk_recent_manager_add_full(manager, uri, &data)) {
    LogWarning("cannot add %s to the recently used files", file.c_str());
    return;
  }
  // The manager writes its list a moment after a change; written now, a
  // document opened just before the program ends is on it too.
  g_signal_emit_by_name(manager, "changed");
  Log("recently used: %s (%s)", file.c_str(), data.mime_type);
}

}  // namespace platform
