// MessageBoxW: a modal GTK message dialog with an OK button (GTK's own, in
// the user's language), owned by the given window, run in a nested level of
// the main thread's loop. Called from another thread, it runs on the main
// thread while the caller waits.
#include <gtk/gtk.h>

#include <cstdint>
#include <string>

#include "platform/main_thread.h"
#include "platform/native_window.h"
#include "platform/open_dialogs.h"
#include "platform/unicode_text.h"
#include "platform/windows.h"

namespace {

void OnResponse(GtkDialog*, gint response, gpointer data) {
  *static_cast<gint*>(data) = response;
  platform::QuitMessageLoop();
}

int RunMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  if (gdk_display_get_default() == nullptr) return 0;
  // The program is ending: nobody is left to read it.
  if (platform::DialogsEnded()) return IDOK;
  GtkWindow* parent = nullptr;
  if (platform::NativeWindow* w = platform::LookupWindow(owner)) {
    if (w->NativeHandle() != nullptr) parent = GTK_WINDOW(w->NativeHandle());
  }
  const UINT icon = type & 0xF0;
  GtkMessageType kind = icon == MB_ICONINFORMATION ? GTK_MESSAGE_INFO
                        : icon == MB_ICONERROR     ? GTK_MESSAGE_ERROR
                                                   : GTK_MESSAGE_OTHER;
  std::string body = platform::WideToUtf8(text);
  GtkWidget* dialog =
      gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, kind, GTK_BUTTONS_OK, "%s", body.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), platform::WideToUtf8(caption).c_str());
  // Screen readers name the box by its caption, not by GTK's word for its kind.
  atk_object_set_name(gtk_widget_get_accessible(dialog), platform::WideToUtf8(caption).c_str());
  gtk_window_set_position(GTK_WINDOW(dialog),
                          parent ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
  gint response = GTK_RESPONSE_NONE;
  g_signal_connect(dialog, "response", G_CALLBACK(OnResponse), &response);
  gtk_widget_show_all(dialog);
  {
    platform::OpenDialog open(dialog);
    platform::RunMessageLoop();
  }
  g_signal_handlers_disconnect_by_data(dialog, &response);
  gtk_widget_destroy(dialog);
  // MB_OK has one answer; closing the dialog any other way counts as it.
  return IDOK;
}

}  // namespace

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  int result = 0;
  std::wstring text_copy = text ? text : L"";
  std::wstring caption_copy = caption ? caption : L"";
  platform::RunOnMainThread(
      [&] { result = RunMessageBox(owner, text_copy.c_str(), caption_copy.c_str(), type); });
  return result;
}
