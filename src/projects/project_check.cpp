// The read-only project check. Every question is answered from what is on
// the disk now: the directory search finds names without regard to case (as
// the component itself finds them), profile files are read whole, databases
// are read through the engine's read-only check, and lock files are asked
// whether a live holder has them. A problem is one line in the terms of the
// project, never a code.
#include "pds/ProjectCheck.h"

#include <optional>

#include "files/file_routines.h"
#include "files/profile_file.h"
#include "pds/Text.h"
#include "pds/db/read_only_check.h"
#include "platform/dir_search.h"
#include "platform/env.h"
#include "projects/project_db_version.h"
#include "projects/project_file.h"
#include "ui/messages.h"

namespace pds {

namespace {

using platform::CurrentEnv;

bool IsFolder(const std::string& path) {
  platform::FileAttributes attributes;
  return CurrentEnv()->GetAttributes(path, &attributes).ok() && attributes.directory;
}

// The names in folder that match pattern (without regard to case), files only.
std::vector<std::string> FilesMatching(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  platform::DirSearch search;
  platform::DirEntry entry;
  for (platform::Status s = search.First(folder + "/" + pattern, &entry); s.ok(); s = search.Next(&entry)) {
    if (!entry.directory) names.push_back(entry.name);
  }
  search.Close();
  return names;
}

// A relative folder is taken from the current folder, so that it compares
// with the absolute paths the projects list holds.
std::string Absolute(const std::string& folder) {
  std::string path = RemoveBackslash(Trim(folder));
  if (!path.empty() && path[0] != '/') path = AddBackslash(CurrentEnv()->CurrentFolder()) + path;
  return path;
}

// The installation folder (TVX-ii) for root: root itself or its TVX-ii, in any case.
std::string InstallationFolder(const std::string& root) {
  const std::string base = RemoveBackslash(Trim(root));
  if (IsFolder(base + "/Enviro")) return base;
  platform::DirSearch search;
  platform::DirEntry entry;
  const bool found = search.First(base + "/TVX-ii", &entry).ok() && entry.directory;
  search.Close();
  return found && IsFolder(base + "/" + entry.name + "/Enviro") ? base + "/" + entry.name : std::string();
}

struct ListedProject {
  std::string list, name, folder;
};

// Every row of the projects lists (Prjxy<user>.mdb) of an installation;
// false with the reason when a list fails its check or cannot be read.
bool ReadProjectsLists(const std::string& tvxii, std::vector<ListedProject>* rows, std::string* error) {
  for (const std::string& file : FilesMatching(tvxii + "/Enviro", "Prjxy*.mdb")) {
    const std::string list = tvxii + "/Enviro/" + file;
    std::string problem = db::IntegrityProblem(list);
    std::optional<std::vector<std::vector<std::string>>> jobs;
    if (problem.empty()) jobs = db::ReadOnlyRows(list, "SELECT sJobName, sJobPath FROM Job ORDER BY lJobID", &problem);
    if (!jobs) {
      *error = "the projects list " + list + " " + problem;
      return false;
    }
    for (const auto& job : *jobs) rows->push_back({list, job[0], RemoveBackslash(job[1])});
  }
  return true;
}

// The project file: readable, naming the project, and the applications and
// required files it lists present.
void CheckProjectFile(const std::string& folder, const std::string& tvxii, ProjectCheckResult* result) {
  const std::vector<std::string> found = FilesMatching(folder, "PROJECT.QVP");
  if (found.empty()) {
    result->problems.push_back("no project file PROJECT.QVP");
    return;
  }
  platform::ProfileText text;
  const platform::Status read = platform::ReadProfile(folder + "/" + found[0], &text);
  if (!read.ok()) {
    result->problems.push_back("the project file cannot be read: " + GetSystemErrorText(read.code));
    return;
  }
  result->name = Trim(text.Value("Project", "Project Name").value_or(""));
  if (result->name.empty()) result->problems.push_back("the project file names no project");
  for (const std::string& entry : text.Entries("Application Data").value_or(std::vector<std::string>{})) {
    const std::string pdsg = Trim(entry.substr(0, entry.find('=')));
    if (!pdsg.empty() && !tvxii.empty() && !IsFolder(tvxii + "/" + pdsg)) {
      result->problems.push_back("application " + pdsg + " is listed in the project file but not installed");
    }
  }
  // Each "<designation> File NN" section is one file specification; a
  // required one must match a file in the folder.
  for (const std::string& section : text.SectionNames()) {
    const std::size_t at = section.rfind(" File ");
    if (at == std::string::npos || at == 0) continue;
    const std::string pattern = Trim(text.Value(section, "FileName").value_or(""));
    if (pattern.empty() || !FlagFromText(text.Value(section, "RequiredFlag").value_or("0"))) continue;
    if (EqualsNoCase(pattern, "Project.mdb")) continue;  // the database check reports it
    if (FilesMatching(folder, pattern).empty()) {
      result->problems.push_back("required file " + pattern + " of " + section.substr(0, at) + " is missing");
    }
  }
}

// Project.mdb: sound, and at the structure version this component writes.
void CheckProjectDatabase(const std::string& folder, ProjectCheckResult* result) {
  const std::vector<std::string> found = FilesMatching(folder, "Project.mdb");
  if (found.empty()) {
    result->problems.push_back("no project database Project.mdb");
    return;
  }
  const std::string path = folder + "/" + found[0];
  std::string problem = db::IntegrityProblem(path);
  if (!problem.empty()) {
    result->problems.push_back(found[0] + " " + problem);
    return;
  }
  const auto rows = db::ReadOnlyRows(path, "SELECT sVersion FROM Version", &problem);
  if (!rows) {
    result->problems.push_back(found[0] + " has no readable Version table: " + problem);
  } else if (rows->empty() || rows->front().empty()) {
    result->problems.push_back(found[0] + " carries no structure version (expected " + kProjectDbVersion + ")");
  } else if (Trim(rows->front()[0]) != kProjectDbVersion) {
    result->problems.push_back(found[0] + " carries structure version " + rows->front()[0] + " (expected " +
                               kProjectDbVersion + ")");
  }
}

// Lock files whose holder is gone: an open takes them over, but they show
// that a session ended without closing the project.
void CheckLockFiles(const std::string& folder, ProjectCheckResult* result) {
  for (const std::string& name : FilesMatching(folder, "*.PLF")) {
    bool held = false;
    const platform::Status s = CurrentEnv()->LockFileHeld(folder + "/" + name, &held);
    if (!s.ok()) {
      result->problems.push_back("lock file " + name + " cannot be examined: " + GetSystemErrorText(s.code));
    } else if (!held) {
      result->problems.push_back("stale lock file " + name + " (no session holds it)");
    }
  }
}

void CheckListing(const std::vector<ListedProject>& rows, ProjectCheckResult* result) {
  bool listed = false;
  for (const ListedProject& row : rows) {
    if (row.folder != result->folder) continue;
    listed = true;
    if (!result->name.empty() && !EqualsNoCase(Trim(row.name), result->name)) {
      result->problems.push_back("the projects list " + row.list + " names the project at this folder " +
                                 InBrackets(row.name) + ", the project file " + InBrackets(result->name));
    }
  }
  if (!listed) result->problems.push_back("no projects list holds a row for this folder");
}

ProjectCheckResult CheckFolder(const std::string& folder, const std::string& tvxii,
                               const std::vector<ListedProject>* rows) {
  ProjectCheckResult result;
  result.folder = Absolute(folder);
  if (!IsFolder(result.folder)) {
    result.problems.push_back("the project folder does not exist");
  } else {
    CheckProjectFile(result.folder, tvxii, &result);
    CheckProjectDatabase(result.folder, &result);
    CheckLockFiles(result.folder, &result);
  }
  if (rows) CheckListing(*rows, &result);
  return result;
}

}  // namespace

ProjectCheckResult CheckProjectFolder(const std::string& folder, const std::string& installation_root) {
  try {
    if (installation_root.empty()) return CheckFolder(folder, "", nullptr);
    const std::string tvxii = InstallationFolder(installation_root);
    std::vector<ListedProject> rows;
    std::string error = "no installation (TVX-ii with its Enviro folder) at " + installation_root;
    if (tvxii.empty() || !ReadProjectsLists(tvxii, &rows, &error)) {
      ProjectCheckResult result = CheckFolder(folder, tvxii, nullptr);
      result.problems.push_back(error);
      return result;
    }
    return CheckFolder(folder, tvxii, &rows);
  } catch (...) {
    ProjectCheckResult result;
    result.folder = folder;
    result.problems.push_back("the check could not be completed (out of memory)");
    return result;
  }
}

bool CheckListedProjects(const std::string& installation_root, std::vector<ProjectCheckResult>* results,
                         std::string* error) {
  try {
    const std::string tvxii = InstallationFolder(installation_root);
    if (tvxii.empty()) {
      *error = "no installation (TVX-ii with its Enviro folder) at " + installation_root;
      return false;
    }
    std::vector<ListedProject> rows;
    if (!ReadProjectsLists(tvxii, &rows, error)) return false;
    for (const ListedProject& row : rows) results->push_back(CheckFolder(row.folder, tvxii, &rows));
    return true;
  } catch (...) {
    *error = "the check could not be completed (out of memory)";
    return false;
  }
}

}  // namespace pds
