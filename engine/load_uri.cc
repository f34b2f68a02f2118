// Plain paths become file URIs: WebKit refuses a load without a scheme, while
// the client loads pages of its data directory and dropped files by path.
#include "engine/load_uri.h"

#include <glib.h>
#include <webkit2/webkit2.h>

#include "engine/cef_string.h"

namespace engine {

std::string ToLoadUri(const std::wstring& url) {
  if (url.empty()) return "about:blank";
  std::string utf8 = CefString(url).ToString();
  if (utf8[0] != '/' || utf8.compare(0, 2, "//") == 0) return utf8;
  std::string path = utf8;
  std::string query;
  std::size_t mark = utf8.find('?');
  if (mark != std::string::npos) {
    path = utf8.substr(0, mark);
    query = utf8.substr(mark);
  }
  g_autofree gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  if (!uri) return utf8;
  std::string out = uri;
  return out + query;
}

std::string ViewAddress(const std::string& uri) {
  // The view's own URL parser, without a view: a request made of the address
  // reads back the way the view will report it.
  g_autoptr(WebKitURIRequest) request = webkit_uri_request_new(uri.c_str());
  const gchar* written = webkit_uri_request_get_uri(request);
  return written ? written : uri;
}

}  // namespace engine
