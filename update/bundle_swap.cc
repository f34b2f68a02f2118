// Moving an extracted bundle into the data directory and back again.
#include "update/bundle_swap.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include "app/locations.h"
#include "platform/folder_names.h"
#include "platform/log.h"

namespace {

std::string ParentOf(const std::string& path) { return path.substr(0, path.rfind('/')); }

// Creates the directories of relative's parent below root.
bool MakeParents(const std::string& root, const std::string& relative) {
  for (std::string::size_type slash = relative.find('/'); slash != std::string::npos;
       slash = relative.find('/', slash + 1)) {
    const std::string dir = root + "/" + relative.substr(0, slash);
    if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  return true;
}

}  // namespace

BundleSwap::BundleSwap(std::string dataDir, std::string fresh, std::string old, bool exchange,
                       std::function<void()> afterRename)
    : dataDir_(std::move(dataDir)),
      fresh_(std::move(fresh)),
      old_(std::move(old)),
      exchange_(exchange),
      afterRename_(std::move(afterRename)) {}

bool BundleSwap::Apply() {
  const std::string editor = kEditorDirA + 1;
  bool ok = Replace(editor);
  for (const auto& name : platform::FolderNames(fresh_)) {
    if (!ok) break;
    if (name != editor) ok = Merge(name);
  }
  if (ok) return true;
  platform::LogWarning("bundle: cannot move %s into place: %s", moves_.back().target.c_str(),
                       std::strerror(errno));
  Undo();
  return false;
}

bool BundleSwap::Replace(const std::string& relative) {
  Move move{dataDir_ + "/" + relative, old_ + "/" + relative, fresh_ + "/" + relative};
  struct stat st;
  if (lstat(move.target.c_str(), &st) != 0) {
    if (errno != ENOENT) return false;
    move.parked.clear();
  }
  if (lstat(move.incoming.c_str(), &st) != 0) move.incoming.clear();
  return Run(std::move(move));
}

bool BundleSwap::Merge(const std::string& relative) {
  const std::string incoming = fresh_ + "/" + relative;
  const std::string target = dataDir_ + "/" + relative;
  struct stat in, there;
  if (lstat(incoming.c_str(), &in) != 0) return false;
  if (lstat(target.c_str(), &there) != 0) {
    if (errno != ENOENT) return false;
    return Run({target, "", incoming});
  }
  if (S_ISDIR(in.st_mode) && S_ISDIR(there.st_mode)) {
    for (const auto& name : platform::FolderNames(incoming)) {
      if (!Merge(relative + "/" + name)) return false;
    }
    return true;
  }
  if (S_ISREG(in.st_mode) && S_ISREG(there.st_mode)) {
    if (!MakeParents(old_, relative)) return false;
    return Run({target, old_ + "/" + relative, incoming});
  }
  // A directory is never replaced by a file, nor a link by anything: that
  // would delete what the user has there (or write where the link points).
  platform::LogWarning("bundle: %s stays as it is; the archive has another kind of entry there",
                       target.c_str());
  return true;
}

bool BundleSwap::Run(Move move) {
  moves_.push_back(std::move(move));
  Move& m = moves_.back();
  if (!m.parked.empty() && !m.incoming.empty() && exchange_) {
    if (Exchange(m)) return true;
    // Only a file system that cannot exchange falls through, to the order
    // that leaves the name empty for a moment.
    if (exchange_) return false;
  }
  if (!m.parked.empty()) {
    if (rename(m.target.c_str(), m.parked.c_str()) != 0) return false;
    m.parkedDone = true;
    Renamed();
  }
  if (!m.incoming.empty()) {
    if (rename(m.incoming.c_str(), m.target.c_str()) != 0) return false;
    m.movedIn = true;
    Renamed();
  }
  return true;
}

// The new entry takes the target's name and the old one takes the new one's
// place in fresh, in one step.
bool BundleSwap::Exchange(Move& move) {
  if (renameat2(AT_FDCWD, move.incoming.c_str(), AT_FDCWD, move.target.c_str(), RENAME_EXCHANGE) ==
      0) {
    move.exchanged = true;
    Renamed();
    return true;
  }
  if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
    platform::Log("bundle: the file system cannot exchange names; moving in two steps");
    exchange_ = false;
  }
  return false;
}

void BundleSwap::Renamed() const {
  if (afterRename_) afterRename_();
}

bool BundleSwap::Sync() const {
  std::set<std::string> dirs;
  for (const auto& move : moves_) dirs.insert(ParentOf(move.target));
  bool ok = true;
  for (const auto& dir : dirs) {
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || fsync(fd) != 0) ok = false;
    if (fd >= 0) close(fd);
  }
  return ok;
}

void BundleSwap::Undo() {
  std::for_each(moves_.rbegin(), moves_.rend(), [](const Move& move) {
    if (move.exchanged) {
      renameat2(AT_FDCWD, move.incoming.c_str(), AT_FDCWD, move.target.c_str(), RENAME_EXCHANGE);
    }
    if (move.movedIn) rename(move.target.c_str(), move.incoming.c_str());
    if (move.parkedDone) rename(move.parked.c_str(), move.target.c_str());
  });
  Sync();
  moves_.clear();
}
