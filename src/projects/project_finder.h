// The project search without its dialog: walks a folder tree for project
// files ("PROJECT.QVP"), reads the project each one names, and collects the
// projects the search wants: the one project of a target name (to reconnect
// it), or every project the projects list does not hold yet (to add them).
//
// The answers are those of a sequential depth-first walk (a folder's own
// project files, then each subfolder in listing order), in that order, with
// the cancel flag tested before each folder and each file; the folders are
// read ahead by the platform's folder walk. The hooks run on the calling
// thread only. Nothing here throws or shows anything.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pds {

class ListedProjects;

// What a search looks for and what it counted.
struct ProjectSearchSpec {
  bool include_subfolders = true;
  bool second_flag = false;  // set by the dialog; the search never reads it
  std::string target_name;   // empty: every project not on the projects list
  std::string search_folder;
  std::string file_name = "PROJECT.QVP";
  std::int32_t files_examined = 0;
  double total = 0;
  std::int32_t found_count = 0;  // entries the user checked
};

struct FoundProject {
  std::string name;
  std::int32_t job_number = 0;
  std::string folder;  // with a trailing "/"
};

// A search's answer when the cancel flag stopped it.
inline constexpr double kSearchCancelled = -2;

struct ProjectSearchHooks {
  std::function<bool()> cancelled;       // the process-wide cancel flag
  std::function<void()> process_events;  // lets pending window events run
  // Find-all mode: the projects already listed; null when the list could not
  // be read, and then no project is taken.
  const ListedProjects* listed = nullptr;
  int threads = 0;  // the folder walk's readers; 0 picks
};

// Walks spec.search_folder (and its subfolders when include_subfolders).
// Answers the total of the low 32 bits of the sizes of the project files
// examined, or kSearchCancelled; results keep what was found until then. A
// result whose name is empty is taken over by the next project found.
double SearchForProjects(ProjectSearchSpec& spec, std::vector<FoundProject>& results, const ProjectSearchHooks& hooks);

// The same for spec.search_folder alone.
std::int32_t GetProjectInformation(ProjectSearchSpec& spec, std::vector<FoundProject>& results,
                                   const ProjectSearchHooks& hooks);

// The project file of folder, under the name the folder spells it with
// (file_name when it holds none).
std::string ProjectFileIn(const std::string& folder, const std::string& file_name = "PROJECT.QVP");

// The "Project Name" key of section "Project" of a project file; false when
// the file name is blank or the key cannot be read.
bool GetProjectNameFromProjectFile(const std::string& file, std::string& name);
// The keys of section "Application Data" (the designations of the
// applications with data in the project), joined with ",".
bool GetApplicationDataFromProjectFile(const std::string& file, std::string& list);

}  // namespace pds
