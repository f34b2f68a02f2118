// Key translation: the desktop's key symbols as the virtual-key codes that
// windows receive with WM_KEYDOWN, and which keys are shortcuts that a window
// may take before the control with the keyboard focus sees them.
#pragma once

#include "platform/windows.h"

namespace ui {

// The virtual-key code of a key symbol (a GDK keyval), or 0 for a key that
// has none. Letters give their upper-case code whatever the case or Shift.
UINT VirtualKeyOf(unsigned keyval);

// Whether a key with these modifiers (platform::KeyModifier bits) is a
// shortcut: a combination with Control or Alt, or a function key. Plain
// typing (with or without Shift) is not.
bool IsShortcutKey(UINT vk, unsigned modifiers);

}  // namespace ui
