// A download job's tries, waits and stop.
#include "download/download_job.h"

#include "download/retry_policy.h"
#include "util/cache_buster.h"

namespace {

// Nothing at all for this long on an open transfer counts as a drop.
constexpr std::chrono::seconds kStall{30};

}  // namespace

void DownloadJobControl::Cancel() {
  {
    std::lock_guard<std::mutex> guard(lock);
    cancelled = true;
  }
  wake.notify_all();
}

JobOutcome RunDownloadJob(const DownloadItem& item, DownloadJobControl& control,
                          IBindStatusCallback* sink,
                          const std::function<void(const std::wstring&)>& retrying) {
  platform::UrlDownloadBounds bounds;
  bounds.cancel = &control.cancelled;
  bounds.stall = kStall;
  for (int retries = 0;; ++retries) {
    const std::wstring url = CacheBustedUrl(item.url);
    const platform::DownloadTry tried =
        platform::DownloadUrlTry(url.c_str(), item.path.c_str(), control.partial, sink, bounds);
    if (tried.end == platform::DownloadEnd::kComplete) return {JobEnd::kFinished, L""};
    if (tried.end == platform::DownloadEnd::kCancelled || control.cancelled) {
      control.partial.Discard();
      return {JobEnd::kCancelled, L""};
    }
    const std::wstring reason = FailureReason(tried.end, tried.status);
    const auto delay = RetryDelay(tried.end, retries);
    if (!delay) {
      if (!KeepsBytesAfter(tried.end) || control.aside_folder.empty() ||
          !control.partial.SetAside(control.aside_folder)) {
        control.partial.Discard();
      }
      return {JobEnd::kFailed, reason, tried.end == platform::DownloadEnd::kDiskFull};
    }
    if (retrying) retrying(reason);
    std::unique_lock<std::mutex> guard(control.lock);
    if (control.wake.wait_for(guard, *delay, [&] { return control.cancelled.load(); })) {
      guard.unlock();
      control.partial.Discard();
      return {JobEnd::kCancelled, L""};
    }
  }
}
