// The question box over a GTK message dialog that runs in the main thread's
// own loop (no nested loop): its response ends it.
#include "platform/question_box.h"

#include <gtk/gtk.h>

#include <optional>
#include <utility>

#include "platform/gobject_ptr.h"
#include "platform/log.h"
#include "platform/native_window.h"
#include "platform/open_dialogs.h"
#include "platform/unicode_text.h"

namespace platform {

struct QuestionBox::Shown {
  GObjectPtr<GtkWidget> dialog;
  std::optional<OpenDialog> open;
  std::function<void(Answer)> on_answer;

  void TakeDown() {
    if (!dialog) return;
    open.reset();
    g_signal_handlers_disconnect_by_data(dialog.get(), this);
    gtk_widget_destroy(dialog.get());
    dialog.reset();
  }
};

namespace {

constexpr gint kFirstResponse = 1;
constexpr gint kSecondResponse = 2;

GtkWindow* OwnerWindow(HWND owner) {
  NativeWindow* window = LookupWindow(owner);
  void* handle = window != nullptr ? window->NativeHandle() : nullptr;
  return handle != nullptr ? GTK_WINDOW(handle) : nullptr;
}

}  // namespace

QuestionBox::QuestionBox(const Question& question, std::function<void(Answer)> on_answer)
    : shown_(std::make_unique<Shown>()) {
  shown_->on_answer = std::move(on_answer);
  if (gdk_display_get_default() == nullptr) return;
  GtkWindow* parent = OwnerWindow(question.owner);
  GtkWidget* dialog =
      gtk_message_dialog_new(parent, GTK_DIALOG_DESTROY_WITH_PARENT, GTK_MESSAGE_QUESTION,
                             GTK_BUTTONS_NONE, "%s", WideToUtf8(question.text).c_str());
  shown_->dialog = RefSinkGObject(dialog);
  if (!question.detail.empty()) {
    gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s",
                                             WideToUtf8(question.detail).c_str());
  }
  gtk_window_set_title(GTK_WINDOW(dialog), WideToUtf8(question.title).c_str());
  // Screen readers name the box by its title, not by GTK's word for its kind.
  atk_object_set_name(gtk_widget_get_accessible(dialog), WideToUtf8(question.title).c_str());
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  gtk_window_set_position(GTK_WINDOW(dialog),
                          parent ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
  // In reading order: the other answer, then the default one at the end,
  // where GTK puts the affirmative button.
  gtk_dialog_add_button(GTK_DIALOG(dialog), WideToUtf8(question.second).c_str(), kSecondResponse);
  GtkWidget* first =
      gtk_dialog_add_button(GTK_DIALOG(dialog), WideToUtf8(question.first).c_str(), kFirstResponse);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), kFirstResponse);
  gtk_widget_grab_focus(first);
  g_signal_connect(dialog, "response", G_CALLBACK(+[](GtkDialog*, gint response, gpointer data) {
                     auto* shown = static_cast<Shown*>(data);
                     // Taken down first: the answer may destroy the box, or ask again.
                     std::function<void(Answer)> on_answer = std::move(shown->on_answer);
                     shown->TakeDown();
                     if (on_answer)
                       on_answer(response == kFirstResponse ? Answer::kFirst : Answer::kSecond);
                   }),
                   shown_.get());
  shown_->open.emplace(dialog);
  Log("question box \"%s\" shown", WideToUtf8(question.title).c_str());
  gtk_window_present(GTK_WINDOW(dialog));
}

QuestionBox::~QuestionBox() { shown_->TakeDown(); }

bool QuestionBox::IsOpen() const { return static_cast<bool>(shown_->dialog); }

}  // namespace platform
