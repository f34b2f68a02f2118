// URLDownloadToFileW over libcurl's easy interface, in tries that can continue
// one another. A try runs on the calling thread; the body goes to an unnamed
// file beside the target, which gets the target's name only when the whole
// file arrived with a 2xx status, so a failed download never damages a file
// that stood there before and never leaves a partial one behind.
#include "platform/url_download.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

#include "platform/curl_transfer.h"
#include "platform/download_file.h"
#include "platform/log.h"
#include "platform/unicode_text.h"
#include "platform/url_download_resume.h"
#include "platform/url_fetch.h"
#include "platform/url_redirects.h"
#include "platform/windows.h"

namespace {

using platform::DownloadEnd;
using platform::ReplyUse;

constexpr auto kProgressInterval = std::chrono::milliseconds(50);
constexpr long kBufferSize = 512L * 1024;

// The sink sees 32-bit counts. Larger counts are held just below the total
// until the body is complete, so a download over 4 GiB never looks finished
// early and the bar still ends at 100.
ULONG Clamp32(curl_off_t value) {
  if (value <= 0) return 0;
  return value > 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<ULONG>(value);
}

// A header's value when line is that header ("Name: value\r\n"), else null.
const char* HeaderValue(const std::string& line, const char* name, std::string* value) {
  const size_t length = std::strlen(name);
  if (line.size() <= length || strncasecmp(line.c_str(), name, length) != 0 ||
      line[length] != ':') {
    return nullptr;
  }
  size_t begin = length + 1;
  size_t end = line.size();
  while (begin < end && (line[begin] == ' ' || line[begin] == '\t')) ++begin;
  while (end > begin && (line[end - 1] == '\r' || line[end - 1] == '\n' || line[end - 1] == ' '))
    --end;
  *value = line.substr(begin, end - begin);
  return value->c_str();
}

// The headers of the latest answer (a redirect's are replaced by those of
// the answer it leads to).
struct AnswerHeaders {
  bool accepts_ranges = false;
  std::string etag;
  std::string last_modified;
  platform::ContentRange content_range;
};

struct Transfer {
  CURL* curl = nullptr;
  IBindStatusCallback* sink = nullptr;
  const platform::UrlDownloadBounds* bounds = nullptr;
  platform::RedirectGuard* guard = nullptr;
  platform::DownloadFile* file = nullptr;
  std::wstring status_text;
  AnswerHeaders headers;
  std::uint64_t asked_from = 0;  // the first byte asked for (0: the whole file)
  curl_off_t received = 0;       // bytes of the file now on disk, from its first byte
  curl_off_t reported = -1;      // received at the last report
  curl_off_t expected = -1;      // the whole file's length, -1 when unknown
  bool body_started = false;
  ReplyUse use = ReplyUse::kFromStart;  // what the final answer's body does
  bool refused_status = false;          // the final answer was refused
  bool start_over = false;              // the answer could not continue the kept bytes
  bool write_failed = false;
  int write_error = 0;
  bool too_large = false;  // the body passed the bound on its size
  bool aborted = false;    // the sink or the caller asked to stop
  bool stalled = false;    // nothing came for the stall time
  std::chrono::steady_clock::time_point last_report{};
  std::chrono::steady_clock::time_point last_byte = std::chrono::steady_clock::now();

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

  // The final answer's head has come: decides what its body does to the
  // file. False when the body is not wanted.
  bool TakeAnswer() {
    long code = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
    use = platform::UseOfReply(asked_from, code, headers.content_range.start);
    if (use == ReplyUse::kRefuse) {
      refused_status = true;
      return false;  // no need to fetch an error page
    }
    if (use == ReplyUse::kStartOver) {
      start_over = true;
      return false;
    }
    curl_off_t length = -1;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (use == ReplyUse::kFromStart) {
      received = 0;
      if (ftruncate(file->fd(), 0) != 0) {
        write_failed = true;
        write_error = errno;
        return false;
      }
      expected = headers.content_range.length >= 0 ? headers.content_range.length : length;
    } else {
      expected = headers.content_range.length >= 0 ? headers.content_range.length
                 : length >= 0                     ? received + length
                                                   : -1;
    }
    if (Exceeds(expected)) {
      too_large = true;
      return false;
    }
    return true;
  }
};

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  t->last_byte = std::chrono::steady_clock::now();
  if (!t->guard->Look(data, bytes)) return 0;
  const std::string line(data, bytes);
  std::string value;
  if (line.rfind("HTTP/", 0) == 0) {
    t->headers = AnswerHeaders{};  // a new answer: a redirect's headers go
  } else if (HeaderValue(line, "Accept-Ranges", &value)) {
    t->headers.accepts_ranges = strcasecmp(value.c_str(), "bytes") == 0;
  } else if (HeaderValue(line, "ETag", &value)) {
    t->headers.etag = value;
  } else if (HeaderValue(line, "Last-Modified", &value)) {
    t->headers.last_modified = value;
  } else if (HeaderValue(line, "Content-Range", &value)) {
    t->headers.content_range = platform::ParseContentRange(value);
  }
  return bytes;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  t->last_byte = std::chrono::steady_clock::now();
  if (!t->body_started) {
    // Redirect bodies never reach this callback, so this is the final answer.
    t->body_started = true;
    if (!t->TakeAnswer()) return 0;
    t->Report(BINDSTATUS_BEGINDOWNLOADDATA, true);
    if (t->Cancelled()) return 0;
  }
  if (t->Exceeds(t->received + static_cast<curl_off_t>(bytes))) {
    t->too_large = true;
    return 0;
  }
  // Written at the end of what is on disk, which a failed write of an earlier
  // try may have passed.
  size_t done = 0;
  while (done < bytes) {
    ssize_t n = ::pwrite(t->file->fd(), data + done, bytes - done,
                         static_cast<off_t>(t->received) + static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      t->write_failed = true;
      t->write_error = errno;
      t->received += static_cast<curl_off_t>(done);
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
  if (std::chrono::steady_clock::now() - t->last_byte >= t->bounds->stall) t->stalled = true;
  return t->Cancelled() || t->stalled ? 1 : 0;
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

// How a transfer that curl ended with code ended; connected says whether a
// connection to the server was made.
DownloadEnd EndOfCurl(CURLcode code, bool connected) {
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return DownloadEnd::kUnresolved;
    case CURLE_COULDNT_CONNECT:
      return DownloadEnd::kUnreachable;
    case CURLE_OPERATION_TIMEDOUT:
      // The time bound of the whole download, or of the connection.
      return connected ? DownloadEnd::kDropped : DownloadEnd::kUnreachable;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
      return DownloadEnd::kDropped;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return DownloadEnd::kBadAddress;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
      return DownloadEnd::kInsecure;
    case CURLE_ABORTED_BY_CALLBACK:
      return DownloadEnd::kCancelled;
    default:
      return DownloadEnd::kFailed;
  }
}

bool IsDiskFull(int error) { return error == ENOSPC || error == EDQUOT; }

// Runs the transfer into the file and says how it ended; kComplete means
// that the whole body arrived with a 2xx status (the file is not placed yet).
platform::DownloadTry RunTransfer(Transfer& t, const std::string& url,
                                  const platform::RangeRequest& range) {
  CURL* curl = t.curl;
  curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kBufferSize);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &t);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnTick);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  if (t.bounds->time_limit.count() > 0) {
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(t.bounds->time_limit.count()));
  }
  curl_slist* request_headers = nullptr;
  std::string from;
  if (range.from > 0) {
    from = std::to_string(range.from) + "-";
    curl_easy_setopt(curl, CURLOPT_RANGE, from.c_str());
    request_headers = curl_slist_append(nullptr, ("If-Range: " + range.if_range).c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, request_headers);
  }
  t.asked_from = range.from;
  platform::RedirectGuard guard(curl, t.bounds->allow_url);
  t.guard = &guard;

  CURLcode code = curl_easy_perform(curl);
  curl_slist_free_all(request_headers);
  platform::DownloadTry result;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.status);
  curl_off_t connect_time = 0;
  curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connect_time);
  if (!t.body_started && code == CURLE_OK) {
    // An empty body never reaches the write callback.
    t.body_started = true;
    t.TakeAnswer();
  }
  if (guard.refused()) {
    result.end = DownloadEnd::kBadAddress;
    result.result = E_ACCESSDENIED;
  } else if (t.aborted) {
    result.end = DownloadEnd::kCancelled;
    result.result = E_ABORT;
  } else if (t.write_failed) {
    result.end = IsDiskFull(t.write_error) ? DownloadEnd::kDiskFull : DownloadEnd::kCannotWrite;
    result.result = STG_E_WRITEFAULT;
    platform::LogWarning("download: cannot write the file of %s: %s", url.c_str(),
                         strerror(t.write_error));
  } else if (t.too_large) {
    result.end = DownloadEnd::kTooLarge;
    result.result = INET_E_DOWNLOAD_FAILURE;
    platform::Log("download: %s is larger than %llu bytes", url.c_str(),
                  static_cast<unsigned long long>(t.bounds->max_bytes));
  } else if (t.refused_status) {
    result.end = DownloadEnd::kHttpError;
    result.result = (result.status == 404 || result.status == 410) ? INET_E_RESOURCE_NOT_FOUND
                                                                   : INET_E_DOWNLOAD_FAILURE;
    platform::Log("download: %s answered %ld", url.c_str(), result.status);
  } else if (t.stalled) {
    // Nothing for the stall time on an open connection is a drop.
    result.end = connect_time > 0 ? DownloadEnd::kDropped : DownloadEnd::kUnreachable;
    result.result = INET_E_CANNOT_CONNECT;
    platform::Log("download: %s sent nothing for %lld s", url.c_str(),
                  static_cast<long long>(t.bounds->stall.count()));
  } else if (t.start_over) {
    result.end = DownloadEnd::kDropped;
    result.result = INET_E_DOWNLOAD_FAILURE;
    platform::Log("download: %s answered %ld, which does not continue the %llu bytes kept",
                  url.c_str(), result.status, static_cast<unsigned long long>(t.asked_from));
  } else if (code != CURLE_OK) {
    result.end = EndOfCurl(code, connect_time > 0);
    result.result = ResultOfCurl(code);
    platform::Log("download: %s failed: %s", url.c_str(), curl_easy_strerror(code));
  } else if (t.expected >= 0 && t.received != t.expected) {
    result.end = DownloadEnd::kDropped;
    result.result = INET_E_DOWNLOAD_FAILURE;
  } else {
    result.end = DownloadEnd::kComplete;
    result.result = S_OK;
  }
  return result;
}

platform::DownloadTry Failed(DownloadEnd end, HRESULT result) {
  platform::DownloadTry t;
  t.end = end;
  t.result = result;
  return t;
}

}  // namespace

namespace platform {

PartialDownload::~PartialDownload() {
  if (aside_ >= 0) close(aside_);
}

bool PartialDownload::SetAside(const std::string& folder) {
  if (aside_ >= 0) return true;
  // Only bytes a request for the rest can continue are worth their space.
  const bool useful = file_.IsOpen() && NextRange(kept_, ranges_offered_, validator_).from > 0;
  int aside = -1;
  if (useful) aside = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (aside >= 0 && !CopyFileStart(file_.fd(), aside, kept_)) {
    Log("download: cannot set %llu bytes aside in %s: %s", static_cast<unsigned long long>(kept_),
        folder.c_str(), strerror(errno));
    close(aside);
    aside = -1;
  }
  if (aside < 0) {
    Discard();
    return false;
  }
  file_.Discard();
  aside_ = aside;
  return true;
}

bool PartialDownload::IsAsideOnFileSystemOf(const std::string& path) const {
  struct stat aside {};
  struct stat there {};
  return aside_ >= 0 && fstat(aside_, &aside) == 0 && stat(path.c_str(), &there) == 0 &&
         aside.st_dev == there.st_dev;
}

void PartialDownload::Discard() {
  file_.Discard();
  if (aside_ >= 0) close(aside_);
  aside_ = -1;
  kept_ = 0;
  ranges_offered_ = false;
  validator_.clear();
}

DownloadTry DownloadUrlTry(LPCWSTR url, LPCWSTR file_name, PartialDownload& partial,
                           LPBINDSTATUSCALLBACK sink, const UrlDownloadBounds& bounds) {
  if (url == nullptr || file_name == nullptr || *url == L'\0' || *file_name == L'\0') {
    return Failed(DownloadEnd::kBadAddress, E_INVALIDARG);
  }
  const std::string url8 = UrlForTransfer(url);
  const std::string target = WideToUtf8(file_name);
  if (url8.empty()) return Failed(DownloadEnd::kBadAddress, E_INVALIDARG);
  if (target.empty() || target.back() == '/')
    return Failed(DownloadEnd::kCannotWrite, E_INVALIDARG);
  if (bounds.cancel != nullptr && bounds.cancel->load()) {
    return Failed(DownloadEnd::kCancelled, E_ABORT);
  }
  if (bounds.allow_url && !bounds.allow_url(url8)) {
    LogWarning("download: %s is refused", url8.c_str());
    return Failed(DownloadEnd::kBadAddress, E_ACCESSDENIED);
  }

  // Bytes kept for another target are of no use here.
  if ((partial.file_.IsOpen() || partial.IsSetAside()) && partial.target_ != target) {
    partial.Discard();
  }
  if (!partial.file_.IsOpen()) {
    if (!partial.IsSetAside()) partial.Discard();
    // The file lives in the target's folder so naming it never crosses
    // file systems; bytes set aside come back into it.
    if (!partial.file_.Open(target) ||
        (partial.IsSetAside() &&
         !CopyFileStart(partial.aside_, partial.file_.fd(), partial.kept_))) {
      const int error = errno;
      LogWarning("download: cannot create a file beside %s: %s", target.c_str(), strerror(error));
      partial.Discard();
      return Failed(IsDiskFull(error) ? DownloadEnd::kDiskFull : DownloadEnd::kCannotWrite,
                    STG_E_WRITEFAULT);
    }
    if (partial.IsSetAside()) close(partial.aside_);
    partial.aside_ = -1;
    partial.target_ = target;
  }

  const CurlTransfer transfer = NewCurlTransfer(url8);
  Transfer t;
  t.curl = transfer.get();
  t.sink = sink;
  t.bounds = &bounds;
  t.file = &partial.file_;
  t.status_text = url;
  t.received = static_cast<curl_off_t>(partial.kept_);
  if (t.curl == nullptr) return Failed(DownloadEnd::kFailed, E_OUTOFMEMORY);
  const RangeRequest range = NextRange(partial.kept_, partial.ranges_offered_, partial.validator_);
  DownloadTry result = RunTransfer(t, url8, range);

  // What the file holds now, and what the answer said about continuing it.
  if (t.start_over || (t.use == ReplyUse::kFromStart && t.body_started && !t.refused_status)) {
    partial.ranges_offered_ = false;
    partial.validator_.clear();
  }
  if (t.start_over) {
    t.received = 0;
    if (ftruncate(partial.file_.fd(), 0) != 0) partial.Discard();
  } else if (t.body_started && !t.refused_status) {
    if (t.use == ReplyUse::kFromStart) {
      partial.validator_ = RangeValidator(t.headers.etag, t.headers.last_modified);
    }
    partial.ranges_offered_ = t.headers.accepts_ranges || result.status == 206;
  }
  partial.kept_ = static_cast<std::uint64_t>(std::max<curl_off_t>(0, t.received));

  if (result.end != DownloadEnd::kComplete) return result;
  if (!partial.file_.Place()) {
    const int error = errno;
    LogWarning("download: cannot put the file at %s: %s", target.c_str(), strerror(error));
    partial.Discard();
    return Failed(IsDiskFull(error) ? DownloadEnd::kDiskFull : DownloadEnd::kCannotWrite,
                  STG_E_WRITEFAULT);
  }
  partial.Discard();
  // The last report comes once the file is in place, so whoever shows it as
  // finished can open it at once.
  t.ReportFinished();
  return result;
}

HRESULT DownloadUrlToFile(LPCWSTR url, LPCWSTR file_name, LPBINDSTATUSCALLBACK sink,
                          const UrlDownloadBounds& bounds) {
  PartialDownload partial;  // removes whatever a failed try wrote
  return DownloadUrlTry(url, file_name, partial, sink, bounds).result;
}

}  // namespace platform

HRESULT URLDownloadToFileW(LPUNKNOWN /*caller*/, LPCWSTR url, LPCWSTR file_name, DWORD /*reserved*/,
                           LPBINDSTATUSCALLBACK callback) {
  return platform::DownloadUrlToFile(url, file_name, callback, platform::UrlDownloadBounds{});
}
