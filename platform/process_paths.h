// Paths that belong to this process and its user: the executable's directory
// (skins and other run-time files sit beside the executable), the user's home
// and the per-user runtime directory (named locks, the window registry,
// sockets).
#pragma once

#include <string>

namespace platform {

// The directory of /proc/self/exe, without a trailing '/'; "." if unknown.
std::string ExecutableDir();

// The user's home directory: $HOME when it is set and not empty, otherwise
// the password database's entry for this user. Only an absolute path to an
// existing directory other than "/" counts; empty when there is none, so
// nothing is ever placed relative to the root for want of a home.
std::string HomeDir();

// $XDG_RUNTIME_DIR when it is set, absolute and a directory (links followed)
// owned by this user with mode 0700; otherwise
// /tmp/quorbital-<uid>, created with mode 0700 and checked to be a directory
// owned by this user and closed to others (never a symbolic link); when that
// name is taken by something else, "quorbital-runtime" in the user's state
// directory ($XDG_STATE_HOME or ~/.local/state), held to the same checks and
// never inside the cache directory ($XDG_CACHE_HOME or ~/.cache), which the
// web processes' sandbox may write. Empty when no safe directory can be had.
std::string RuntimeDir();
// The same with another folder in place of /tmp, for tests.
std::string RuntimeDirWithTmp(const std::string& tmp);
// Makes RuntimeDir() dir, as given, for a process whose starter names it: a
// confined web process sees the folder its client chose, inside a runtime
// directory of its own that the checks above would refuse. Called before
// the first RuntimeDir().
void UseRuntimeDir(const std::string& dir);

}  // namespace platform
