// The per-user registries of windows that other processes may send messages
// to, one per route. A published window has, on each route, an entry file
// (class, title, socket address, owner) and a listening Unix domain socket,
// both in a private directory under the runtime directory (the socket in a
// short private directory of the user when its path there would not fit a
// socket address). The two routes never share a folder. Entries of
// processes that died are recognised by their socket refusing connections and
// are removed by whoever finds them, on both routes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/copydata_channel.h"

namespace platform::channel {

struct RegistryEntry {
  std::string name;  // "<pid>-<random token>", the same on both routes
  Route route = Route::kUserProcesses;
  std::string entry_path;  // the entry file
  std::string address;     // the listening socket's path
  long pid = 0;
  std::int64_t published_us = 0;  // wall clock at publication, to order the finds
  std::wstring class_name;
  std::wstring title;
};

class CopyDataRegistry {
 public:
  // The route's registry directory (created private to this user), or ""
  // when no safe directory can be had. In a process given a directory (see
  // UseDir) that one, for every route.
  static std::string Dir(Route route);
  // Makes Dir() the given directory (see UseRegistryDirectory).
  static void UseDir(const std::string& dir);
  // The helpers' Dir() and, when socket paths there would be too long, the
  // helpers' short socket folder (see SocketDirectories).
  static std::vector<std::string> SocketDirs();

  // Fills paths and address of a new window of this process on a route; the
  // name is made when empty, and kept when the window has one already.
  static bool NewEntry(const std::wstring& class_name, const std::wstring& title, Route route,
                       RegistryEntry* entry);
  // Writes the entry file whole (a reader never sees half an entry).
  static bool Write(const RegistryEntry& entry);
  // The entries of other processes in the registry this process finds
  // windows in, oldest publication first.
  static std::vector<RegistryEntry> ListOthers();
  // Removes the entry file and its socket file; an entry of the user
  // processes' route takes its helpers' counterpart with it.
  static void Remove(const RegistryEntry& entry);

  // A non-blocking, close-on-exec listening socket at the address; -1 on failure.
  static int Listen(const std::string& address);
  // A blocking, close-on-exec socket connected to the address; -1 with errno
  // set. With timeout_ms >= 0, a listener that cannot take the connection
  // (its queue is full) is waited for at most that long (errno ETIMEDOUT);
  // 0 asks once.
  static int Connect(const std::string& address, int timeout_ms = -1);
};

}  // namespace platform::channel
