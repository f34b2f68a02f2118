// How a download continues the bytes it kept from an earlier try: what it
// asks the server for, and what it makes of the answer. Plain decisions over
// HTTP facts, so that each answer's meaning can be read (and tested) in one
// place.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The validator a later request names in If-Range, from the headers of the
// answer whose body the kept bytes come from: a strong ETag, else the
// Last-Modified date, else none (a weak ETag never matches in If-Range).
std::string RangeValidator(const std::string& etag, const std::string& last_modified);

// What the next request asks for: the bytes from `from` on, on the condition
// that the file still has `if_range` as its validator. from == 0 asks for
// the whole file, which is what happens when nothing is kept, when the server
// did not offer ranges, or when it gave no validator to check the file
// against (continuing a file that may have changed would mix two files).
struct RangeRequest {
  std::uint64_t from = 0;
  std::string if_range;
};
RangeRequest NextRange(std::uint64_t kept, bool ranges_offered, const std::string& validator);

// What an answer's body does to the file.
enum class ReplyUse {
  kAppend,     // it continues the kept bytes where they end
  kFromStart,  // it is the whole file: the kept bytes go, the body starts the file
  kStartOver,  // it cannot be used, but a request for the whole file can: the kept bytes go
  kRefuse,     // the server refused: the download fails with this status
};

// The answer with this status (and, for 206, the first byte its
// Content-Range names; -1 when it names none) to a request that asked for
// the bytes from asked_from on (0: the whole file).
ReplyUse UseOfReply(std::uint64_t asked_from, long status, std::int64_t range_start);

// The first byte and the whole length named by a Content-Range header value
// ("bytes 100-199/1000"); -1 for what it does not name ("bytes 100-199/*").
struct ContentRange {
  std::int64_t start = -1;
  std::int64_t length = -1;
};
ContentRange ParseContentRange(const std::string& value);

}  // namespace platform
