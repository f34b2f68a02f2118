// When the main window's box "页面没有响应" is due: the engine has found the
// page's web process not answering for 5 seconds, while nothing of the
// client keeps it waiting (a page command such as openFileDialog() with its
// dialog open). "等待" puts the box off for 10 seconds. Whether the window is
// on screen is the window's own question.
#pragma once

#include <chrono>

class PageHangWatch {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::seconds kGrace{5};
  static constexpr std::chrono::seconds kWaitAgain{10};

  // The engine found the process not answering; again while it still does
  // not changes nothing.
  void Unresponsive(Clock::time_point now);
  // It answers again, or has ended: nothing is due any more.
  void AnswersAgain();
  // A page command is served: the page waits for the client meanwhile. The
  // grace starts again once the last one has been served.
  void ServingBegins();
  void ServingEnds(Clock::time_point now);
  // The box is up; "等待" took it down at now.
  void BoxShown();
  void Waited(Clock::time_point now);

  bool IsUnresponsive() const { return unresponsive_; }
  bool BoxDue(Clock::time_point now) const;

 private:
  bool unresponsive_ = false;
  bool box_shown_ = false;
  int serving_ = 0;
  Clock::time_point due_{};
};
