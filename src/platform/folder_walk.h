// A depth-first walk of a folder tree that finds the files of one name in
// every folder, for the project search: it answers folder by folder, in the
// order a plain sequential walk answers (a folder, then each of its
// subfolders in listing order, each completely), however it reads the disk.
//
// The reading is done ahead by worker threads, each folder opened relative to
// its parent and read with large directory batches; an entry's type comes
// from the listing, and only entries that carry the wanted name are asked
// for their size. The answers are handed to the calling thread only, so the
// caller's visit and idle callbacks run on its own (user-interface) thread.
//
// Symbolic links are never followed into (a linked folder could lead back
// into the tree and the walk would never end); a link named like the wanted
// file counts when it leads to a plain file. A folder that cannot be opened
// or read counts as empty. Nothing here throws.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pds::platform {

struct FoundFile {
  std::string name;  // as the folder spells it
  std::uint64_t size = 0;
};

struct WalkedFolder {
  std::string path;  // with a trailing "/"
  // The plain files named like the wanted name (without regard to ASCII
  // case), in listing order.
  std::vector<FoundFile> files;
  bool readable = true;  // false: the folder could not be opened or read
};

struct FolderWalkOptions {
  std::string file_name;  // the wanted name, e.g. "PROJECT.QVP"
  bool include_subfolders = true;
  // Reading threads; 0 picks one per processor, at most 4.
  int threads = 0;
  // The longest the calling thread waits for the next folder before it
  // calls idle (again).
  int idle_interval_ms = 5;
};

// Walks root (with or without a trailing "/"). visit gets each folder in the
// sequential depth-first order and returns false to stop the walk at once;
// idle runs while the calling thread waits for the readers. Returns false
// when visit stopped it, true when the whole tree was walked. A root that
// cannot be opened is visited once, unreadable.
bool WalkFolders(const std::string& root, const FolderWalkOptions& options,
                 const std::function<bool(const WalkedFolder&)>& visit, const std::function<void()>& idle);

}  // namespace pds::platform
