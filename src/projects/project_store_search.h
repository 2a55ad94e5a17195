// The projects store's reads and writes for the project search: which
// (name, folder) pairs the Job table lists, and writing a found project's Job
// row and JobUsage rows. The SQL of Job and JobUsage stays in the projects
// store; the search dialogs above ask and tell the user.
//
// Each write is one engine transaction: a failure rolls it back and leaves
// the projects database as it was before the call. Failures come back as
// false (kFailed) with the pending error set; nothing here shows anything.
// Single-threaded.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

namespace pds {

// The listed (name, folder) pairs, compared as the engine compares text in a
// WHERE clause: trimmed, without regard to case, a folder's trailing "/"
// ignored. Read once per search, so that a search over thousands of project
// files costs one query.
class ListedProjects {
 public:
  void Add(const std::string& name, const std::string& folder);
  bool Contains(const std::string& name, const std::string& folder) const;
  std::size_t size() const { return keys_.size(); }

 private:
  static std::string Key(const std::string& name, const std::string& folder);
  std::unordered_set<std::string> keys_;
};

// Every Job row's name and folder, read shared and read-only.
bool LoadListedProjects(const std::string& projects_db, ListedProjects* listed);

// Whether a Job row has exactly this name and folder (trailing "/" removed).
bool FindJobRow(const std::string& projects_db, const std::string& name, const std::string& folder, bool* found);

enum class JobRowWrite {
  kWritten,
  // The name is listed for a folder that still holds that project;
  // *listed_folder names it, and nothing was written.
  kNameTaken,
  kEmptyFolder,
  kFailed,
};

// Adds the Job row of name, or, when the name is listed already, points
// that row at folder (a reconnection) unless still_there says the listed
// folder holds the project. sJobPath is folder and sDOSJobPath short_folder,
// both without a trailing "/". *job_id receives the row's lJobID.
JobRowWrite WriteJobRow(const std::string& projects_db, const std::string& name, const std::string& folder,
                        const std::string& short_folder,
                        const std::function<bool(const std::string& listed_folder)>& still_there,
                        std::int32_t* job_id, std::string* listed_folder);

// Replaces the JobUsage rows of job_id with one per non-empty designation.
bool WriteJobUsageRows(const std::string& projects_db, std::int32_t job_id,
                       const std::vector<std::string>& designations);

}  // namespace pds
