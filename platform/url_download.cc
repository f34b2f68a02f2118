// URLDownloadToFileW over libcurl's easy interface. The download runs on the
// calling thread; the body goes to an unnamed file beside the target, which
// gets the target's name only when the whole body arrived with a 2xx status,
// so a failed download never damages a file that stood there before and never
// leaves a partial one behind.
#include "platform/url_download.h"

#include <curl/curl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/download_file.h"
#include "platform/log.h"
#include "platform/unicode_text.h"
#include "platform/url_fetch.h"
#include "platform/windows.h"

namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(50);
constexpr long kBufferSize = 512 * 1024;
constexpr long kConnectTimeoutSeconds = 30;
// A transfer that delivers nothing for this long is given up; without it a
// stalled server would keep a job's thread waiting for ever.
constexpr long kStallSeconds = 120;

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The sink sees 32-bit counts. Larger counts are held just below the total
// until the body is complete, so a download over 4 GiB never looks finished
// early and the bar still ends at 100.
ULONG Clamp32(curl_off_t value) {
  if (value <= 0) return 0;
  return value > 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<ULONG>(value);
}

struct Transfer {
  CURL* curl = nullptr;
  int fd = -1;
  IBindStatusCallback* sink = nullptr;
  const platform::UrlDownloadBounds* bounds = nullptr;
  std::wstring status_text;
  curl_off_t received = 0;
  curl_off_t reported = -1;  // received at the last report
  curl_off_t expected = -1;  // Content-Length of the final response, -1 when unknown
  bool body_started = false;
  bool refused_status = false;  // the final response was not 2xx
  bool write_failed = false;
  bool too_large = false;  // the body passed the bound on its size
  bool aborted = false;    // the sink or the caller asked to stop
  std::chrono::steady_clock::time_point last_report{};

  bool Cancelled() {
    if (bounds->cancel != nullptr && bounds->cancel->load()) aborted = true;
    return aborted;
  }
  bool Exceeds(curl_off_t bytes) const {
    return bounds->max_bytes != 0 && bytes > 0 &&
           static_cast<std::uint64_t>(bytes) > bounds->max_bytes;
  }

  // Reports progress unless the last report was less than the interval ago.
  // Until the file is in place a report never reaches the total, so nobody
  // takes the download for finished before its file can be opened.
  void Report(ULONG status, bool force) {
    if (sink == nullptr) return;
    auto now = std::chrono::steady_clock::now();
    if (!force && now - last_report < kProgressInterval) return;
    last_report = now;
    reported = received;
    ULONG total = expected > 0 ? Clamp32(expected) : 0;
    ULONG progress = Clamp32(received);
    if (total != 0 && progress >= total) progress = total - 1;
    if (sink->OnProgress(progress, total, status, status_text.c_str()) == E_ABORT) aborted = true;
  }

  // The report of a download whose file is in place: the real size as both
  // progress and total, whether or not the server announced a length.
  void ReportFinished() {
    if (sink == nullptr) return;
    const ULONG size = Clamp32(received);
    sink->OnProgress(size, size, BINDSTATUS_ENDDOWNLOADDATA, status_text.c_str());
  }
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  if (!t->body_started) {
    // Redirect bodies never reach this callback, so this is the final response.
    t->body_started = true;
    long code = 0;
    curl_easy_getinfo(t->curl, CURLINFO_RESPONSE_CODE, &code);
    if (code < 200 || code > 299) {
      t->refused_status = true;
      return 0;  // no need to fetch an error page
    }
    curl_off_t length = -1;
    curl_easy_getinfo(t->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    t->expected = length;
    if (t->Exceeds(length)) {
      t->too_large = true;
      return 0;
    }
    t->Report(BINDSTATUS_BEGINDOWNLOADDATA, true);
    if (t->Cancelled()) return 0;
  }
  if (t->Exceeds(t->received + static_cast<curl_off_t>(bytes))) {
    t->too_large = true;
    return 0;
  }
  size_t done = 0;
  while (done < bytes) {
    ssize_t n = ::write(t->fd, data + done, bytes - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      t->write_failed = true;
      return 0;
    }
    done += static_cast<size_t>(n);
  }
  t->received += static_cast<curl_off_t>(bytes);
  t->Report(BINDSTATUS_DOWNLOADINGDATA, false);
  return t->Cancelled() ? 0 : bytes;
}

// Called by curl while the transfer runs, also when no data comes (about once
// a second at least, from name resolution on): a report held back by the
// interval still reaches the sink during a pause, and a stop request is seen
// while the server sends nothing.
int OnTick(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* t = static_cast<Transfer*>(user);
  if (t->body_started && !t->refused_status && t->received != t->reported) {
    t->Report(BINDSTATUS_DOWNLOADINGDATA, false);
  }
  return t->Cancelled() ? 1 : 0;
}

HRESULT ResultOfCurl(CURLcode code) {
  switch (code) {
    case CURLE_OK:
      return S_OK;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return E_INVALIDARG;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return INET_E_RESOURCE_NOT_FOUND;
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
      return INET_E_CANNOT_CONNECT;
    case CURLE_ABORTED_BY_CALLBACK:
      return E_ABORT;
    case CURLE_OUT_OF_MEMORY:
      return E_OUTOFMEMORY;
    default:
      return INET_E_DOWNLOAD_FAILURE;
  }
}

// Runs the transfer into fd and says whether the whole body arrived with a 2xx
// status; result receives the failure code otherwise.
bool RunTransfer(Transfer& t, const std::string& url, HRESULT& result) {
  CURL* curl = t.curl;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 20L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kBufferSize);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "Mozilla/5.0 (X11; Linux x86_64) Quorbital");
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnTick);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  if (t.bounds->time_limit.count() > 0) {
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(t.bounds->time_limit.count()));
  }

  CURLcode code = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  if (t.aborted) {
    result = E_ABORT;
    return false;
  }
  if (t.write_failed) {
    result = STG_E_WRITEFAULT;
    return false;
  }
  if (t.too_large) {
    result = INET_E_DOWNLOAD_FAILURE;
    platform::Log("download: %s is larger than %llu bytes", url.c_str(),
                  static_cast<unsigned long long>(t.bounds->max_bytes));
    return false;
  }
  if (code != CURLE_OK && !t.refused_status) {
    result = ResultOfCurl(code);
    platform::Log("download: %s failed: %s", url.c_str(), curl_easy_strerror(code));
    return false;
  }
  if (status < 200 || status > 299) {
    result = (status == 404 || status == 410) ? INET_E_RESOURCE_NOT_FOUND : INET_E_DOWNLOAD_FAILURE;
    platform::Log("download: %s answered %ld", url.c_str(), status);
    return false;
  }
  if (t.expected >= 0 && t.received != t.expected) {
    result = INET_E_DOWNLOAD_FAILURE;
    return false;
  }
  if (!t.body_started) {
    // An empty body never reaches the write callback.
    curl_off_t length = -1;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    t.expected = length;
  }
  result = S_OK;
  return true;
}

}  // namespace

namespace platform {

HRESULT DownloadUrlToFile(LPCWSTR url, LPCWSTR file_name, LPBINDSTATUSCALLBACK sink,
                          const UrlDownloadBounds& bounds) {
  if (url == nullptr || file_name == nullptr || *url == L'\0' || *file_name == L'\0') {
    return E_INVALIDARG;
  }
  const std::string url8 = platform::UrlForTransfer(url);
  const std::string target = platform::WideToUtf8(file_name);
  if (url8.empty() || target.empty() || target.back() == '/') return E_INVALIDARG;
  if (bounds.cancel != nullptr && bounds.cancel->load()) return E_ABORT;

  // The file lives in the target's folder so naming it never crosses file
  // systems.
  DownloadFile file;
  if (!file.Open(target)) {
    platform::LogWarning("download: cannot create a file beside %s: %s", target.c_str(),
                         strerror(errno));
    return STG_E_WRITEFAULT;
  }

  InitCurlOnce();
  Transfer t;
  t.curl = curl_easy_init();
  t.fd = file.fd();
  t.sink = sink;
  t.bounds = &bounds;
  t.status_text = url;
  HRESULT result = E_FAIL;
  const bool ok = t.curl != nullptr && RunTransfer(t, url8, result);
  if (t.curl != nullptr) curl_easy_cleanup(t.curl);
  if (!ok) return result;  // the file goes with `file`
  if (!file.Place()) {
    platform::LogWarning("download: cannot put the file at %s: %s", target.c_str(),
                         strerror(errno));
    return STG_E_WRITEFAULT;
  }
  // The last report comes once the file is in place, so whoever shows it as
  // finished can open it at once.
  t.ReportFinished();
  return S_OK;
}

}  // namespace platform

HRESULT URLDownloadToFileW(LPUNKNOWN /*caller*/, LPCWSTR url, LPCWSTR file_name, DWORD /*reserved*/,
                           LPBINDSTATUSCALLBACK callback) {
  return platform::DownloadUrlToFile(url, file_name, callback, platform::UrlDownloadBounds{});
}
