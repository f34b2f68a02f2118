// Encoding and decoding of bridge message payloads. Wide text is UTF-32 here
// and UTF-16 on the wire, converted at this boundary.
#include "bridge/bridge_message.h"

#include <string_view>

#include "platform/unicode_text.h"

COPYDATASTRUCT BridgePayload::Record() {
  COPYDATASTRUCT record;
  record.dwData = 0;
  record.cbData = static_cast<DWORD>(bytes.size());
  record.lpData = bytes.empty() ? nullptr : bytes.data();
  return record;
}

BridgePayload EncodeText(const std::wstring& text) {
  // A text is cut at its first 0 unit; the converter keeps lone surrogates
  // as the page held them.
  const std::u16string units =
      platform::WideToUtf16(std::wstring_view(text).substr(0, text.find(L'\0')));
  BridgePayload payload;
  payload.bytes.reserve(units.size() * 2 + 2);
  for (char16_t unit : units) {
    payload.bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
    payload.bytes.push_back(static_cast<unsigned char>(unit >> 8));
  }
  payload.bytes.insert(payload.bytes.end(), {0, 0});
  return payload;
}

BridgePayload EncodeInt(std::int32_t value) {
  BridgePayload payload;
  auto bits = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) payload.bytes.push_back(static_cast<unsigned char>(bits >> (8 * i)));
  return payload;
}

std::wstring DecodeText(const COPYDATASTRUCT* record) {
  if (record == nullptr || record->lpData == nullptr) return {};
  const auto* bytes = static_cast<const unsigned char*>(record->lpData);
  std::u16string units;
  for (std::size_t i = 0; i + 1 < record->cbData; i += 2) {
    const auto unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (unit == 0) break;
    units.push_back(unit);
  }
  return platform::Utf16ToWide(units);
}

bool DecodeInt(const COPYDATASTRUCT* record, std::int32_t* value) {
  if (record == nullptr || record->lpData == nullptr || record->cbData < 4) return false;
  const auto* bytes = static_cast<const unsigned char*>(record->lpData);
  std::uint32_t bits = 0;
  for (int i = 3; i >= 0; --i) bits = (bits << 8) | bytes[i];
  *value = static_cast<std::int32_t>(bits);
  return true;
}
