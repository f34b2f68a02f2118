// Placeholder until the channel between processes is built: no remote windows.
#include "platform/copydata_channel.h"

namespace platform::channel {

void PublishWindow(HWND, const std::wstring&, const std::wstring&) {}
void WithdrawWindow(HWND) {}
HWND FindRemoteWindow(LPCWSTR, LPCWSTR) { return nullptr; }
bool IsRemoteHandle(HWND) { return false; }
bool IsRemoteWindowAlive(HWND) { return false; }
LRESULT SendRemoteMessage(HWND, UINT, WPARAM, LPARAM) { return 0; }

}  // namespace platform::channel
