// The folder that holds this process's working folders of untitled projects.
//
// An untitled project has no project folder, so its working folder lives in
// temporary space. Two sessions of one application run by the same user
// would meet in a shared "~" + designation folder there and empty each
// other's work, so each process gets a folder of its own: a uniquely named
// folder inside the user's private folder of the temporary folder, holding a
// lock file for as long as the process lives. The working folders keep their
// usual name inside it.
//
// Folders whose owner process has gone (its lock is free) are removed the
// next time a process sets up its own, with the working files in them: an
// untitled project that was never saved has nothing to come back to.
//
// Single-threaded, like the rest of the project operations: the folder is
// process-wide and made once per temporary folder.
#pragma once

#include <string>

namespace pds {

// This process's folder inside temp_folder (made on first use), with no
// trailing "/"; empty on failure, with the system error code in *error.
std::string UntitledWorkArea(const std::string& temp_folder, int* error);

}  // namespace pds
