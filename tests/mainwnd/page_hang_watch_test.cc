// When the box for a page that does not answer is due.
#include "mainwnd/page_hang_watch.h"

#include <gtest/gtest.h>

namespace {

using std::chrono::seconds;
const PageHangWatch::Clock::time_point t0{seconds(1000)};

TEST(PageHangWatch, DueFiveSecondsAfterTheEngineFoundItNotAnswering) {
  PageHangWatch watch;
  EXPECT_FALSE(watch.BoxDue(t0));
  watch.Unresponsive(t0);
  EXPECT_FALSE(watch.BoxDue(t0 + seconds(4)));
  // Told again while it still does not answer: the first moment counts.
  watch.Unresponsive(t0 + seconds(4));
  EXPECT_TRUE(watch.BoxDue(t0 + seconds(5)));
  watch.BoxShown();
  EXPECT_FALSE(watch.BoxDue(t0 + seconds(6)));
  // It answers again: nothing is due, and a new hang starts its own count.
  watch.AnswersAgain();
  EXPECT_FALSE(watch.BoxDue(t0 + seconds(20)));
  watch.Unresponsive(t0 + seconds(30));
  EXPECT_FALSE(watch.BoxDue(t0 + seconds(34)));
  EXPECT_TRUE(watch.BoxDue(t0 + seconds(35)));
}

TEST(PageHangWatch, WaitPutsTheBoxOffForTenSeconds) {
  PageHangWatch watch;
  watch.Unresponsive(t0);
  watch.BoxShown();
  watch.Waited(t0 + seconds(7));
  EXPECT_FALSE(watch.BoxDue(t0 + seconds(16)));
  EXPECT_TRUE(watch.BoxDue(t0 + seconds(17)));
}

TEST(PageHangWatch, NoBoxWhileThePageWaitsForTheClient) {
  PageHangWatch watch;
  watch.ServingBegins();  // an open dialog of a page command
  watch.Unresponsive(t0);
  watch.ServingBegins();  // a second one inside it
  EXPECT_FALSE(watch.BoxDue(t0 + seconds(60)));
  watch.ServingEnds(t0 + seconds(60));
  EXPECT_FALSE(watch.BoxDue(t0 + seconds(70)));
  // Once the last is served, the page gets its 5 seconds again.
  watch.ServingEnds(t0 + seconds(70));
  EXPECT_FALSE(watch.BoxDue(t0 + seconds(74)));
  EXPECT_TRUE(watch.BoxDue(t0 + seconds(75)));
}

}  // namespace
