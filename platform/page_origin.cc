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
  GUri* parsed = g_uri_parse(url.c_str(), G_URI_FLAGS_NONE, nullptr);
  if (parsed == nullptr) return {};
  std::string scheme = g_uri_get_scheme(parsed) ? g_uri_get_scheme(parsed) : "";
  std::string host = g_uri_get_host(parsed) ? g_uri_get_host(parsed) : "";
  const int port = g_uri_get_port(parsed);
  g_uri_unref(parsed);
  for (std::string* text : {&scheme, &host}) {
    for (char& c : *text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  if ((scheme != "http" && scheme != "https") || !PlainHost(host)) return {};
  if (host.find(':') != std::string::npos) host = "[" + host + "]";
  const int written = port >= 0 ? port : (scheme == "https" ? 443 : 80);
  return scheme + "://" + host + ":" + std::to_string(written);
}

}  // namespace platform
