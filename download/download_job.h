// One download job's run on its own thread: tries until the file is in
// place, tries again by itself after a transfer that ended early, continuing
// the bytes it has where the server allows, and stops on request.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

#include "download/download_item.h"
#include "platform/url_download.h"
#include "platform/windows.h"

// What the list window and a job's thread share. The window asks the job to
// stop; the bytes received so far stay here between runs of the job (a
// retry continues them), touched only by the thread that runs the job.
struct DownloadJobControl {
  // Stops the running job within about a second, also while it waits to try
  // again. Any thread.
  void Cancel();

  std::atomic<bool> cancelled{false};
  std::mutex lock;
  std::condition_variable wake;
  platform::PartialDownload partial;
  // Where the job's bytes go to wait after its connection failed (set before
  // its thread starts; none keeps nothing).
  std::string aside_folder;
};

enum class JobEnd { kFinished, kFailed, kCancelled };

struct JobOutcome {
  JobEnd end = JobEnd::kFailed;
  std::wstring reason;        // for kFailed: what happened, in a few words
  bool out_of_space = false;  // it failed because the target's disk is full
};

// Runs the job on the calling thread until its file is in place, it fails
// for good or it is cancelled. Every request is for the job's URL with a
// fresh cache-busting query. Before each automatic retry, retrying is called
// with the reason of the try that failed. A job that ends holds nothing of
// the target's folder: a cancelled one, and one that failed for any reason
// but the connection, keep no bytes at all; one whose connection failed
// keeps those a retry can continue, set aside in an unnamed file in the
// control's aside_folder, which goes with the process.
JobOutcome RunDownloadJob(const DownloadItem& item, DownloadJobControl& control,
                          IBindStatusCallback* sink,
                          const std::function<void(const std::wstring&)>& retrying);
