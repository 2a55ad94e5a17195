// Directory search with the Windows file-search rules: a path ending in a
// pattern ("folder/*.QVA", "folder/PROJECT.QVP"), "*" for any run of
// characters, "?" for one character, names compared without regard to case,
// "*.*" matching every name (with or without a dot), a pattern ending in ".*"
// also matching the name without any extension ("abc.*" finds "abc"), and a
// pattern ending in "." matching only names without a dot. Every entry is
// returned, folders and "." and ".." included; callers filter by attribute.
//
// A DirSearch holds its listing from First until Close, the end of the
// listing, or destruction.
#pragma once

#include <string>
#include <vector>

#include "platform/env.h"

namespace pds::platform {

// True when name matches pattern under the rules above.
bool WildcardMatch(const std::string& pattern, const std::string& name);

class DirSearch {
 public:
  explicit DirSearch(Env* env = nullptr);  // nullptr: the current environment
  ~DirSearch() = default;
  DirSearch(const DirSearch&) = delete;
  DirSearch& operator=(const DirSearch&) = delete;

  // Starts a search for the folder part of path_and_pattern (everything up to
  // the last "/", the current folder when there is none) and the pattern after
  // it. Returns the first match, or 3 (path not found) when the folder does
  // not exist, 2 (file not found) when nothing matches; any earlier search of
  // this object is closed first.
  Status First(const std::string& path_and_pattern, DirEntry* entry);
  // The next match, or 18 (no more files), which also closes the search.
  Status Next(DirEntry* entry);
  void Close();
  bool is_open() const { return open_; }

 private:
  Env* env_;
  bool open_ = false;
  std::vector<DirEntry> matches_;
  std::size_t next_ = 0;
};

}  // namespace pds::platform
