// Session commands of the project search: find a lost project and reconnect
// it, or find the projects a colleague made and add them, through the search
// dialog the select dialog's Find buttons open.
#include <string>
#include <vector>

#include "apps/pds/session.h"
#include "pds/ProjectSearch.h"

namespace pds::app {

namespace {

using Args = std::vector<std::string>;

// The folder of a trailing "--in FOLDER"; false (usage reported) for any
// other trailing words.
bool FolderOption(Session& s, const std::string& command, const Args& rest, std::string* folder) {
  if (rest.empty()) return true;
  if (rest.size() == 2 && rest[0] == "--in") {
    *folder = rest[1];
    return true;
  }
  return s.UsageError(command, "expected --in FOLDER, got '" + rest[0] + "'");
}

void ReportFind(Session& s, const std::string& command, int answer, bool changed, const char* done) {
  s.Report(command, answer != 0 ? done : "NOTHING_CHANGED",
           {{"answer", std::to_string(answer)}, {"projects list changed", changed ? "yes" : "no"}});
}

const bool kFindProject = RegisterSessionCommand(
    {"find-project", "find-project NAME [--in FOLDER]",
     "Search for a lost project and reconnect it to the projects list (FindAndReconnectProject)",
     [](Session& s, const Args& a) {
       std::string folder;
       if (!FolderOption(s, "find-project", Args(a.begin() + 1, a.end()), &folder)) return false;
       bool changed = false;
       const int answer = FindAndReconnectProject(a[0], changed, folder);
       ReportFind(s, "find-project", answer, changed, "RECONNECTED");
       return true;
     },
     1, 3});

const bool kFindProjects = RegisterSessionCommand(
    {"find-projects", "find-projects [--in FOLDER]",
     "Search for projects that are not on the projects list and add them (FindAndAddProjects)",
     [](Session& s, const Args& a) {
       std::string folder;
       if (!FolderOption(s, "find-projects", a, &folder)) return false;
       bool changed = false;
       const int answer = FindAndAddProjects(changed, folder);
       ReportFind(s, "find-projects", answer, changed, "ADDED");
       return true;
     },
     0, 2});

}  // namespace

}  // namespace pds::app
