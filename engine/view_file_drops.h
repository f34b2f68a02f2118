// Files dropped on the browser view belong to its top-level window: the view
// covers nearly all of it, and the window (not the page) decides what a drop
// means. Other drops (text, links dragged inside the page) stay the page's.
#pragma once

#include "platform/windows.h"

namespace engine {

// Forwards file drops on view (a WebKitWebView) to the window parent as
// WM_DROPFILES, when that window accepts files (WS_EX_ACCEPTFILES).
void ForwardFileDrops(void* view, HWND parent);

}  // namespace engine
