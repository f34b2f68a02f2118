// A question with two answers in a message box that does not hold up its
// caller: it is shown at once, modal to its owner window, and its answer
// arrives later on the main thread. The program may also take it down
// unanswered (the question no longer stands). Like MessageBoxW it is a GTK
// message dialog, read by screen readers as an alert with its buttons; the
// first answer is the default (Return), Escape gives the second.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/windows.h"

namespace platform {

class QuestionBox {
 public:
  enum class Answer { kFirst, kSecond };

  struct Question {
    HWND owner = nullptr;
    std::wstring title;
    std::wstring text;    // the question, in bold
    std::wstring detail;  // what the answers do, below it
    std::wstring first;   // the default answer's label
    std::wstring second;  // the other answer's (also Escape and the close button)
  };

  // Main thread. on_answer is called once, on the main thread, when the
  // person answers (or when the program ends, with the second answer); never
  // after the box has been destroyed. It may destroy the box.
  QuestionBox(const Question& question, std::function<void(Answer)> on_answer);
  // Takes the box down unanswered.
  ~QuestionBox();
  QuestionBox(const QuestionBox&) = delete;
  QuestionBox& operator=(const QuestionBox&) = delete;

  // Whether the box is still up (not yet answered).
  bool IsOpen() const;

 private:
  struct Shown;
  std::unique_ptr<Shown> shown_;
};

}  // namespace platform
