// Handing a second start's document to the running client.
#include "app/second_start.h"

#include "app/locations.h"
#include "bridge/bridge_message.h"
#include "platform/windows.h"

bool HandOffToRunningClient(const std::wstring& document_path) {
  HWND main_window = FindWindowW(kMainWndClass, kMainWndTitle);
  if (main_window == nullptr || !IsWindow(main_window)) return false;
  BridgePayload payload = EncodeText(document_path);
  COPYDATASTRUCT record = payload.Record();
  return SendMessageW(main_window, kOpenDocumentMessage, 0, reinterpret_cast<LPARAM>(&record)) == 1;
}
