// The hang box's timing.
#include "mainwnd/page_hang_watch.h"

#include <algorithm>

void PageHangWatch::Unresponsive(Clock::time_point now) {
  if (unresponsive_) return;
  unresponsive_ = true;
  box_shown_ = false;
  due_ = now + kGrace;
}

void PageHangWatch::AnswersAgain() {
  unresponsive_ = false;
  box_shown_ = false;
}

void PageHangWatch::ServingBegins() { ++serving_; }

void PageHangWatch::ServingEnds(Clock::time_point now) {
  if (serving_ > 0) --serving_;
  if (serving_ == 0 && unresponsive_) due_ = std::max(due_, now + kGrace);
}

void PageHangWatch::BoxShown() { box_shown_ = true; }

void PageHangWatch::Waited(Clock::time_point now) {
  box_shown_ = false;
  due_ = now + kWaitAgain;
}

bool PageHangWatch::BoxDue(Clock::time_point now) const {
  return unresponsive_ && !box_shown_ && serving_ == 0 && now >= due_;
}
