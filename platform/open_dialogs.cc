// The list of open dialogs and their closing when the program ends.
#include "platform/open_dialogs.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <vector>

#include "platform/log.h"

namespace platform {
namespace {

std::vector<void*> g_open;
bool g_ended = false;

}  // namespace

void EndDialogs() {
  g_ended = true;
  // A cancelled dialog may close others on its way out: work on a copy and
  // skip those already gone.
  const std::vector<void*> open = g_open;
  for (void* dialog : open) {
    if (std::find(g_open.begin(), g_open.end(), dialog) == g_open.end()) continue;
    const gchar* title = gtk_window_get_title(GTK_WINDOW(dialog));
    Log("dialog \"%s\" closed: the program is ending", title ? title : "");
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
  }
  // The web engine's own dialogs (printing, colour and file choosers a page
  // opened) are not on the list; some run a loop of their own that would
  // hold the program just the same. Every other dialog on screen is
  // cancelled too.
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* item = toplevels; item != nullptr; item = item->next) {
    void* window = item->data;
    if (!GTK_IS_DIALOG(window) || !gtk_widget_get_visible(GTK_WIDGET(window))) continue;
    if (std::find(open.begin(), open.end(), window) != open.end()) continue;
    const gchar* title = gtk_window_get_title(GTK_WINDOW(window));
    Log("dialog \"%s\" closed: the program is ending", title ? title : "");
    gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_CANCEL);
  }
  g_list_free(toplevels);
}

bool DialogsEnded() { return g_ended; }

OpenDialog::OpenDialog(void* dialog) : dialog_(dialog) { g_open.push_back(dialog); }

OpenDialog::~OpenDialog() { g_open.erase(std::find(g_open.begin(), g_open.end(), dialog_)); }

}  // namespace platform
