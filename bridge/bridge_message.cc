// Encoding and decoding of bridge message payloads. Wide text is UTF-32 here
// and UTF-16 on the wire, converted at this boundary.
#include "bridge/bridge_message.h"

namespace {

void PutUnit(std::vector<unsigned char>& out, std::uint32_t unit) {
  out.push_back(static_cast<unsigned char>(unit & 0xFF));
  out.push_back(static_cast<unsigned char>((unit >> 8) & 0xFF));
}

}  // namespace

COPYDATASTRUCT BridgePayload::Record() {
  COPYDATASTRUCT record;
  record.dwData = 0;
  record.cbData = static_cast<DWORD>(bytes.size());
  record.lpData = bytes.empty() ? nullptr : bytes.data();
  return record;
}

BridgePayload EncodeText(const std::wstring& text) {
  BridgePayload payload;
  payload.bytes.reserve(text.size() * 2 + 2);
  for (wchar_t wc : text) {
    std::uint32_t c = static_cast<char32_t>(wc);
    if (c == 0) break;             // a text is cut at its first 0 unit
    if (c > 0x10FFFF) c = 0xFFFD;  // not a character: the replacement character
    if (c >= 0x10000) {
      c -= 0x10000;
      PutUnit(payload.bytes, 0xD800 + (c >> 10));
      PutUnit(payload.bytes, 0xDC00 + (c & 0x3FF));
    } else {
      // Lone surrogates pass unchanged, as the page held them.
      PutUnit(payload.bytes, c);
    }
  }
  PutUnit(payload.bytes, 0);
  return payload;
}

BridgePayload EncodeInt(std::int32_t value) {
  BridgePayload payload;
  auto bits = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) payload.bytes.push_back(static_cast<unsigned char>(bits >> (8 * i)));
  return payload;
}

std::wstring DecodeText(const COPYDATASTRUCT* record) {
  std::wstring text;
  if (record == nullptr || record->lpData == nullptr) return text;
  const auto* bytes = static_cast<const unsigned char*>(record->lpData);
  const std::size_t units = record->cbData / 2;
  for (std::size_t i = 0; i < units; ++i) {
    std::uint32_t unit = bytes[2 * i] | (static_cast<std::uint32_t>(bytes[2 * i + 1]) << 8);
    if (unit == 0) break;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
      std::uint32_t next = bytes[2 * i + 2] | (static_cast<std::uint32_t>(bytes[2 * i + 3]) << 8);
      if (next >= 0xDC00 && next <= 0xDFFF) {
        text.push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00)));
        ++i;
        continue;
      }
    }
    text.push_back(static_cast<wchar_t>(unit));
  }
  return text;
}

bool DecodeInt(const COPYDATASTRUCT* record, std::int32_t* value) {
  if (record == nullptr || record->lpData == nullptr || record->cbData < 4) return false;
  const auto* bytes = static_cast<const unsigned char*>(record->lpData);
  std::uint32_t bits = 0;
  for (int i = 3; i >= 0; --i) bits = (bits << 8) | bytes[i];
  *value = static_cast<std::int32_t>(bits);
  return true;
}
