// The platform's modal dialogs while they are open (file choosers, the
// question before a file is replaced, message boxes), so that a request to
// end the program closes them instead of waiting for a person to answer.
// Main thread.
#pragma once

namespace platform {

// Closes every open dialog as if the user had cancelled it, the web
// engine's own dialogs among them, and from now on answers every dialog
// asked for here the same way without showing it: the program is ending.
void EndDialogs();
// Whether EndDialogs was called.
bool DialogsEnded();

// While one lives, dialog (a GtkDialog*) is open and EndDialogs cancels it.
class OpenDialog {
 public:
  explicit OpenDialog(void* dialog);
  ~OpenDialog();
  OpenDialog(const OpenDialog&) = delete;
  OpenDialog& operator=(const OpenDialog&) = delete;

 private:
  void* dialog_;
};

}  // namespace platform
