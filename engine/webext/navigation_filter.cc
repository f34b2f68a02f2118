// The navigation test for requests of a page.
#include "engine/webext/navigation_filter.h"

#include <algorithm>

namespace engine {
namespace {

int IndexOf(const std::vector<std::string>& list, const std::string& value) {
  auto it = std::find(list.begin(), list.end(), value);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

}  // namespace

NavigationMatch MatchNavigation(const RequestFacts& facts) {
  NavigationMatch match;
  if (facts.uri.empty()) return match;
  const std::string& known = facts.redirect_from.empty() ? facts.uri : facts.redirect_from;

  if (facts.has_http_headers && !facts.sec_fetch_mode.empty()) {
    match.is_navigation = facts.sec_fetch_mode == "navigate";
    if (match.is_navigation && known != facts.page_uri) {
      match.frame_index = IndexOf(facts.frame_uris, known);
    }
    return match;
  }

  if (known == facts.page_uri) {
    match.is_navigation = true;
    return match;
  }
  int index = IndexOf(facts.frame_uris, known);
  if (index >= 0) {
    match.is_navigation = true;
    match.frame_index = index;
    return match;
  }
  if (facts.redirect_from.empty() && facts.frame_element_srcs) {
    const std::vector<std::string> srcs = facts.frame_element_srcs();
    match.is_navigation = IndexOf(srcs, facts.uri) >= 0;
  }
  return match;
}

}  // namespace engine
