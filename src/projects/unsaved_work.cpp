#include "projects/unsaved_work.h"

#include <cstdint>
#include <vector>

#include "base/date_text.h"
#include "platform/env.h"

namespace pds {

namespace {

using platform::CurrentEnv;
using platform::DirEntry;
using platform::Status;

// Distinct names for work set aside more than once in the same second.
constexpr int kNameAttempts = 100;

// Content is compared only for small files: a large file of the same size
// and not older than the saved one counts as changed, so that an open of a
// big project never reads every file twice to decide.
constexpr std::uint64_t kCompareLimit = 1 << 20;

bool SameContent(const std::string& a, const std::string& b) {
  std::string left, right;
  return CurrentEnv()->ReadFile(a, &left).ok() && CurrentEnv()->ReadFile(b, &right).ok() && left == right;
}

bool FileChanged(const std::string& saved, const std::string& working) {
  platform::FileAttributes saved_attributes, working_attributes;
  if (!CurrentEnv()->GetAttributes(saved, &saved_attributes).ok() || saved_attributes.directory) return true;
  if (!CurrentEnv()->GetAttributes(working, &working_attributes).ok()) return true;
  platform::FileTimes saved_times, working_times;
  if (CurrentEnv()->GetFileTimes(saved, &saved_times).ok() &&
      CurrentEnv()->GetFileTimes(working, &working_times).ok()) {
    // Copies keep their write time: a working file that is older, or as old
    // and as large, is the saved file's copy.
    if (working_times.last_write < saved_times.last_write) return false;
    if (working_times.last_write == saved_times.last_write && working_attributes.size == saved_attributes.size) {
      return false;
    }
  }
  if (working_attributes.size != saved_attributes.size || working_attributes.size > kCompareLimit) return true;
  return !SameContent(saved, working);
}

// "yyyy-mm-dd-hhmmss": sorts by date and holds no character a file name
// may not.
std::string DateForName() {
  std::string text = GeneralDateText(CurrentEnv()->Now());
  std::string name;
  for (char c : text) {
    if (c == ' ') name += '-';
    else if (c != ':') name += c;
  }
  return name;
}

}  // namespace

bool HoldsUnsavedWork(const std::string& project_folder, const std::string& work) {
  std::vector<DirEntry> entries;
  if (!CurrentEnv()->ListFolder(work, &entries).ok()) return false;
  for (const DirEntry& entry : entries) {
    // Hidden names are the copies' own temporary files, never the work.
    if (entry.directory || entry.name.empty() || entry.name[0] == '.') continue;
    if (FileChanged(project_folder + "/" + entry.name, work + "/" + entry.name)) return true;
  }
  return false;
}

UnsavedWorkResult SetAsideUnsavedWork(const std::string& project_folder, const std::string& work) {
  UnsavedWorkResult result;
  if (!HoldsUnsavedWork(project_folder, work)) return result;
  const std::string base = work + ".unsaved-" + DateForName();
  for (int attempt = 1; attempt <= kNameAttempts; ++attempt) {
    const std::string target = attempt == 1 ? base : base + "-" + std::to_string(attempt);
    platform::FileAttributes attributes;
    if (CurrentEnv()->GetLinkAttributes(target, &attributes).ok()) continue;
    Status s = CurrentEnv()->RenameFile(work, target);
    if (s.ok()) {
      result.kind = UnsavedWorkResult::kKeptAside;
      result.kept_folder = target;
      return result;
    }
    if (s.code != platform::kErrAlreadyExists) {
      result.kind = UnsavedWorkResult::kFailed;
      result.error = s.code;
      return result;
    }
  }
  result.kind = UnsavedWorkResult::kFailed;
  result.error = platform::kErrAlreadyExists;
  return result;
}

}  // namespace pds
