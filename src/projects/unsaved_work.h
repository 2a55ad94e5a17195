// Work a session left unsaved in a project's working folder.
//
// A working folder normally goes when its project closes. One that is still
// there when the project opens again was left by a session that ended
// without closing: a crash, or a save that failed (a full disk, a project
// folder that takes no changes) after which the user left. Its files may be
// the only copy of that work, so before the open stages a fresh copy over
// them, a folder holding changes is set aside under a dated name beside it,
// where the user can take the work back; nothing in it is deleted.
//
// A file counts as changed when the project folder has no file of that name,
// or when its content differs and it was not written before the project's
// file (a project saved after the working copy was left has the newer work).
// A working folder that merely repeats the saved files is scratch space.
#pragma once

#include <string>

namespace pds {

struct UnsavedWorkResult {
  enum Kind { kNone, kKeptAside, kFailed } kind = kNone;
  std::string kept_folder;  // kKeptAside: where the work now is
  int error = 0;            // kFailed: the system error code of the rename
};

// Sets work (the working folder of project_folder) aside when it holds
// changes not in project_folder. With kNone and kFailed nothing is moved.
UnsavedWorkResult SetAsideUnsavedWork(const std::string& project_folder, const std::string& work);

// Whether work holds a file that is changed against project_folder.
bool HoldsUnsavedWork(const std::string& project_folder, const std::string& work);

}  // namespace pds
