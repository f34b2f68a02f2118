// What follows the end of the web process that showed the page: the page is
// loaded again at once; but when it ended within a minute of the last end,
// a page in the client's language says what happened and offers to load it
// again ("重新加载") or go to the start page, so that a page that keeps
// crashing never makes the client loop.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "browser/error_page.h"
#include "engine/cef_types.h"

class PageRecovery {
 public:
  using Clock = std::chrono::steady_clock;
  // Ends closer together than this make the notice page show.
  static constexpr std::chrono::seconds kRepeatWindow{60};

  // Notes an end at now; true when the page is to be loaded again at once.
  // An end the client asked for (the person chose to reload a page that
  // did not answer) is always followed by the load, and counts all the same.
  bool ShouldReload(Clock::time_point now, TerminationStatus status);

 private:
  std::optional<Clock::time_point> last_end_;
};

// The cause as the log line names it: "crashed", "memory limit (内存不足)",
// "ended by the client".
const char* ProcessEndReason(TerminationStatus status);

// The notice page for the page at url, whose web process ended with status.
ActionPage ProcessEndNotice(TerminationStatus status, const std::string& url);
