// The mark a deletion of a whole project leaves in the project's folder
// while it runs.
//
// A deletion removes the project's registration first and its files after,
// so that a deletion cut short never leaves a listed project without its
// files. What it leaves instead is a folder that no listed project refers to.
// The marker, written before the registration goes and removed just before
// the folder, names the project and every file the deletion removes; a later
// delete of that name recognises the folder by it and finishes the work,
// removing only the files the marker lists. The marker is written atomically:
// a crash leaves the whole marker or none.
#pragma once

#include <string>
#include <vector>

#include "platform/env.h"

namespace pds {

inline constexpr const char* kDeletionMarkerName = "PROJECT.DEL";

struct DeletionMarker {
  std::string job_name;
  std::vector<std::string> files;  // bare names in the project folder
};

// Writes the marker into folder, replacing an older one.
platform::Status WriteDeletionMarker(const std::string& folder, const DeletionMarker& marker);

// The marker of folder; false when folder has none, or holds something under
// the marker's name that is not a plain file of marker text. A listed name
// with a path part is dropped, so a marker never reaches outside its folder.
bool ReadDeletionMarker(const std::string& folder, DeletionMarker* marker);

// Where a deletion of job_name may have been cut short: the folder of that
// name in the default projects folder, when it exists. Empty when the name
// cannot be a folder name or there is no such folder.
std::string DeletionLeftoverFolder(const std::string& projects_folder, const std::string& job_name);

}  // namespace pds
