// The bridge message: a WM_COPYDATA sent by a renderer to the main window,
// whose wParam is the kind and whose copy-data record carries a text or an
// integer. Both ends build and read payloads here and nowhere else.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/windows.h"

enum BridgeKind {
  BRIDGE_DOWNLOAD_LINK = 0,
  BRIDGE_INSTRUCTION_LINK = 1,
  BRIDGE_WINDOW_STATUS = 2,
  BRIDGE_OPEN_FILE_DIALOG = 3,
  BRIDGE_GO_BACK = 4,
};

// The payload bytes of one message, owned by the sender for the duration of
// the send. Record() points into bytes, so the payload must outlive the record.
struct BridgePayload {
  std::vector<unsigned char> bytes;

  // dwData carries nothing (the receiver never reads it) and is 0.
  COPYDATASTRUCT Record();
};

// Text: the units up to the first 0 as UTF-16 little-endian (characters
// beyond the basic plane as surrogate pairs), then one 0 unit; cbData is
// 2 x units + 2. Integer: 4 bytes, little-endian two's complement.
BridgePayload EncodeText(const std::wstring& text);
BridgePayload EncodeInt(std::int32_t value);

// Read no more than cbData bytes. A text ends at the first 0 unit or after
// cbData / 2 units; an odd last byte is ignored. An integer is read only when
// cbData is at least 4 (false otherwise, and for a null record or data).
std::wstring DecodeText(const COPYDATASTRUCT* record);
bool DecodeInt(const COPYDATASTRUCT* record, std::int32_t* value);
