#include "platform/page_origin.h"

#include <glib.h>

namespace platform {
namespace {

// Whether host reads as a host name or address in standard form: letters,
// digits, '-', '.', '_' and an IPv6 address's ':'. An escape that decoded to
// anything else ('/', '@', a blank) makes no host that a page could share
// with the service.
bool PlainHost(const std::string& host) {
  for (char c : host) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
                       c == '_' || c == ':';
    if (!plain) return false;
  }
  return !host.empty();
}

}  // namespace

std::string PageOrigin(const std::string& url) {
  g_autoptr(GUri) parsed = g_uri_parse(url.c_str(), G_URI_FLAGS_NONE, nullptr);
  if (parsed == nullptr || g_uri_get_host(parsed) == nullptr) return {};
  g_autofree gchar* scheme_text = g_ascii_strdown(g_uri_get_scheme(parsed), -1);
  g_autofree gchar* host_text = g_ascii_strdown(g_uri_get_host(parsed), -1);
  const std::string scheme = scheme_text;
  std::string host = host_text;
  const int port = g_uri_get_port(parsed);
  if ((scheme != "http" && scheme != "https") || !PlainHost(host)) return {};
  if (host.find(':') != std::string::npos) host = "[" + host + "]";
  const int written = port >= 0 ? port : (scheme == "https" ? 443 : 80);
  return scheme + "://" + host + ":" + std::to_string(written);
}

}  // namespace platform
