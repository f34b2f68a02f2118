// FetchUrlToMemory over libcurl's easy interface, on the calling thread.
#include "platform/url_fetch.h"

#include <curl/curl.h>

#include "platform/curl_transfer.h"
#include "platform/log.h"
#include "platform/unicode_text.h"
#include "platform/url_redirects.h"

namespace platform {
namespace {

struct Reply {
  CURL* curl = nullptr;
  std::string* body = nullptr;
  std::size_t max_bytes = 0;
  bool refused_status = false;
  bool too_large = false;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* r = static_cast<Reply*>(user);
  const size_t bytes = size * count;
  if (r->body->empty()) {
    long code = 0;
    curl_easy_getinfo(r->curl, CURLINFO_RESPONSE_CODE, &code);
    if (code < 200 || code > 299) {
      r->refused_status = true;
      return 0;
    }
  }
  if (bytes > r->max_bytes - r->body->size()) {
    r->too_large = true;
    return 0;
  }
  r->body->append(data, bytes);
  return bytes;
}

}  // namespace

// Links may carry blanks or non-ASCII text as they were written; like a
// browser, send those bytes percent-encoded and everything else as it is.
std::string UrlForTransfer(const std::wstring& url) {
  static const char kHex[] = "0123456789ABCDEF";
  const std::string utf8 = WideToUtf8(url);
  std::string out;
  out.reserve(utf8.size());
  for (unsigned char c : utf8) {
    if (c <= 0x20 || c >= 0x7F) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

HRESULT FetchUrlToMemory(const std::wstring& url, std::size_t max_bytes, long timeout_ms,
                         std::string* body, const UrlFilter& allow) {
  if (body == nullptr) return E_INVALIDARG;
  body->clear();
  const std::string url8 = UrlForTransfer(url);
  if (url8.empty() || timeout_ms <= 0) return E_INVALIDARG;
  if (allow && !allow(url8)) {
    LogWarning("fetch: %s is refused", url8.c_str());
    return E_ACCESSDENIED;
  }
  const CurlTransfer transfer = NewCurlTransfer(url8);
  CURL* curl = transfer.get();
  if (curl == nullptr) return E_OUTOFMEMORY;

  Reply reply;
  reply.curl = curl;
  reply.body = body;
  reply.max_bytes = max_bytes;
  // One bound for everything, name resolution included (the resolver runs on
  // a thread of its own).
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeout_ms);
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(max_bytes));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
  RedirectGuard guard(curl, allow);
  guard.Install();

  const CURLcode code = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);

  HRESULT result = S_OK;
  if (guard.refused()) {
    result = E_ACCESSDENIED;
  } else if (reply.too_large || code == CURLE_FILESIZE_EXCEEDED) {
    Log("fetch: %s: the reply is longer than %zu bytes", url8.c_str(), max_bytes);
    result = INET_E_DOWNLOAD_FAILURE;
  } else if (reply.refused_status || (code == CURLE_OK && (status < 200 || status > 299))) {
    Log("fetch: %s answered %ld", url8.c_str(), status);
    result = status == 404 || status == 410 ? INET_E_RESOURCE_NOT_FOUND : INET_E_DOWNLOAD_FAILURE;
  } else if (code != CURLE_OK) {
    Log("fetch: %s failed: %s", url8.c_str(), curl_easy_strerror(code));
    switch (code) {
      case CURLE_UNSUPPORTED_PROTOCOL:
      case CURLE_URL_MALFORMAT:
        result = E_INVALIDARG;
        break;
      case CURLE_COULDNT_RESOLVE_HOST:
      case CURLE_COULDNT_RESOLVE_PROXY:
        result = INET_E_RESOURCE_NOT_FOUND;
        break;
      case CURLE_COULDNT_CONNECT:
      case CURLE_OPERATION_TIMEDOUT:
        result = INET_E_CANNOT_CONNECT;
        break;
      default:
        result = INET_E_DOWNLOAD_FAILURE;
        break;
    }
  }
  if (result != S_OK) body->clear();
  return result;
}

}  // namespace platform
