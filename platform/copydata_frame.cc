// Encoding and checking of the copy-data channel's frames.
#include "platform/copydata_frame.h"

namespace platform::channel {
namespace {

void Put32(unsigned char* out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(v >> (8 * i));
}
void Put64(unsigned char* out, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out[i] = static_cast<unsigned char>(v >> (8 * i));
}
std::uint32_t Get32(const unsigned char* in) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | in[i];
  return v;
}
std::uint64_t Get64(const unsigned char* in) {
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | in[i];
  return v;
}

}  // namespace

void CopyDataFrame::EncodeHeader(unsigned char out[kHeaderSize]) const {
  Put32(out, kMagic);
  Put32(out + 4, kVersion);
  Put32(out + 8, message);
  Put32(out + 12, payload_size);
  Put64(out + 16, wparam);
  Put64(out + 24, data_tag);
}

bool CopyDataFrame::DecodeHeader(const unsigned char in[kHeaderSize], CopyDataFrame* frame) {
  if (Get32(in) != kMagic || Get32(in + 4) != kVersion) return false;
  std::uint32_t size = Get32(in + 12);
  if (size > kMaxPayload) return false;
  frame->message = Get32(in + 8);
  frame->payload_size = size;
  frame->wparam = Get64(in + 16);
  frame->data_tag = Get64(in + 24);
  return true;
}

void CopyDataFrame::EncodeOrder(std::uint64_t order, unsigned char out[kOrderSize]) {
  Put64(out, order);
}

std::uint64_t CopyDataFrame::DecodeOrder(const unsigned char in[kOrderSize]) { return Get64(in); }

void CopyDataFrame::EncodeReply(std::int64_t result, unsigned char out[kReplySize]) {
  Put32(out, kReplyMagic);
  Put32(out + 4, kVersion);
  Put64(out + 8, static_cast<std::uint64_t>(result));
}

bool CopyDataFrame::DecodeReply(const unsigned char in[kReplySize], std::int64_t* result) {
  if (Get32(in) != kReplyMagic || Get32(in + 4) != kVersion) return false;
  *result = static_cast<std::int64_t>(Get64(in + 8));
  return true;
}

}  // namespace platform::channel
