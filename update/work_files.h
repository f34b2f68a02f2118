// The client's own scratch files in the data directory (the update check's
// reply, the bundle archive, staging directories and the hidden names of
// files being written), and their removal when a run that made them died.
#pragma once

#include <string>

// Whether a top-level name in the data directory is one the client uses for
// its own work; an update archive never writes such a name.
bool IsClientWorkName(const std::string& name);

// Removes a file, or a directory with everything in it, never following a
// link (a link is removed as such).
void RemoveWorkTree(const std::string& path);

// Held while a client has scratch files in the data directory: a shared lock
// on the directory itself, so clients running side by side never take each
// other's files for leftovers. Released when it goes out of scope (or when
// the process ends, however it ends).
class DataDirWork {
 public:
  explicit DataDirWork(const std::string& dataDir);
  ~DataDirWork();
  DataDirWork(const DataDirWork&) = delete;
  DataDirWork& operator=(const DataDirWork&) = delete;

 private:
  int fd_ = -1;
};

// At start, before this client makes scratch files of its own: removes those
// that earlier runs left, unless another client holds DataDirWork right now
// (then they are left for a later start). Returns the number of names removed.
int RemoveStaleWorkFiles(const std::string& dataDir);
