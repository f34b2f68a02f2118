// Bridge messages as the main window receives them: a byte stream from a
// socket is cut into copy-data frames as the channel's receiver does (a
// header, then exactly the payload it declares; a bad header ends the
// stream), and each payload is read as a text and as an integer within its
// declared size. Headers and replies that decode encode back to the same
// bytes, and texts survive being sent on.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "bridge/bridge_message.h"
#include "fuzz/fuzz_check.h"
#include "platform/copydata_frame.h"

namespace {

using platform::channel::CopyDataFrame;

// A payload in a heap block of exactly its size, so AddressSanitizer sees a
// read past the declared size.
void ReadPayload(const uint8_t* data, std::uint32_t size, std::uint64_t tag) {
  std::unique_ptr<unsigned char[]> bytes(new unsigned char[size == 0 ? 1 : size]);
  if (size > 0) std::memcpy(bytes.get(), data, size);
  COPYDATASTRUCT record;
  record.dwData = static_cast<ULONG_PTR>(tag);
  record.cbData = size;
  record.lpData = size == 0 ? nullptr : bytes.get();

  const std::wstring text = DecodeText(&record);
  FUZZ_CHECK(text.size() <= size / 2);
  FUZZ_CHECK(text.find(L'\0') == std::wstring::npos);
  for (wchar_t c : text) FUZZ_CHECK(static_cast<std::uint32_t>(c) <= 0x10FFFF);
  BridgePayload again = EncodeText(text);
  FUZZ_CHECK(again.bytes.size() <= size + 2);
  const COPYDATASTRUCT sent = again.Record();
  FUZZ_CHECK(DecodeText(&sent) == text);

  std::int32_t value = 0;
  const bool isInt = DecodeInt(&record, &value);
  FUZZ_CHECK(isInt == (size >= 4));
  if (isInt) {
    BridgePayload encoded = EncodeInt(value);
    FUZZ_CHECK(std::memcmp(encoded.bytes.data(), data, 4) == 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size >= CopyDataFrame::kReplySize) {
    std::int64_t result = 0;
    if (CopyDataFrame::DecodeReply(data, &result)) {
      unsigned char out[CopyDataFrame::kReplySize];
      CopyDataFrame::EncodeReply(result, out);
      FUZZ_CHECK(std::memcmp(out, data, sizeof(out)) == 0);
    }
  }

  // The whole input as one payload, as a record built by any sender.
  ReadPayload(data, static_cast<std::uint32_t>(size), 0);

  // The input as a stream of frames.
  size_t at = 0;
  while (size - at >= CopyDataFrame::kHeaderSize) {
    CopyDataFrame frame;
    if (!CopyDataFrame::DecodeHeader(data + at, &frame)) break;
    FUZZ_CHECK(frame.payload_size <= CopyDataFrame::kMaxPayload);
    unsigned char header[CopyDataFrame::kHeaderSize];
    frame.EncodeHeader(header);
    FUZZ_CHECK(std::memcmp(header, data + at, sizeof(header)) == 0);
    at += CopyDataFrame::kHeaderSize;
    if (frame.payload_size > size - at) break;  // the sender hung up mid-frame
    ReadPayload(data + at, frame.payload_size, frame.data_tag);
    at += frame.payload_size;
  }
  return 0;
}
