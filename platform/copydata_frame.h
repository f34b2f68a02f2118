// The wire format of the copy-data channel: one request frame per window
// message sent to a window of another process, and one reply per request.
// Every field is little-endian, whatever the host, so both ends agree even
// when they were built apart.
//
// Request: a 32-byte header, then exactly payload_size bytes.
//   offset  0  u32  magic "QCDF"
//   offset  4  u32  version (1)
//   offset  8  u32  message number (WM_COPYDATA today; see below)
//   offset 12  u32  payload size (cbData), at most kMaxPayload
//   offset 16  u64  wParam
//   offset 24  u64  data tag (dwData)
// Reply: 16 bytes, sent once the receiving window's handler has returned.
//   offset  0  u32  magic "QCDR"
//   offset  4  u32  version (1)
//   offset  8  i64  the handler's result (LRESULT)
//
// The frame carries the message number so that a later message of our own (a
// second program start handing a document path to the running client) can
// cross with its data as a copy-data record. A receiver dispatches
// WM_COPYDATA and the application's own messages and drops frames of any
// other message, with one exception: a sender that has a credential (a web
// process of the client, given a secret by the client) opens each connection
// with one credential frame (message kCredentialMessage, the secret as its
// payload, at most kMaxCredential bytes), which is never dispatched and
// never answered; the receiver keeps it with the connection. Senders without
// one send none, so they still reach receivers built before it existed.
//
// A sender whose messages must not overtake what it told the receiving
// process another way (a web process's news to the client over the web
// engine's own channel) numbers what it sent there, and puts one order frame
// (message kOrderMessage, the number as 8 bytes of payload) before a message
// whenever that number has grown since the connection last carried one. It
// is never dispatched or answered either; the receiver keeps the last number
// with the connection and holds a message back until the news up to that
// number has come in (see SetOrderCheck).
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::channel {

struct CopyDataFrame {
  static constexpr std::uint32_t kMagic = 0x46444351u;       // "QCDF"
  static constexpr std::uint32_t kReplyMagic = 0x52444351u;  // "QCDR"
  static constexpr std::uint32_t kVersion = 1;
  static constexpr std::size_t kHeaderSize = 32;
  static constexpr std::size_t kReplySize = 16;
  // Bridge messages are a URL or an integer; a megabyte is far beyond any of
  // them and keeps a broken or hostile sender from making us allocate more.
  static constexpr std::uint32_t kMaxPayload = 1u << 20;
  static constexpr std::uint32_t kCredentialMessage = 0x51435245u;  // "ERCQ"
  static constexpr std::uint32_t kMaxCredential = 256;
  static constexpr std::uint32_t kOrderMessage = 0x5144524Fu;  // "ORDQ"
  static constexpr std::uint32_t kOrderSize = 8;

  std::uint32_t message = 0;
  std::uint32_t payload_size = 0;
  std::uint64_t wparam = 0;
  std::uint64_t data_tag = 0;

  void EncodeHeader(unsigned char out[kHeaderSize]) const;
  // False for a header with another magic or version, or one that declares
  // more than kMaxPayload bytes. The message number is not judged here.
  static bool DecodeHeader(const unsigned char in[kHeaderSize], CopyDataFrame* frame);

  static void EncodeOrder(std::uint64_t order, unsigned char out[kOrderSize]);
  static std::uint64_t DecodeOrder(const unsigned char in[kOrderSize]);

  static void EncodeReply(std::int64_t result, unsigned char out[kReplySize]);
  static bool DecodeReply(const unsigned char in[kReplySize], std::int64_t* result);
};

}  // namespace platform::channel
