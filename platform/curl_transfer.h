// The one setup of a libcurl transfer that every platform call making one
// (FetchUrlToMemory, the download tries) starts from, so that fetches and
// downloads follow the same rules: http and https only, also after a
// redirect; a bounded number of redirects, each also checked by a
// RedirectGuard (platform/url_redirects.h); no signals; the client's user
// agent; a bound on connecting; sockets no program started meanwhile
// inherits. For the platform's transfer calls only.
#pragma once

#include <curl/curl.h>

#include <memory>
#include <string>

namespace platform {

inline constexpr long kMaxRedirects = 20;
inline constexpr long kConnectTimeoutSeconds = 30;
inline constexpr const char* kUserAgent = "Mozilla/5.0 (X11; Linux x86_64) Quorbital";

struct CurlCleanup {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
using CurlTransfer = std::unique_ptr<CURL, CurlCleanup>;

// A handle set up for url (already in the form to send, see
// UrlForTransfer), or null when libcurl cannot make one. Callers add their
// own bounds on the whole transfer, their callbacks and their RedirectGuard.
CurlTransfer NewCurlTransfer(const std::string& url);

}  // namespace platform
