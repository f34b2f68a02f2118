// The decisions of a download that continues where an earlier try stopped.
#include "platform/url_download_resume.h"

#include <cctype>
#include <cstdlib>

namespace platform {
namespace {

// A decimal number of at most 18 digits at text[pos], or -1.
std::int64_t NumberAt(const std::string& text, size_t pos, size_t* end) {
  size_t i = pos;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && i - pos < 18) ++i;
  *end = i;
  if (i == pos) return -1;
  return std::strtoll(text.substr(pos, i - pos).c_str(), nullptr, 10);
}

}  // namespace

std::string RangeValidator(const std::string& etag, const std::string& last_modified) {
  if (!etag.empty() && etag.rfind("W/", 0) != 0) return etag;
  return last_modified;
}

RangeRequest NextRange(std::uint64_t kept, bool ranges_offered, const std::string& validator) {
  if (kept == 0 || !ranges_offered || validator.empty()) return {};
  return {kept, validator};
}

ReplyUse UseOfReply(std::uint64_t asked_from, long status, std::int64_t range_start) {
  if (status == 206) {
    // Only the part that was asked for continues the file; any other part
    // (or one that does not say which it is) would leave a gap or overlap.
    if (range_start >= 0 && static_cast<std::uint64_t>(range_start) == asked_from) {
      return asked_from == 0 ? ReplyUse::kFromStart : ReplyUse::kAppend;
    }
    return ReplyUse::kStartOver;
  }
  // A whole file: the server ignored the range, or the file changed since
  // the kept bytes came (If-Range did not match).
  if (status >= 200 && status <= 299) return ReplyUse::kFromStart;
  // The kept bytes lie beyond the file as it is now: it changed.
  if (status == 416 && asked_from > 0) return ReplyUse::kStartOver;
  return ReplyUse::kRefuse;
}

ContentRange ParseContentRange(const std::string& value) {
  ContentRange range;
  size_t pos = 0;
  while (pos < value.size() && value[pos] == ' ') ++pos;
  if (value.compare(pos, 6, "bytes ") != 0) return range;
  pos += 6;
  size_t end = 0;
  const std::int64_t first = NumberAt(value, pos, &end);
  if (first < 0 || end >= value.size() || value[end] != '-') return range;
  const std::int64_t last = NumberAt(value, end + 1, &end);
  if (last < first || end >= value.size() || value[end] != '/') return range;
  range.start = first;
  const std::int64_t length = NumberAt(value, end + 1, &end);
  if (length > last) range.length = length;
  return range;
}

}  // namespace platform
