// The project search as programs start it: finding a lost project again and
// reconnecting it to the user's projects list, adding the projects a
// colleague made, and listing the projects below a folder without an
// installation.
//
// The find flows show the search dialog through the process's UI host and
// write the user's projects database of the running service object; they
// answer as the flows behind the select dialog's Find buttons do. Nothing
// here throws; failures are reported through the error reporter.
// Single-threaded: call from the user-interface thread.
#pragma once

#include <string>
#include <vector>

namespace pds {

// Searches for the lost project sJobName, starting in sSearchFolder (empty:
// the default projects folder; given: the search starts at once), and
// reconnects the project the user picks. Answers 2 after a reconnection
// (bChanged true), else 0.
int FindAndReconnectProject(const std::string& sJobName, bool& bChanged, const std::string& sSearchFolder = "");

// Searches for projects the projects list does not hold and adds the ones the
// user checks. Answers 1 after an addition (bChanged true), else 0.
int FindAndAddProjects(bool& bChanged, const std::string& sSearchFolder = "");

struct ProjectListing {
  std::string name;
  std::string folder;  // with a trailing "/"
  std::vector<std::string> applications;  // designations with data in the project
};

// Every project below folder (its project file's name and applications), in
// the search's depth-first order. Shows nothing and needs no installation;
// false with the reason in *error when folder is not a folder.
bool ListProjectsBelow(const std::string& folder, std::vector<ProjectListing>* found, std::string* error);

}  // namespace pds
