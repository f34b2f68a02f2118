// The step of an installation that changes the data directory: an extracted
// bundle is moved into place by renames, each written down, so that every one
// can be undone. What stands in the way is exchanged with what comes in, in
// one step each, so a kill at any moment leaves every name holding either its
// old entry or its new one in full.
#pragma once

#include <functional>
#include <string>
#include <vector>

class BundleSwap {
 public:
  // fresh holds the extracted archive; old receives what is moved aside
  // where the file system cannot exchange two names (what is exchanged goes
  // back into fresh instead). Both are directories on the data directory's
  // file system. exchange false moves as such a file system makes it;
  // afterRename, when given, is called after every rename.
  BundleSwap(std::string dataDir, std::string fresh, std::string old, bool exchange = true,
             std::function<void()> afterRename = {});

  // EditorDir is replaced as a whole by the one in fresh (what stood there is
  // moved aside). Every other entry of fresh is merged into the data
  // directory: a directory that exists is entered, a file that exists is
  // replaced (the old one moved aside), anything new is moved in. Nothing
  // that exists is deleted: an entry whose kind differs from what stands
  // there (a file where a directory or a link is) is left out. On a failed
  // rename everything is undone and false is returned.
  bool Apply();
  // Puts every directory whose entries changed on disk.
  bool Sync() const;
  // Undoes every move, the last first, and puts the result on disk.
  void Undo();

 private:
  struct Move {
    std::string target;      // the path in the data directory
    std::string parked;      // where what stood there went, or empty
    std::string incoming;    // where the new entry came from, or empty
    bool exchanged = false;  // target and incoming swapped in one step
    bool parkedDone = false;
    bool movedIn = false;
  };

  bool Replace(const std::string& relative);
  bool Merge(const std::string& relative);
  bool Run(Move move);
  bool Exchange(Move& move);
  void Renamed() const;

  std::string dataDir_;
  std::string fresh_;
  std::string old_;
  bool exchange_;
  std::function<void()> afterRename_;
  std::vector<Move> moves_;
};
