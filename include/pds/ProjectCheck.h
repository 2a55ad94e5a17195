// Examining saved projects for what would stop them opening or lose their
// data, without changing anything: the project file, the files it lists,
// the project database, leftover lock files, and the projects list's row.
// It is what an administrator runs after a crash, a restore or a move of
// the projects folder. Nothing is written, no lock is taken, and a journal
// of an interrupted change is reported rather than rolled back. Nothing here
// throws; the answers are plain values. Single-threaded.
#pragma once

#include <string>
#include <vector>

namespace pds {

struct ProjectCheckResult {
  std::string folder;                 // as given or listed, without a trailing "/"
  std::string name;                   // the project file's project name; empty when unreadable
  std::vector<std::string> problems;  // one line each; none: healthy
};

// Checks one project folder. installation_root (the folder holding TVX-ii,
// or TVX-ii itself) adds the checks that need the installation: that its
// applications are installed and that a projects list holds a row naming
// this project at this folder; empty skips them.
ProjectCheckResult CheckProjectFolder(const std::string& folder, const std::string& installation_root = "");

// Checks every project on the projects lists of the installation at
// installation_root, in list order. False, with the reason in *error, when
// that is no installation or a list cannot be read.
bool CheckListedProjects(const std::string& installation_root, std::vector<ProjectCheckResult>* results,
                         std::string* error);

}  // namespace pds
