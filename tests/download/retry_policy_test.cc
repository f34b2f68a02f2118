// The decisions of a download that did not complete, as tables: which
// answers continue the kept bytes and which start over, what the next
// request asks for, which ends are tried again and after how long, and the
// words a failed row shows.
#include "download/retry_policy.h"

#include <gtest/gtest.h>

#include "platform/url_download_resume.h"

namespace {

using platform::DownloadEnd;
using platform::ReplyUse;

TEST(ResumeDecisions, AnswersContinueOnlyWhatWasAskedFor) {
  struct Case {
    std::uint64_t asked_from;
    long status;
    std::int64_t range_start;
    ReplyUse use;
  };
  const Case cases[] = {
      {0, 200, -1, ReplyUse::kFromStart},
      {0, 206, 0, ReplyUse::kFromStart},       // the whole file as a part
      {1000, 206, 1000, ReplyUse::kAppend},    // the rest, as asked
      {1000, 200, -1, ReplyUse::kFromStart},   // ranges ignored, or If-Range did not match
      {1000, 206, 0, ReplyUse::kStartOver},    // another part than asked
      {1000, 206, 999, ReplyUse::kStartOver},  // it would overlap
      {1000, 206, -1, ReplyUse::kStartOver},   // a part that does not say which
      {0, 206, 500, ReplyUse::kStartOver},     // a part nobody asked for
      {1000, 416, -1, ReplyUse::kStartOver},   // the file is shorter now
      {0, 416, -1, ReplyUse::kRefuse},
      {1000, 404, -1, ReplyUse::kRefuse},
      {0, 500, -1, ReplyUse::kRefuse},
      {0, 304, -1, ReplyUse::kRefuse},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::UseOfReply(c.asked_from, c.status, c.range_start), c.use)
        << c.asked_from << " " << c.status << " " << c.range_start;
  }
}

TEST(ResumeDecisions, ARangeIsAskedForOnlyWithOfferedRangesAndAValidator) {
  struct Case {
    std::uint64_t kept;
    bool offered;
    std::string etag, last_modified;
    std::uint64_t from;
    std::string if_range;
  };
  const std::string date = "Wed, 21 Oct 2015 07:28:00 GMT";
  const Case cases[] = {
      {1000, true, "\"v1\"", date, 1000, "\"v1\""},  // a strong ETag first
      {1000, true, "W/\"v1\"", date, 1000, date},    // a weak one never matches
      {1000, true, "", date, 1000, date},
      {1000, true, "W/\"v1\"", "", 0, ""},   // nothing to check the file against
      {1000, false, "\"v1\"", date, 0, ""},  // no ranges offered
      {0, true, "\"v1\"", date, 0, ""},      // nothing kept
  };
  for (const Case& c : cases) {
    const auto range =
        platform::NextRange(c.kept, c.offered, platform::RangeValidator(c.etag, c.last_modified));
    EXPECT_EQ(range.from, c.from) << c.etag << " " << c.kept;
    EXPECT_EQ(range.if_range, c.if_range) << c.etag << " " << c.kept;
  }

  struct Header {
    const char* value;
    std::int64_t start, length;
  };
  const Header headers[] = {
      {"bytes 100-199/1000", 100, 1000},
      {"bytes 0-0/1", 0, 1},
      {"bytes 100-199/*", 100, -1},
      {"bytes */1000", -1, -1},
      {"bytes 200-100/1000", -1, -1},
      {"items 1-2/3", -1, -1},
      {"", -1, -1},
  };
  for (const Header& h : headers) {
    const platform::ContentRange range = platform::ParseContentRange(h.value);
    EXPECT_EQ(range.start, h.start) << h.value;
    EXPECT_EQ(range.length, h.length) << h.value;
  }
}

TEST(RetryDecisions, OnlyTransfersThatEndedEarlyAreTriedAgainAfterGrowingWaits) {
  using std::chrono::milliseconds;
  struct Case {
    DownloadEnd end;
    int retries_done;
    std::optional<milliseconds> delay;
  };
  const Case cases[] = {
      {DownloadEnd::kDropped, 0, milliseconds(1000)},
      {DownloadEnd::kDropped, 1, milliseconds(2000)},
      {DownloadEnd::kDropped, 2, milliseconds(4000)},
      {DownloadEnd::kDropped, 3, std::nullopt},  // three retries, then it fails
      // An unreachable server fails at once, but not in the middle of retrying.
      {DownloadEnd::kUnreachable, 0, std::nullopt},
      {DownloadEnd::kUnreachable, 1, milliseconds(2000)},
      {DownloadEnd::kUnresolved, 0, std::nullopt},
      {DownloadEnd::kUnresolved, 2, milliseconds(4000)},
      {DownloadEnd::kHttpError, 1, std::nullopt},
      {DownloadEnd::kDiskFull, 0, std::nullopt},
      {DownloadEnd::kCannotWrite, 0, std::nullopt},
      {DownloadEnd::kInsecure, 0, std::nullopt},
      {DownloadEnd::kCancelled, 0, std::nullopt},
      {DownloadEnd::kComplete, 0, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RetryDelay(c.end, c.retries_done), c.delay)
        << static_cast<int>(c.end) << " after " << c.retries_done;
  }

  EXPECT_EQ(FailureReason(DownloadEnd::kDropped, 0), L"连接中断");
  EXPECT_EQ(FailureReason(DownloadEnd::kHttpError, 404), L"服务器错误 404");
  EXPECT_EQ(FailureReason(DownloadEnd::kHttpError, 503), L"服务器错误 503");
  EXPECT_EQ(FailureReason(DownloadEnd::kDiskFull, 0), L"磁盘空间不足");
  EXPECT_EQ(FailureReason(DownloadEnd::kCannotWrite, 0), L"无法写入目标文件夹");
  EXPECT_EQ(FailureReason(DownloadEnd::kUnreachable, 0), L"无法连接服务器");
  EXPECT_EQ(FailureReason(DownloadEnd::kFailed, 0), L"网络错误");
}

}  // namespace
