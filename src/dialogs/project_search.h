// Finding out whether a listed project is still where the projects list says,
// and what the user can do when it is not: the existence check the select
// dialog runs before it accepts a project, the project-not-found dialog that
// explains a failed check, and the removal of a project from the user's
// projects list.
//
// The projects list is the Job table of the user's projects database, the one
// the process-wide current service object names (its ProjectDb). Failures of
// the database routines are reported through the common error reporter with
// the title "ProjectDataServer.modBrowse." followed by the routine's name and
// end the routine with its failure value. Nothing here throws.
// Single-threaded: runs on the application's user-interface thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pds/ProjectSearch.h"
#include "projects/project_finder.h"

namespace pds {

class ListedProjects;

// The answers of ShowProjectNotFoundDialog: the user closed the dialog, chose
// Find (and a project was reconnected), or chose Remove.
enum ProjectNotFoundChoice : int { kProjectNotFoundClosed = 0, kProjectNotFoundFind = 1, kProjectNotFoundRemove = 2 };

// The error-report title of a projects-list routine ("UpdateJobTable" ->
// "ProjectDataServer.modBrowse.UpdateJobTable").
std::string ModBrowseTitle(const std::string& routine);

// True when folder holds the project file "PROJECT.QVP" naming sJobName
// (without regard to case). Otherwise false, with sMessage telling the user
// why: the folder is gone, holds no project file, or holds another project.
// sMessage is left empty when the name or the folder is blank or the project
// file names no project. Never shows anything itself.
bool DoesProjectExistInFolder(const std::string& sJobName, const std::string& sJobPath, std::string& sMessage);

// Shows the project-not-found dialog for a project that failed the existence
// check, with sMessage on top and the project's name and folder below, and
// carries out the user's choice. Answers kProjectNotFoundClosed,
// kProjectNotFoundFind (after a reconnection) or kProjectNotFoundRemove.
// bChanged becomes true when the projects list changed (the project was
// reconnected or removed); it is not touched otherwise. After a removal the
// user is told "Project [name] has been removed from the projects list.".
int ShowProjectNotFoundDialog(const std::string& sJobName, const std::string& sJobPath, const std::string& sMessage,
                              bool& bChanged);

// Deletes the Job row of sJobName (trimmed) from the projects database, which
// is opened exclusively for the call. True, with bChanged set, when the
// statement ran; false for a blank name (silently) or when the database could
// not be opened or changed (reported, critical icon).
bool RemoveProjectFromList(const std::string& sJobName, bool& bChanged);

// ---- the search flows (FindAndReconnectProject and FindAndAddProjects are
// declared in pds/ProjectSearch.h)

// The answers of ShowFindProjectDialog.
inline constexpr int kFindDialogOK = -1;
inline constexpr int kFindDialogCancelled = -2;

// Shows the search dialog in mode (frm_project_search.h) with message on top
// ("Project Not Found." when blank), starting the search at once when asked.
// After OK, results hold the checked entries in list order and
// spec.found_count their number.
int ShowFindProjectDialog(ProjectSearchSpec& spec, int mode, std::vector<FoundProject>& results,
                          const std::string& message, bool start_at_once);

// The projects-list reads and writes of the search, with their reports
// (modBrowse titles) and messages to the user.
// Whether a Job row has this name and folder; false (reported) when the
// check could not run, false silently for a blank name or folder.
bool CheckJobTableForProjectPlusPath(const std::string& sJobName, const std::string& sJobPath, bool& bFound);
// Reads every listed name and folder once for a find-all search; reported
// under CheckJobTableForProjectPlusPath when the list cannot be read.
bool LoadListedProjectsForSearch(ListedProjects* listed);
// Writes each result's Job row and JobUsage rows in turn; stops at the first
// failure, keeping the rows written before it.
bool ReconnectProjectsToJobTable(std::vector<FoundProject>& results);
// Adds or reconnects the Job row of sJobName in its own transaction. Refuses
// a name that is not a project name, a folder of 238 characters or more, and
// a name listed for a folder that still holds that project ("Cannot Add
// Project").
bool UpdateJobTable(const std::string& sJobName, const std::string& sJobPath, std::int32_t& lJobNumber);
// Replaces the JobUsage rows of lJobNumber with the designations of sList
// (comma-separated), in its own transaction.
bool UpdateJobUsageTable(std::int32_t lJobNumber, const std::string& sList);

// The host's folder chooser; empty when the user cancelled.
std::string BrowseForFolder(const std::string& prompt, const std::string& initial_folder);

}  // namespace pds
