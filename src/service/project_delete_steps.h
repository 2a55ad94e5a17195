// Helpers of the project deletion shared by its main sequence and by the
// finishing of a deletion cut short. None of them shows anything; a failure
// comes back as the text the deletion reports.
#pragma once

#include <string>
#include <vector>

#include "config/process_state.h"

namespace pds {

// "Error Deleting Project." first, then what stopped the deletion, the file
// or folder it concerns, and the system's text for os_code (none for 0).
std::string DeleteFailure(const std::string& what, const std::string& path, int os_code);

// The files of folder that the specifications with EraseFlag name.
std::vector<std::string> ErasableFiles(const std::vector<DataFileSpec>& specs, const std::string& folder);

// Deletes the files in order, skipping those already gone; at the first that
// stays, false with message naming it and the cause.
bool DeleteFiles(const std::vector<std::string>& files, std::string& message);

// Removes a working folder ("~" & designation) left in a project folder that
// is being deleted: it holds only copies of that project's own files, staged
// by a session that is gone. Nothing happens for any other name, a link or a
// plain file; a folder that cannot be emptied is left for the removal of the
// project folder to report.
void RemoveLeftWorkFolder(const std::string& project_folder, const std::string& name);

// Why the project file cannot be read or removed as a project file (a link,
// a folder, a device or a pipe under its name); empty when it is a plain
// file or missing.
std::string ProjectFileProblem(const std::string& project_file);

}  // namespace pds
