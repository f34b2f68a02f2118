// Windows of other processes of the same user: the main window registers its
// class and title in a per-user directory, FindWindowW looks there when no
// local window matches, and WM_COPYDATA sent to such a window travels as a
// framed request over a Unix domain socket.
#pragma once

#include "platform/windows.h"

namespace platform::channel {

// Called by the window calls for a window created with a class and title, so
// other processes can find it; and when it goes away.
void PublishWindow(HWND hwnd, const std::wstring& class_name, const std::wstring& title);
void WithdrawWindow(HWND hwnd);

// A handle for a matching window of another process, or null.
HWND FindRemoteWindow(LPCWSTR class_name, LPCWSTR window_name);
bool IsRemoteHandle(HWND hwnd);
bool IsRemoteWindowAlive(HWND hwnd);
// Only WM_COPYDATA crosses; anything else returns 0.
LRESULT SendRemoteMessage(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

}  // namespace platform::channel
