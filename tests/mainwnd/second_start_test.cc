// The hand-off record of a second start: the path first, as every reader of
// a text expects, and the launcher's id after it.
#include "mainwnd/second_start.h"

#include <gtest/gtest.h>

namespace {

TEST(HandOffRecord, PathThenStartupId) {
  const std::wstring path = L"/tmp/我的 文档/\U0001F600 a.zv";
  BridgePayload payload = EncodeHandOff(path, L"launcher-42_TIME1234");
  COPYDATASTRUCT record = payload.Record();
  EXPECT_EQ(DecodeText(&record), path);
  EXPECT_EQ(HandOffStartupId(&record), L"launcher-42_TIME1234");

  // Without an id the record is the plain text of the path; an empty path
  // still carries the id.
  payload = EncodeHandOff(path, L"");
  record = payload.Record();
  EXPECT_EQ(payload.bytes, EncodeText(path).bytes);
  EXPECT_EQ(HandOffStartupId(&record), L"");
  payload = EncodeHandOff(L"", L"token");
  record = payload.Record();
  EXPECT_EQ(DecodeText(&record), L"");
  EXPECT_EQ(HandOffStartupId(&record), L"token");

  // Records cut short read no further than they reach.
  payload = EncodeHandOff(L"/a.zv", L"token");
  for (DWORD size = 0; size <= payload.bytes.size(); ++size) {
    record = payload.Record();
    record.cbData = size;
    EXPECT_LE(HandOffStartupId(&record).size(), 5u) << size;
  }
  EXPECT_EQ(HandOffStartupId(nullptr), L"");
}

}  // namespace
