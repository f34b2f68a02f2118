// Which requests of a page are navigations. WebKit's send-request signal
// reports every request of a page (documents, iframes, redirects, images,
// scripts) and says nothing of the frame, so the renderer decides here what
// it reports to OnBeforeNavigation:
// - An HTTP(S) request carries the fetch metadata WebKit adds: a navigation of
//   the top frame or of an iframe, and every redirect of one, has
//   "Sec-Fetch-Mode: navigate"; subresources never do.
// - Other schemes (file:, about:, data:) carry no headers. There a request is
//   a navigation when its URL is the address the page or one of its known
//   frames is now loading (WebKit has set it when the document's request goes
//   out), when it is a redirect away from such an address, or when it is the
//   src of an iframe or frame element (the first load of a new frame). A
//   subresource request for the very address of its own frame counts as a
//   navigation too; pages do not do that in practice.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace engine {

struct RequestFacts {
  std::string uri;
  bool has_http_headers = false;
  std::string sec_fetch_mode;           // empty when absent
  std::string redirect_from;            // the previous URL of a redirect; empty otherwise
  std::string page_uri;                 // the address the page now has
  std::vector<std::string> frame_uris;  // addresses of the page's known frames
  // The resolved src of every iframe/frame element of the known frames;
  // asked for only when the cheaper tests found nothing.
  std::function<std::vector<std::string>()> frame_element_srcs;
};

struct NavigationMatch {
  bool is_navigation = false;
  // The known frame it belongs to (index into frame_uris), or -1 when it is
  // the page's top frame or a frame not yet known.
  int frame_index = -1;
};

NavigationMatch MatchNavigation(const RequestFacts& facts);

}  // namespace engine
