// The toolkit's side of GetKeyState: while it hands a window a key message,
// it names the modifier keys held with that key, so the window reads them as
// they were when the key was pressed, not as they are by the time it looks.
#pragma once

namespace platform {

enum KeyModifier : unsigned {
  kShiftDown = 1u << 0,
  kControlDown = 1u << 1,
  kAltDown = 1u << 2,
};

// For the lifetime of the scope (on the main thread), GetKeyState answers
// from these modifiers (KeyModifier bits). Scopes nest.
class KeyStateScope {
 public:
  explicit KeyStateScope(unsigned modifiers);
  ~KeyStateScope();
  KeyStateScope(const KeyStateScope&) = delete;
  KeyStateScope& operator=(const KeyStateScope&) = delete;

 private:
  int previous_;
};

}  // namespace platform
