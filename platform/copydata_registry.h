// The per-user registry of windows that other processes may send messages to.
// A published window has an entry file (class, title, socket address, owner)
// and a listening Unix domain socket, both in a private directory under the
// runtime directory (the socket in a short private directory of the user when
// its path there would not fit a socket address). Entries of processes that died are recognised by
// their socket refusing connections and are removed by whoever finds them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::channel {

struct RegistryEntry {
  std::string name;        // "<pid>-<random token>", unique per published window
  std::string entry_path;  // the entry file
  std::string address;     // the listening socket's path
  long pid = 0;
  std::int64_t published_us = 0;  // wall clock at publication, to order the finds
  std::wstring class_name;
  std::wstring title;
};

class CopyDataRegistry {
 public:
  // The registry directory (created private to this user), or "" when no safe
  // directory can be had.
  static std::string Dir();
  // Makes Dir() the given directory (see UseRegistryDirectory).
  static void UseDir(const std::string& dir);
  // Dir() and, when socket paths there would be too long, the short socket
  // folder (see SocketDirectories).
  static std::vector<std::string> SocketDirs();

  // Fills name, paths and address for a new window of this process.
  static bool NewEntry(const std::wstring& class_name, const std::wstring& title,
                       RegistryEntry* entry);
  // Writes the entry file whole (a reader never sees half an entry).
  static bool Write(const RegistryEntry& entry);
  // The entries of other processes, oldest publication first.
  static std::vector<RegistryEntry> ListOthers();
  // Removes the entry file and its socket file.
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
