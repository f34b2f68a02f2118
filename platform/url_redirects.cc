// Redirect checks of the platform's transfers, through libcurl's own URL
// parser so that the address checked is the address libcurl will use.
#include "platform/url_redirects.h"

#include <strings.h>

#include <cstring>

#include "platform/log.h"

namespace platform {
namespace {

bool StartsWithNoCase(const char* data, size_t size, const char* prefix) {
  const size_t length = std::strlen(prefix);
  return size >= length && strncasecmp(data, prefix, length) == 0;
}

std::string Trimmed(const char* data, size_t size) {
  size_t begin = 0;
  while (begin < size && (data[begin] == ' ' || data[begin] == '\t')) ++begin;
  while (size > begin && (data[size - 1] == '\r' || data[size - 1] == '\n' ||
                          data[size - 1] == ' ' || data[size - 1] == '\t')) {
    --size;
  }
  return std::string(data + begin, size - begin);
}

}  // namespace

std::string ResolveRedirect(const std::string& base, const std::string& location) {
  CURLU* url = curl_url();
  if (url == nullptr) return {};
  std::string resolved;
  char* text = nullptr;
  // The flags libcurl itself follows a redirect with.
  if (curl_url_set(url, CURLUPART_URL, base.c_str(), 0) == CURLUE_OK &&
      curl_url_set(url, CURLUPART_URL, location.c_str(), CURLU_URLENCODE | CURLU_ALLOW_SPACE) ==
          CURLUE_OK &&
      curl_url_get(url, CURLUPART_URL, &text, 0) == CURLUE_OK) {
    resolved = text;
  }
  curl_free(text);
  curl_url_cleanup(url);
  return resolved;
}

std::string UrlOrigin(const std::string& url) {
  CURLU* parsed = curl_url();
  if (parsed == nullptr) return {};
  std::string origin;
  char* scheme = nullptr;
  char* host = nullptr;
  char* port = nullptr;
  if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
      curl_url_get(parsed, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
      curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK &&
      curl_url_get(parsed, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK) {
    std::string s = scheme;
    std::string h = host;
    for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    for (char& c : h) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if ((s == "http" || s == "https") && !h.empty()) origin = s + "://" + h + ":" + port;
  }
  curl_free(scheme);
  curl_free(host);
  curl_free(port);
  curl_url_cleanup(parsed);
  return origin;
}

void RedirectGuard::Install() {
  curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(curl_, CURLOPT_HEADERDATA, this);
}

size_t RedirectGuard::OnHeader(char* data, size_t size, size_t count, void* user) {
  const size_t bytes = size * count;
  return static_cast<RedirectGuard*>(user)->Look(data, bytes) ? bytes : 0;
}

bool RedirectGuard::Look(const char* data, size_t bytes) {
  if (!allow_) return true;
  if (StartsWithNoCase(data, bytes, "HTTP/")) {
    // A status line starts every response, the redirections' included.
    const char* blank = static_cast<const char*>(std::memchr(data, ' ', bytes));
    redirect_ = blank != nullptr && blank + 1 < data + bytes && blank[1] == '3';
  } else if (redirect_ && StartsWithNoCase(data, bytes, "Location:")) {
    constexpr size_t kName = sizeof("Location:") - 1;
    return Allowed(Trimmed(data + kName, bytes - kName));
  }
  return true;
}

bool RedirectGuard::Allowed(const std::string& location) {
  if (location.empty()) return true;
  char* current = nullptr;
  curl_easy_getinfo(curl_, CURLINFO_EFFECTIVE_URL, &current);
  const std::string target = ResolveRedirect(current != nullptr ? current : "", location);
  if (!target.empty() && allow_(target)) return true;
  refused_ = true;
  LogWarning("fetch: a redirect to %s is refused", (target.empty() ? location : target).c_str());
  return false;
}

}  // namespace platform
