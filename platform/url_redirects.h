// Holding a libcurl transfer to the addresses a caller allows: every redirect
// is checked before libcurl follows it. For the platform's transfer calls
// only; callers outside the platform pass a UrlFilter (platform/url_fetch.h).
#pragma once

#include <curl/curl.h>

#include <string>

#include "platform/url_fetch.h"

namespace platform {

// Watches the response headers of one transfer. A redirect whose target the
// filter refuses ends the transfer before libcurl connects anywhere new
// (curl_easy_perform then fails with CURLE_WRITE_ERROR and refused() is
// true). A transfer without a header function of its own has the guard
// Install() itself as one; one with its own hands every header line to
// Look() first.
class RedirectGuard {
 public:
  RedirectGuard(CURL* curl, const UrlFilter& allow) : curl_(curl), allow_(allow) {}
  RedirectGuard(const RedirectGuard&) = delete;
  RedirectGuard& operator=(const RedirectGuard&) = delete;

  void Install();
  // One header line as libcurl hands it over; false when the header
  // function must return 0 to stop the transfer.
  bool Look(const char* data, size_t bytes);
  bool refused() const { return refused_; }

 private:
  static size_t OnHeader(char* data, size_t size, size_t count, void* user);
  bool Allowed(const std::string& location);

  CURL* curl_;
  const UrlFilter& allow_;
  bool redirect_ = false;  // the response being read is a redirection
  bool refused_ = false;
};

// The absolute URL a redirect's Location value leads to from base, resolved
// as libcurl resolves it; empty when it cannot be resolved.
std::string ResolveRedirect(const std::string& base, const std::string& location);

}  // namespace platform
