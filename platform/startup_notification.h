// Start-up notification: a launcher (a file manager, a dock, gio launch) gives
// the program it starts an id (DESKTOP_STARTUP_ID under X11,
// XDG_ACTIVATION_TOKEN under Wayland) that entitles the window the start
// shows to come to the front. A start that shows no window of its own hands
// its id to the window that shows instead.
#pragma once

#include <string>

#include "platform/windows.h"

namespace platform {

// The id the launcher gave this process; "" when it gave none.
std::wstring StartupNotificationId();

// Shows hwnd and brings it to the front with a launcher's id, as far as the
// display allows: under X11 the id's time lets the window manager raise it;
// under Wayland the compositor activates a window only with a token it
// issued. An empty id makes the plain request. False for an unknown handle.
BOOL ActivateWindowWithStartupId(HWND hwnd, const std::wstring& startup_id);

}  // namespace platform
