// Bridge message payloads: the bytes each end relies on, and decoding that
// never reads past cbData.
#include "bridge/bridge_message.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

TEST(BridgeMessage, TextIsUtf16LittleEndianWithItsTerminator) {
  BridgePayload testfunc = EncodeText(L"testfunc");
  COPYDATASTRUCT record = testfunc.Record();
  EXPECT_EQ(record.cbData, 18u);
  EXPECT_EQ(record.dwData, 0u);
  EXPECT_EQ(record.lpData, testfunc.bytes.data());
  EXPECT_EQ(testfunc.bytes,
            (Bytes{'t', 0, 'e', 0, 's', 0, 't', 0, 'f', 0, 'u', 0, 'n', 0, 'c', 0, 0, 0}));

  std::wstring url = L"http://127.0.0.1/slide/download/%E4%B8%AD.zip";
  EXPECT_EQ(EncodeText(url).Record().cbData, 2 * url.size() + 2);
  EXPECT_EQ(EncodeText(L"").bytes, (Bytes{0, 0}));
  EXPECT_EQ(EncodeText(L"\u4e2d").bytes, (Bytes{0x2d, 0x4e, 0, 0}));
  // Beyond the basic plane: a surrogate pair, two units.
  EXPECT_EQ(EncodeText(L"\U0001F600").bytes, (Bytes{0x3d, 0xd8, 0x00, 0xde, 0, 0}));
}

TEST(BridgeMessage, TextIsCutAtItsFirstZeroUnit) {
  std::wstring with_zero = L"ab";
  with_zero.push_back(L'\0');
  with_zero += L"cd";
  BridgePayload payload = EncodeText(with_zero);
  EXPECT_EQ(payload.bytes, (Bytes{'a', 0, 'b', 0, 0, 0}));
  COPYDATASTRUCT record = payload.Record();
  EXPECT_EQ(DecodeText(&record), L"ab");
}

TEST(BridgeMessage, IntegersAreFourBytesLittleEndian) {
  EXPECT_EQ(EncodeInt(-1).bytes, (Bytes{0xff, 0xff, 0xff, 0xff}));
  EXPECT_EQ(EncodeInt(1).bytes, (Bytes{0x01, 0, 0, 0}));
  EXPECT_EQ(EncodeInt(0x12345678).bytes, (Bytes{0x78, 0x56, 0x34, 0x12}));
  for (std::int32_t value : {0, 1, -1, 2, INT32_MIN, INT32_MAX}) {
    BridgePayload payload = EncodeInt(value);
    COPYDATASTRUCT record = payload.Record();
    EXPECT_EQ(record.cbData, 4u);
    std::int32_t decoded = 7;
    ASSERT_TRUE(DecodeInt(&record, &decoded));
    EXPECT_EQ(decoded, value);
  }
}

TEST(BridgeMessage, TextsRoundTripIncludingUnpairedSurrogates) {
  for (const std::wstring& text : {std::wstring(L"function name: testfunc2   arg: x"),
                                   std::wstring(L"D:\\my docs\\a.zv \u00e9\U0010FFFF"),
                                   std::wstring(1, static_cast<wchar_t>(0xD800)) + L"z",
                                   std::wstring(1, static_cast<wchar_t>(0xDC00))}) {
    BridgePayload payload = EncodeText(text);
    COPYDATASTRUCT record = payload.Record();
    EXPECT_EQ(DecodeText(&record), text);
  }
  // Not a character at all: sent as the replacement character.
  BridgePayload bad = EncodeText(std::wstring(1, static_cast<wchar_t>(0x110000)));
  EXPECT_EQ(bad.bytes, (Bytes{0xfd, 0xff, 0, 0}));
}

TEST(BridgeMessage, DecodingReadsNoMoreThanCbData) {
  // The bytes after cbData are readable letters; none may appear.
  unsigned char buffer[] = {'a', 0, 'b', 0, 'c', 0, 'X', 0, 'Y', 0};
  COPYDATASTRUCT record{0, 6, buffer};
  EXPECT_EQ(DecodeText(&record), L"abc");
  record.cbData = 5;  // an odd byte is half a unit and is not read
  EXPECT_EQ(DecodeText(&record), L"ab");
  record.cbData = 0;
  EXPECT_EQ(DecodeText(&record), L"");
  // A high surrogate whose partner lies beyond cbData stays alone.
  unsigned char pair[] = {0x3d, 0xd8, 0x00, 0xde};
  COPYDATASTRUCT half{0, 2, pair};
  EXPECT_EQ(DecodeText(&half), std::wstring(1, static_cast<wchar_t>(0xD83D)));

  unsigned char four[] = {1, 0, 0, 0};
  std::int32_t value = 42;
  COPYDATASTRUCT short_int{0, 3, four};
  EXPECT_FALSE(DecodeInt(&short_int, &value));
  EXPECT_EQ(value, 42);
  COPYDATASTRUCT long_int{0, 8, buffer};
  ASSERT_TRUE(DecodeInt(&long_int, &value));
  EXPECT_EQ(value, 0x00620061);

  COPYDATASTRUCT empty{0, 4, nullptr};
  EXPECT_FALSE(DecodeInt(&empty, &value));
  EXPECT_FALSE(DecodeInt(nullptr, &value));
  EXPECT_EQ(DecodeText(&empty), L"");
  EXPECT_EQ(DecodeText(nullptr), L"");
}

}  // namespace
