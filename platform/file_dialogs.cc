// GetOpenFileNameW and GetSaveFileNameW as modal GTK file choosers.
//
// The dialog is always shown for real. For automated runs an answer source
// can be named in QUORBITAL_DIALOG_ANSWERS: a file whose first line answers
// the next dialog ("cancel" or a path) and is then removed from the file.
// QUORBITAL_DIALOG_LOG names a file to which each dialog appends one line:
// its kind, title, suggested name and the folder it opened in, separated by
// tabs, and the labels of its buttons, separated by "|". A save dialog's
// question before replacing a file takes the next answer ("yes" replaces,
// anything else does not) and logs "confirm", the question and the path.
//
// Titles and buttons the caller does not name are GTK's own, in the user's
// language (the "gtk30" translations), like every other part of the chooser.
#include <gtk/gtk.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/main_thread.h"
#include "platform/native_window.h"
#include "platform/open_dialogs.h"
#include "platform/unicode_text.h"
#include "platform/windows.h"

namespace {

// Splits a list of zero-terminated strings ended by a further zero.
std::vector<std::wstring> SplitDoubleZero(LPCWSTR list) {
  std::vector<std::wstring> out;
  if (!list) return out;
  while (*list) {
    std::wstring item(list);
    list += item.size() + 1;
    out.push_back(item);
  }
  return out;
}

std::string TakeScriptedAnswer(bool* scripted) {
  *scripted = false;
  const char* source = std::getenv("QUORBITAL_DIALOG_ANSWERS");
  if (!source || !*source) return {};
  std::ifstream in(source);
  if (!in) return {};
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  in.close();
  if (lines.empty()) return {};
  *scripted = true;
  std::ofstream out(source, std::ios::trunc);
  for (size_t i = 1; i < lines.size(); ++i) out << lines[i] << '\n';
  return lines.front();
}

// GTK's text for msgid in the user's language.
const char* GtkText(const char* msgid) { return g_dgettext("gtk30", msgid); }

// A button label without its mnemonic: "另存为(_A)" is "另存为", "Save _As"
// is "Save As".
std::string WithoutMnemonic(const std::string& label) {
  std::string text = label;
  const size_t group = text.find("(_");
  const size_t end = group == std::string::npos ? group : text.find(')', group);
  if (end != std::string::npos) text.erase(group, end - group + 1);
  const size_t mark = text.find('_');
  if (mark != std::string::npos) text.erase(mark, 1);
  return text;
}

// The labels of the dialog's buttons, as the log records them.
std::string ButtonLabels(GtkWidget* dialog, std::initializer_list<gint> responses) {
  std::string labels;
  for (gint response : responses) {
    GtkWidget* button = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), response);
    if (!GTK_IS_BUTTON(button)) continue;
    if (!labels.empty()) labels += '|';
    const gchar* label = gtk_button_get_label(GTK_BUTTON(button));
    labels += label ? label : "";
  }
  return labels;
}

void LogDialog(const char* kind, const std::string& title, const std::string& suggested,
               const std::string& folder, const std::string& buttons) {
  const char* log = std::getenv("QUORBITAL_DIALOG_LOG");
  if (!log || !*log) return;
  std::ofstream out(log, std::ios::app);
  out << kind << '\t' << title << '\t' << suggested << '\t' << folder << '\t' << buttons << '\n';
}

bool IsFolder(const std::string& path) {
  return !path.empty() && g_file_test(path.c_str(), G_FILE_TEST_IS_DIR);
}

// Where a save dialog opens when its caller names no folder: the user's
// download folder (XDG_DOWNLOAD_DIR from the environment or the user's
// folder settings), else ~/Downloads, else the home folder.
std::string DownloadFolder() {
  const char* variable = std::getenv("XDG_DOWNLOAD_DIR");
  if (variable && IsFolder(variable)) return variable;
  const char* configured = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
  if (configured && IsFolder(configured)) return configured;
  const std::string home = g_get_home_dir();
  return IsFolder(home + "/Downloads") ? home + "/Downloads" : home;
}

// The dialog's frame and the inner window handed to the hook procedure, as
// with explorer-style dialogs: GetParent(inner) is the frame.
class DialogFrame : public platform::NativeWindow {
 public:
  explicit DialogFrame(GtkWidget* dialog) : dialog_(dialog) {}
  std::wstring ClassName() const override { return L"#32770"; }
  std::wstring Title() const override {
    return platform::Utf8ToWide(gtk_window_get_title(GTK_WINDOW(dialog_)));
  }
  LRESULT Dispatch(UINT, WPARAM, LPARAM) override { return 0; }
  LONG Style() const override { return static_cast<LONG>(WS_POPUP | WS_CAPTION | WS_VISIBLE); }
  void SetStyle(LONG) override {}
  RECT WindowRect() const override {
    int x = 0, y = 0, w = 0, h = 0;
    gtk_window_get_position(GTK_WINDOW(dialog_), &x, &y);
    gtk_window_get_size(GTK_WINDOW(dialog_), &w, &h);
    return RECT{x, y, x + w, y + h};
  }
  RECT ClientRect() const override {
    int w = 0, h = 0;
    gtk_window_get_size(GTK_WINDOW(dialog_), &w, &h);
    return RECT{0, 0, w, h};
  }
  void Move(int x, int y, int width, int height, bool) override {
    gtk_window_move(GTK_WINDOW(dialog_), x, y);
    if (width > 0 && height > 0) gtk_window_resize(GTK_WINDOW(dialog_), width, height);
  }
  void SetPos(HWND, int x, int y, int cx, int cy, UINT flags) override {
    if (!(flags & SWP_NOMOVE)) gtk_window_move(GTK_WINDOW(dialog_), x, y);
    if (!(flags & SWP_NOSIZE) && cx > 0 && cy > 0) gtk_window_resize(GTK_WINDOW(dialog_), cx, cy);
  }
  HWND Parent() const override { return nullptr; }
  void* NativeHandle() const override { return dialog_; }

 private:
  GtkWidget* dialog_;
};

class DialogInner : public DialogFrame {
 public:
  DialogInner(GtkWidget* dialog, HWND frame) : DialogFrame(dialog), frame_(frame) {}
  std::wstring ClassName() const override { return L"#32770-inner"; }
  HWND Parent() const override { return frame_; }

 private:
  HWND frame_;
};

GtkWindow* OwnerWindow(HWND owner) {
  platform::NativeWindow* window = platform::LookupWindow(owner);
  if (!window || !window->NativeHandle()) return nullptr;
  GtkWidget* top = gtk_widget_get_toplevel(static_cast<GtkWidget*>(window->NativeHandle()));
  return GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr;
}

struct HookCall {
  OPENFILENAMEW* ofn;
  HWND inner;
};

gboolean RunHookOnMap(GtkWidget*, GdkEvent*, gpointer data) {
  auto* call = static_cast<HookCall*>(data);
  call->ofn->lpfnHook(call->inner, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(call->ofn));
  return FALSE;
}

struct ScriptedResponse {
  GtkWidget* dialog;
  std::string answer;
  guint source = 0;
};

// An automated answer closes the shown dialog with a response of its own: the
// chooser would refuse a plain "accept" until it has loaded the folder.
constexpr gint kScriptedAccept = 1000;

gboolean AnswerScripted(gpointer data) {
  auto* response = static_cast<ScriptedResponse*>(data);
  response->source = 0;
  bool cancel = response->answer == "cancel" || response->answer.empty();
  gtk_dialog_response(GTK_DIALOG(response->dialog), cancel ? GTK_RESPONSE_CANCEL : kScriptedAccept);
  return G_SOURCE_REMOVE;
}

// Asks, as the toolkit's own chooser would and in its words, whether an
// existing file may be replaced; true only for an explicit yes.
bool ConfirmReplace(GtkWindow* parent, const std::string& path) {
  g_autofree gchar* name = g_filename_display_basename(path.c_str());
  g_autofree gchar* folder_path = g_path_get_dirname(path.c_str());
  g_autofree gchar* folder = g_filename_display_name(folder_path);
  GtkWidget* question = gtk_message_dialog_new(
      parent, static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
      GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE,
      GtkText("A file named “%s” already exists.  Do you want to replace it?"), name);
  gtk_message_dialog_format_secondary_text(
      GTK_MESSAGE_DIALOG(question),
      GtkText("The file already exists in “%s”.  Replacing it will overwrite its contents."),
      folder);
  gtk_dialog_add_button(GTK_DIALOG(question), GtkText("_Cancel"), GTK_RESPONSE_CANCEL);
  gtk_dialog_add_button(GTK_DIALOG(question), GtkText("_Replace"), GTK_RESPONSE_ACCEPT);
  gtk_dialog_set_default_response(GTK_DIALOG(question), GTK_RESPONSE_CANCEL);
  g_autofree gchar* text = nullptr;
  g_object_get(question, "text", &text, nullptr);
  LogDialog("confirm", text ? text : "", path, "",
            ButtonLabels(question, {GTK_RESPONSE_CANCEL, GTK_RESPONSE_ACCEPT}));

  bool scripted = false;
  ScriptedResponse response{question, TakeScriptedAnswer(&scripted)};
  if (scripted) {
    // Only "yes" replaces; the chooser's path is the answer before it.
    if (response.answer != "yes") response.answer = "cancel";
    response.source = g_timeout_add(300, AnswerScripted, &response);
  }
  gint result = GTK_RESPONSE_CANCEL;
  if (!platform::DialogsEnded()) {
    platform::OpenDialog open(question);
    result = gtk_dialog_run(GTK_DIALOG(question));
  }
  if (response.source) g_source_remove(response.source);
  gtk_widget_destroy(question);
  return result == GTK_RESPONSE_ACCEPT || result == kScriptedAccept;
}

void ClearSelections(GtkWidget* widget, gpointer = nullptr) {
  if (GTK_IS_EDITABLE(widget)) {
    const gint at = gtk_editable_get_position(GTK_EDITABLE(widget));
    gtk_editable_select_region(GTK_EDITABLE(widget), at, at);
  }
  if (GTK_IS_CONTAINER(widget))
    gtk_container_forall(GTK_CONTAINER(widget), ClearSelections, nullptr);
}

gboolean DestroyLater(gpointer dialog) {
  gtk_widget_destroy(GTK_WIDGET(dialog));
  return G_SOURCE_REMOVE;
}

// A closed chooser goes out of sight at once but is destroyed a while later,
// with no text selected in it. A screen reader handles a window's events
// some time after they happen; a name field destroyed with its text selected
// tells it that selection from memory no longer there, and Orca then hangs
// for minutes measuring a selection of billions of characters.
constexpr guint kChooserLingerSeconds = 10;

void CloseChooser(GtkWidget* dialog) {
  ClearSelections(dialog);
  gtk_widget_hide(dialog);
  g_timeout_add_seconds(kChooserLingerSeconds, DestroyLater, dialog);
}

// Shows one file chooser; returns the chosen path or an empty string.
std::wstring RunChooser(OPENFILENAMEW* ofn, bool save) {
  // Without a title of the caller's the dialog is called what the desktop
  // calls it, as its "Save As" and "Open" commands are.
  const std::string title8 =
      ofn->lpstrTitle ? platform::WideToUtf8(ofn->lpstrTitle)
                      : WithoutMnemonic(save ? g_dpgettext2("gtk30", "Stock label", "Save _As")
                                             : g_dpgettext2("gtk30", "Stock label", "_Open"));
  std::wstring suggested = (ofn->lpstrFile && ofn->nMaxFile) ? std::wstring(ofn->lpstrFile) : L"";
  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      title8.c_str(), OwnerWindow(ofn->hwndOwner),
      save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN, GtkText("_Cancel"),
      GTK_RESPONSE_CANCEL, GtkText(save ? "_Save" : "_Open"), GTK_RESPONSE_ACCEPT, nullptr);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  // The question before replacing a file is asked below, for every answer.
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, FALSE);

  std::string folder =
      ofn->lpstrInitialDir ? platform::WideToUtf8(ofn->lpstrInitialDir) : std::string();
  if (save && !IsFolder(folder)) folder = DownloadFolder();
  if (IsFolder(folder)) gtk_file_chooser_set_current_folder(chooser, folder.c_str());
  if (save && !suggested.empty()) {
    if (suggested.front() == L'/') {
      gtk_file_chooser_set_filename(chooser, platform::WideToUtf8(suggested).c_str());
    } else {
      gtk_file_chooser_set_current_name(chooser, platform::WideToUtf8(suggested).c_str());
    }
  }
  std::vector<std::wstring> filters = SplitDoubleZero(ofn->lpstrFilter);
  for (size_t i = 0; i + 1 < filters.size(); i += 2) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, platform::WideToUtf8(filters[i]).c_str());
    std::string patterns = platform::WideToUtf8(filters[i + 1]);
    g_auto(GStrv) parts = g_strsplit(patterns.c_str(), ";", -1);
    for (gchar** p = parts; *p; ++p) {
      if (**p) gtk_file_filter_add_pattern(filter, *p);
    }
    gtk_file_chooser_add_filter(chooser, filter);
    if (ofn->nFilterIndex == i / 2 + 1) gtk_file_chooser_set_filter(chooser, filter);
  }

  platform::NativeWindow* frame_window = new DialogFrame(dialog);
  HWND frame = platform::RegisterWindow(frame_window);
  platform::NativeWindow* inner_window = new DialogInner(dialog, frame);
  HWND inner = platform::RegisterWindow(inner_window);
  HookCall hook{ofn, inner};
  if ((ofn->Flags & OFN_ENABLEHOOK) && ofn->lpfnHook) {
    g_signal_connect(dialog, "map-event", G_CALLBACK(RunHookOnMap), &hook);
  }

  LogDialog(save ? "save" : "open", title8, platform::WideToUtf8(suggested),
            IsFolder(folder) ? folder : "",
            ButtonLabels(dialog, {GTK_RESPONSE_CANCEL, GTK_RESPONSE_ACCEPT}));
  bool scripted = false;
  ScriptedResponse response{dialog, TakeScriptedAnswer(&scripted)};
  if (scripted) response.source = g_timeout_add(300, AnswerScripted, &response);

  std::wstring chosen;
  // Once the program is ending no chooser is shown, nor shown again after a
  // question the ending cancelled.
  std::optional<platform::OpenDialog> open(std::in_place, dialog);
  while (!platform::DialogsEnded()) {
    gint result = gtk_dialog_run(GTK_DIALOG(dialog));
    std::wstring path;
    if (result == kScriptedAccept) {
      path = platform::Utf8ToWide(response.answer.c_str());
    } else if (result == GTK_RESPONSE_ACCEPT) {
      g_autofree gchar* file = gtk_file_chooser_get_filename(chooser);
      // A name that is not UTF-8 has no wide form; it is not taken.
      if (file != nullptr && g_utf8_validate(file, -1, nullptr)) path = platform::Utf8ToWide(file);
    } else {
      break;
    }
    bool ok = !path.empty();
    if (ok && (ofn->Flags & OFN_FILEMUSTEXIST)) {
      ok = g_file_test(platform::WideToUtf8(path).c_str(), G_FILE_TEST_IS_REGULAR);
    }
    if (ok && (ofn->Flags & OFN_PATHMUSTEXIST)) {
      g_autofree gchar* dir = g_path_get_dirname(platform::WideToUtf8(path).c_str());
      ok = g_file_test(dir, G_FILE_TEST_IS_DIR);
    }
    if (ok && save && (ofn->Flags & OFN_OVERWRITEPROMPT) &&
        g_file_test(platform::WideToUtf8(path).c_str(), G_FILE_TEST_EXISTS)) {
      ok = ConfirmReplace(GTK_WINDOW(dialog), platform::WideToUtf8(path));
    }
    if (ok) {
      chosen = path;
      break;
    }
    if (scripted) break;  // an automated answer that fails the checks counts as a cancel
  }
  open.reset();
  if (response.source) g_source_remove(response.source);
  g_signal_handlers_disconnect_by_data(dialog, &hook);
  CloseChooser(dialog);
  platform::UnregisterWindow(inner);
  platform::UnregisterWindow(frame);
  delete inner_window;
  delete frame_window;
  return chosen;
}

BOOL ShowFileDialog(OPENFILENAMEW* ofn, bool save) {
  if (!ofn || !ofn->lpstrFile || ofn->nMaxFile == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::wstring chosen;
  platform::RunOnMainThread([&] { chosen = RunChooser(ofn, save); });
  if (chosen.empty()) return FALSE;
  if (chosen.size() + 1 > ofn->nMaxFile) {
    // The caller's buffer cannot hold the path: report failure as the
    // platform does, rather than handing back a truncated path.
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  chosen.copy(ofn->lpstrFile, chosen.size());
  ofn->lpstrFile[chosen.size()] = L'\0';
  size_t slash = chosen.rfind(L'/');
  ofn->nFileOffset = static_cast<WORD>(slash == std::wstring::npos ? 0 : slash + 1);
  size_t dot = chosen.rfind(L'.');
  ofn->nFileExtension =
      static_cast<WORD>(dot == std::wstring::npos || dot < ofn->nFileOffset ? 0 : dot + 1);
  return TRUE;
}

}  // namespace

BOOL GetOpenFileNameW(OPENFILENAMEW* ofn) { return ShowFileDialog(ofn, false); }
BOOL GetSaveFileNameW(OPENFILENAMEW* ofn) { return ShowFileDialog(ofn, true); }
