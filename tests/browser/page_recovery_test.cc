// What follows the end of the page's web process, and the notice page.
#include "browser/page_recovery.h"

#include <gtest/gtest.h>

namespace {

using std::chrono::seconds;
const PageRecovery::Clock::time_point t0{seconds(5000)};

TEST(PageRecovery, ASecondEndWithinAMinuteShowsTheNoticeInsteadOfLooping) {
  PageRecovery recovery;
  EXPECT_TRUE(recovery.ShouldReload(t0, TS_PROCESS_CRASHED));
  EXPECT_FALSE(recovery.ShouldReload(t0 + seconds(59), TS_PROCESS_OOM));
  // Counted from the last end, notice or not.
  EXPECT_FALSE(recovery.ShouldReload(t0 + seconds(100), TS_PROCESS_CRASHED));
  EXPECT_TRUE(recovery.ShouldReload(t0 + seconds(160), TS_PROCESS_CRASHED));
  // An end the person asked for always loads the page again, and counts.
  EXPECT_TRUE(recovery.ShouldReload(t0 + seconds(161), TS_PROCESS_WAS_KILLED));
  EXPECT_FALSE(recovery.ShouldReload(t0 + seconds(162), TS_PROCESS_CRASHED));
}

TEST(ProcessEndNotice, NamesTheCauseAndFocusesReload) {
  const std::string url = "file:///d/contentEditor/index.html?file=<x>";
  const ActionPage memory = ProcessEndNotice(TS_PROCESS_OOM, url);
  EXPECT_NE(memory.text.headline.find("内存不足"), std::string::npos);
  EXPECT_NE(ProcessEndNotice(TS_PROCESS_CRASHED, url).text.headline, memory.text.headline);
  const std::string html = ActionPageHtml(memory, "n1");
  EXPECT_NE(html.find("autofocus>重新加载</a>"), std::string::npos) << html;
  EXPECT_NE(html.find(">返回首页</a>"), std::string::npos);
  EXPECT_NE(html.find(ErrorPageActionUrl(ErrorPageAction::kRetry, "n1")), std::string::npos);
  EXPECT_NE(html.find("原因：内存不足"), std::string::npos);
  // The address comes from outside.
  EXPECT_EQ(html.find("<x>"), std::string::npos);
  EXPECT_STREQ(ProcessEndReason(TS_PROCESS_OOM), "memory limit (内存不足)");
}

}  // namespace
