// Drop handles: the files of one drag-and-drop, as WM_DROPFILES hands them
// to a window procedure and DragQueryFileW reads them back. The toolkit
// makes a handle from the paths of a drop; DragFinish releases it.
#pragma once

#include <string>
#include <vector>

#include "platform/windows.h"

namespace platform {

// A new handle holding the paths in order; never null.
HDROP MakeDropHandle(const std::vector<std::wstring>& paths);

// Hands dropped files to a window as WM_DROPFILES (wParam = a new drop
// handle), on the main thread, and finishes the handle afterwards unless the
// window did. For native children (the browser view) that receive drops
// meant for their top-level window. Main thread.
void DeliverDroppedFiles(HWND hwnd, const std::vector<std::wstring>& paths);

}  // namespace platform
