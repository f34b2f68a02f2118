// Handing a second start's document to the running client.
#include "mainwnd/second_start.h"

#include "app/locations.h"
#include "platform/startup_notification.h"
#include "platform/windows.h"

namespace {

// However the running client fares (stopped, hung, busy in a dialog), the
// user's start goes on after this long.
constexpr DWORD kHandOffTimeoutMs = 10000;

}  // namespace

bool HandOffToRunningClient(const std::wstring& document_path) {
  const DWORD started = GetTickCount();
  HWND main_window = FindWindowW(kMainWndClass, kMainWndTitle);
  if (main_window == nullptr || !IsWindow(main_window)) return false;
  const DWORD spent = GetTickCount() - started;
  if (spent >= kHandOffTimeoutMs) return false;
  BridgePayload payload = EncodeHandOff(document_path, platform::StartupNotificationId());
  COPYDATASTRUCT record = payload.Record();
  ULONG_PTR answer = 0;
  if (!SendMessageTimeoutW(main_window, kOpenDocumentMessage, 0, reinterpret_cast<LPARAM>(&record),
                           SMTO_ABORTIFHUNG, kHandOffTimeoutMs - spent, &answer)) {
    return false;
  }
  return answer == 1;
}

BridgePayload EncodeHandOff(const std::wstring& document_path, const std::wstring& startup_id) {
  BridgePayload payload = EncodeText(document_path);
  if (!startup_id.empty()) {
    BridgePayload id = EncodeText(startup_id);
    payload.bytes.insert(payload.bytes.end(), id.bytes.begin(), id.bytes.end());
  }
  return payload;
}

std::wstring HandOffStartupId(const COPYDATASTRUCT* record) {
  if (record == nullptr || record->lpData == nullptr) return {};
  // The path's text as it was encoded, its closing 0 unit included.
  const size_t path_bytes = EncodeText(DecodeText(record)).bytes.size();
  if (record->cbData <= path_bytes) return {};
  COPYDATASTRUCT rest = *record;
  rest.cbData = record->cbData - static_cast<DWORD>(path_bytes);
  rest.lpData = static_cast<unsigned char*>(record->lpData) + path_bytes;
  return DecodeText(&rest);
}
