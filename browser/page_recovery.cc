// The choice between loading the page again and the notice page, and the
// notice page's words.
#include "browser/page_recovery.h"

bool PageRecovery::ShouldReload(Clock::time_point now, TerminationStatus status) {
  const bool repeated = last_end_ && now - *last_end_ < kRepeatWindow;
  last_end_ = now;
  return status == TS_PROCESS_WAS_KILLED || !repeated;
}

const char* ProcessEndReason(TerminationStatus status) {
  switch (status) {
    case TS_PROCESS_OOM:
      return "memory limit (内存不足)";
    case TS_PROCESS_WAS_KILLED:
      return "ended by the client";
    case TS_PROCESS_CRASHED:
    case TS_ABNORMAL_TERMINATION:
      break;
  }
  return "crashed";
}

ActionPage ProcessEndNotice(TerminationStatus status, const std::string& url) {
  ActionPage page;
  page.title = "页面已停止运行";
  page.retry_label = "重新加载";
  page.focus_retry = true;
  constexpr char kAgain[] = "它在一分钟内已经第二次停止运行，为免反复出错，没有自动重新加载。";
  if (status == TS_PROCESS_OOM) {
    page.text = {"内存不足，页面已停止运行。",
                 std::string("这个页面用掉的内存超过了允许的上限，因此被停止。") + kAgain +
                     "请关闭不用的程序或窗口，然后点“重新加载”；如果问题依旧，请点“返回首页”。"};
    page.details = {"地址：" + url, "原因：内存不足"};
  } else {
    page.text = {"页面意外停止运行。",
                 std::string(kAgain) + "请点“重新加载”再试一次；如果问题依旧，请点“返回首页”。"};
    page.details = {"地址：" + url,
                    status == TS_PROCESS_WAS_KILLED ? "原因：已被停止" : "原因：页面进程崩溃"};
  }
  return page;
}
