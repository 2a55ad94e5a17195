#include "platform/dir_search.h"
#include "pds/Text.h"

#include <utility>

namespace pds::platform {

namespace {

// "*" and "?" over the whole name, ASCII letters compared without case. The
// greedy walk remembers the last "*" and lets it absorb one more character
// whenever the rest fails, which is linear in practice and never recursive.
bool Glob(const std::string& pattern, const std::string& name) {
  std::size_t p = 0, n = 0;
  std::size_t star = std::string::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || UpperChar(pattern[p]) == UpperChar(name[n]))) {
      ++p;
      ++n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool OnlyDots(const std::string& s) { return s.find_first_not_of('.') == std::string::npos; }

}  // namespace

bool WildcardMatch(const std::string& pattern, const std::string& name) {
  if (pattern.empty() || name.empty()) return false;
  const std::size_t len = pattern.size();
  // "abc.*" also finds "abc", and "*.*" therefore finds every name.
  if (len >= 2 && pattern.compare(len - 2, 2, ".*") == 0) {
    return Glob(pattern, name) || Glob(pattern.substr(0, len - 2), name);
  }
  // "abc." and "*." find only names without an extension. A pattern of dots
  // alone names the "." or ".." entry itself.
  if (pattern[len - 1] == '.' && !OnlyDots(pattern)) {
    return name.find('.') == std::string::npos && Glob(pattern.substr(0, len - 1), name);
  }
  return Glob(pattern, name);
}

DirSearch::DirSearch(Env* env) : env_(env) {}

Status DirSearch::First(const std::string& path_and_pattern, DirEntry* entry) {
  Close();
  // The environment is looked up per search, so a search object that lives
  // for the whole process follows an environment a test installs later.
  Env* env = env_ ? env_ : CurrentEnv();
  std::string folder, pattern;
  const std::size_t slash = path_and_pattern.rfind('/');
  if (slash == std::string::npos) {
    folder = env->CurrentFolder();
    pattern = path_and_pattern;
  } else {
    folder = slash == 0 ? "/" : path_and_pattern.substr(0, slash);
    pattern = path_and_pattern.substr(slash + 1);
  }
  std::vector<DirEntry> all;
  Status s = env->ListFolder(folder, &all);
  if (!s.ok()) return (s.code == 2 || s.code == 3) ? Status::Error(3) : s;
  for (DirEntry& e : all) {
    if (WildcardMatch(pattern, e.name)) matches_.push_back(std::move(e));
  }
  if (matches_.empty()) return Status::Error(2);
  open_ = true;
  next_ = 0;
  return Next(entry);
}

// Next without an open search is simply the end of a listing (18): the
// routines that continue a search treat both the same.
Status DirSearch::Next(DirEntry* entry) {
  if (!open_ || next_ >= matches_.size()) {
    Close();
    return Status::Error(18);
  }
  *entry = matches_[next_++];
  return Status::Ok();
}

void DirSearch::Close() {
  open_ = false;
  matches_.clear();
  next_ = 0;
}

}  // namespace pds::platform
