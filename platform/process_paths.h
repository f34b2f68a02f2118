// Paths that belong to this process and its user: the executable's directory
// (skins and other run-time files sit beside the executable) and the per-user
// runtime directory (named locks, the window registry, sockets).
#pragma once

#include <string>

namespace platform {

// The directory of /proc/self/exe, without a trailing '/'; "." if unknown.
std::string ExecutableDir();

// $XDG_RUNTIME_DIR when it is set, absolute and a directory; otherwise
// /tmp/quorbital-<uid>, created with mode 0700 and checked to be a directory
// owned by this user and closed to others (never a symbolic link). Empty when
// no safe directory can be had.
std::string RuntimeDir();

}  // namespace platform
