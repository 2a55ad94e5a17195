#include "projects/project_finder.h"

#include "files/file_routines.h"
#include "files/profile_file.h"
#include "pds/PendingError.h"
#include "pds/Text.h"
#include "platform/dir_search.h"
#include "platform/env.h"
#include "platform/folder_walk.h"
#include "ui/messages.h"
#include "projects/project_file.h"
#include "projects/project_store_search.h"
#include "pds/ProjectSearch.h"

namespace pds {

namespace {

constexpr std::size_t kApplicationDataBuffer = 1024;

bool Cancelled(const ProjectSearchHooks& hooks) { return hooks.cancelled && hooks.cancelled(); }

void ProcessEvents(const ProjectSearchHooks& hooks) {
  if (hooks.process_events) hooks.process_events();
}

// Whether the search wants the project a file names.
bool Wanted(const ProjectSearchSpec& spec, const ProjectSearchHooks& hooks, const std::string& name,
            const std::string& folder) {
  if (!spec.target_name.empty()) return EqualsNoCase(name, spec.target_name);
  // The listed check runs only for a name and a folder; a blank name is
  // never taken.
  if (!hooks.listed || Trim(name).empty()) return false;
  return !hooks.listed->Contains(name, folder);
}

void Accept(std::vector<FoundProject>& results, const std::string& name, const std::string& folder) {
  if (results.size() == 1 && results[0].name.empty()) {
    results[0].name = name;
    results[0].folder = folder;
    return;
  }
  results.push_back(FoundProject{name, 0, folder});
}

// The project files of one walked folder (GetProjectInformation's work):
// the folder's answer, or kSearchCancelled.
std::int64_t ExamineFolder(ProjectSearchSpec& spec, std::vector<FoundProject>& results,
                           const ProjectSearchHooks& hooks, const platform::WalkedFolder& folder) {
  std::uint32_t answer = 0;
  for (const platform::FoundFile& file : folder.files) {
    if (Cancelled(hooks)) return static_cast<std::int64_t>(kSearchCancelled);
    ++spec.files_examined;
    answer += static_cast<std::uint32_t>(file.size);
    std::string name;
    GetProjectNameFromProjectFile(folder.path + file.name, name);
    if (Wanted(spec, hooks, name, folder.path)) Accept(results, name, folder.path);
  }
  return static_cast<std::int32_t>(answer);
}

double Walk(ProjectSearchSpec& spec, std::vector<FoundProject>& results, const ProjectSearchHooks& hooks,
            bool subfolders) {
  ProcessEvents(hooks);
  if (Cancelled(hooks)) return kSearchCancelled;
  const std::string root = AddBackslash(spec.search_folder);
  platform::FolderWalkOptions options;
  options.file_name = spec.file_name;
  options.include_subfolders = subfolders;
  options.threads = hooks.threads;
  double total = 0;
  bool cancelled = false;
  // The found projects' names come from files; a read that fails leaves a
  // pending error that is none of the caller's business.
  const PendingError before = Err();
  platform::WalkFolders(
      root, options,
      [&](const platform::WalkedFolder& folder) {
        if (Cancelled(hooks)) {
          cancelled = true;
          return false;
        }
        const std::int64_t answer = ExamineFolder(spec, results, hooks, folder);
        if (answer == static_cast<std::int64_t>(kSearchCancelled)) {
          cancelled = true;
          return false;
        }
        total += static_cast<double>(answer);
        return true;
      },
      [&] { ProcessEvents(hooks); });
  Err() = before;
  spec.search_folder = root;
  spec.total = cancelled ? kSearchCancelled : total;
  return spec.total;
}

}  // namespace

double SearchForProjects(ProjectSearchSpec& spec, std::vector<FoundProject>& results,
                         const ProjectSearchHooks& hooks) {
  return Walk(spec, results, hooks, spec.include_subfolders);
}

std::int32_t GetProjectInformation(ProjectSearchSpec& spec, std::vector<FoundProject>& results,
                                   const ProjectSearchHooks& hooks) {
  return static_cast<std::int32_t>(Walk(spec, results, hooks, false));
}

std::string ProjectFileIn(const std::string& folder, const std::string& file_name) {
  // Folders made on other systems spell the name in any case.
  platform::DirSearch search;
  platform::DirEntry entry;
  for (platform::Status s = search.First(AddBackslash(folder) + file_name, &entry); s.ok(); s = search.Next(&entry)) {
    if (!entry.directory) return AddBackslash(folder) + entry.name;
  }
  return AddBackslash(folder) + file_name;
}

bool GetProjectNameFromProjectFile(const std::string& file, std::string& name) {
  name.clear();
  if (Trim(file).empty()) return false;
  SetLastOsError(0);
  return ReadPPS("Project", "Project Name", name, file);
}

bool GetApplicationDataFromProjectFile(const std::string& file, std::string& list) {
  list.clear();
  try {
    std::string section;
    platform::GetPrivateProfileSection("Application Data", kApplicationDataBuffer, file, &section);
    std::size_t start = 0;
    while (start < section.size()) {
      std::size_t end = section.find('\0', start);
      if (end == std::string::npos) end = section.size();
      const std::string entry = section.substr(start, end - start);
      const std::size_t equals = entry.find('=');
      if (equals != std::string::npos) {
        if (!list.empty()) list += ",";
        list += entry.substr(0, equals);
      }
      start = end + 1;
    }
    return true;
  } catch (...) {
    CatchToPending();
    return false;
  }
}

bool ListProjectsBelow(const std::string& folder, std::vector<ProjectListing>* found, std::string* error) {
  found->clear();
  platform::FileAttributes attributes;
  if (Trim(folder).empty() || !platform::CurrentEnv()->GetAttributes(folder, &attributes).ok() ||
      !attributes.directory) {
    *error = "The folder " + InBrackets(folder) + " does not exist.";
    return false;
  }
  ProjectSearchSpec spec;
  spec.search_folder = folder;
  const ListedProjects nothing_listed;
  ProjectSearchHooks hooks;
  hooks.listed = &nothing_listed;
  std::vector<FoundProject> results;
  SearchForProjects(spec, results, hooks);
  for (const FoundProject& project : results) {
    ProjectListing listing{project.name, project.folder, {}};
    std::string apps;
    GetApplicationDataFromProjectFile(ProjectFileIn(project.folder), apps);
    std::size_t start = 0;
    while (start < apps.size()) {
      std::size_t end = apps.find(',', start);
      if (end == std::string::npos) end = apps.size();
      listing.applications.push_back(apps.substr(start, end - start));
      start = end + 1;
    }
    found->push_back(std::move(listing));
  }
  return true;
}

}  // namespace pds
