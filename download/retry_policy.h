// What a download job does after a try that did not complete: try again by
// itself (after how long), or stop and say why in a few words.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "platform/url_download.h"

// Automatic tries after the first, before a job fails for good.
inline constexpr int kAutomaticRetries = 3;

// The wait before the next automatic try, after a try that ended this way
// when retries_done automatic tries came before it (about 1, 2 and 4 s);
// nothing when the job stops. A transfer that ended early is tried again;
// once the job is trying again, so is a server that cannot be reached for
// the moment. Every other failure (the server refused, the disk is full)
// would only fail again.
std::optional<std::chrono::milliseconds> RetryDelay(platform::DownloadEnd end, int retries_done);

// Whether a job that failed this way keeps its bytes for a retry: after a
// failure of the connection (it dropped, or the server could not be reached
// or found), which a later try may get past. After any other failure (a full
// disk, a folder that does not take the file, a refusal) a retry starts over.
bool KeepsBytesAfter(platform::DownloadEnd end);

// The few words a failed job's row shows after "下载失败": what happened,
// for instance "连接中断" or "服务器错误 404". status is the server's answer.
std::wstring FailureReason(platform::DownloadEnd end, long status);
