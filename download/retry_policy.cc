// The retry decisions and failure reasons of download jobs.
#include "download/retry_policy.h"

using platform::DownloadEnd;

std::optional<std::chrono::milliseconds> RetryDelay(DownloadEnd end, int retries_done) {
  if (retries_done < 0 || retries_done >= kAutomaticRetries) return std::nullopt;
  const bool worth_it =
      end == DownloadEnd::kDropped ||
      (retries_done > 0 && (end == DownloadEnd::kUnreachable || end == DownloadEnd::kUnresolved));
  if (!worth_it) return std::nullopt;
  return std::chrono::milliseconds(1000 << retries_done);
}

bool KeepsBytesAfter(DownloadEnd end) {
  return end == DownloadEnd::kDropped || end == DownloadEnd::kUnreachable ||
         end == DownloadEnd::kUnresolved || end == DownloadEnd::kFailed;
}

std::wstring FailureReason(DownloadEnd end, long status) {
  switch (end) {
    case DownloadEnd::kDropped:
      return L"连接中断";
    case DownloadEnd::kUnreachable:
      return L"无法连接服务器";
    case DownloadEnd::kUnresolved:
      return L"找不到服务器";
    case DownloadEnd::kHttpError:
      return status > 0 ? L"服务器错误 " + std::to_wstring(status) : L"服务器错误";
    case DownloadEnd::kDiskFull:
      return L"磁盘空间不足";
    case DownloadEnd::kCannotWrite:
      return L"无法写入目标文件夹";
    case DownloadEnd::kTooLarge:
      return L"文件过大";
    case DownloadEnd::kBadAddress:
      return L"下载地址无效";
    case DownloadEnd::kInsecure:
      return L"安全连接失败";
    case DownloadEnd::kComplete:
    case DownloadEnd::kCancelled:
      return L"";
    case DownloadEnd::kFailed:
      break;
  }
  return L"网络错误";
}
