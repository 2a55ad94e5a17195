#include "projects/untitled_work_area.h"

#include <vector>

#include "pds/PendingError.h"
#include "platform/env.h"
#include "ui/messages.h"
#include "files/file_routines.h"

namespace pds {

namespace {

using platform::CurrentEnv;
using platform::DirEntry;
using platform::Status;

constexpr const char* kAreaPrefix = "session-";
constexpr const char* kOwnerLock = "session.lock";
// A folder can be taken by a cleaner between its creation and its lock (the
// cleaner sees a folder without an owner); a new one is then made.
constexpr int kAttempts = 3;

struct Area {
  std::string temp_folder;  // the temporary folder it was made in
  std::string path;
  int lock = 0;
};

Area& Current() {
  static Area area;
  return area;
}

// Removes the files of folder and, one level down, of its subfolders (the
// working folders), then the subfolders. Nothing here follows a link out of
// the private folder: only this user can have put entries in it.
void EmptyFolder(const std::string& folder, const std::string& keep) {
  std::vector<DirEntry> entries;
  if (!CurrentEnv()->ListFolder(folder, &entries).ok()) return;
  for (const DirEntry& entry : entries) {
    if (entry.name == "." || entry.name == ".." || entry.name == keep) continue;
    const std::string path = folder + "/" + entry.name;
    if (entry.directory) {
      std::vector<DirEntry> inner;
      if (CurrentEnv()->ListFolder(path, &inner).ok()) {
        for (const DirEntry& file : inner) {
          if (!file.directory) (void)CurrentEnv()->DeleteFile(path + "/" + file.name);
        }
      }
      (void)CurrentEnv()->RemoveFolder(path);
    } else {
      (void)CurrentEnv()->SetReadOnly(path, false);
      (void)CurrentEnv()->DeleteFile(path);
    }
  }
}

// Removes the folders of processes that have ended. A folder whose lock can
// be taken has no living owner; taking the lock also keeps a second cleaner
// out while this one works.
void RemoveAbandonedAreas(const std::string& user_folder, const std::string& own) {
  std::vector<DirEntry> entries;
  if (!CurrentEnv()->ListFolder(user_folder, &entries).ok()) return;
  for (const DirEntry& entry : entries) {
    if (!entry.directory || entry.name.rfind(kAreaPrefix, 0) != 0) continue;
    const std::string folder = user_folder + "/" + entry.name;
    if (folder == own) continue;
    int handle = 0;
    if (!CurrentEnv()->CreateLockFile(folder + "/" + kOwnerLock, "", &handle).ok()) continue;
    EmptyFolder(folder, kOwnerLock);
    (void)CurrentEnv()->ReleaseLockFile(handle);
    (void)CurrentEnv()->RemoveFolder(folder);
  }
}

}  // namespace

std::string UntitledWorkArea(const std::string& temp_folder, int* error) {
  Area& area = Current();
  if (area.temp_folder == temp_folder && !area.path.empty() && IsFolder(area.path)) return area.path;
  // A different temporary folder (or a folder removed under us): start again.
  if (area.lock != 0) (void)CurrentEnv()->ReleaseLockFile(area.lock);
  area = Area{};

  std::string user_folder;
  Status s = CurrentEnv()->UserPrivateFolder(temp_folder, &user_folder);
  if (!s.ok()) {
    // The folder is the user's only safe place in shared temporary space; one
    // planted under its name is never used, and the user must learn which
    // folder it is to remove it.
    platform::FileAttributes attributes;
    const bool found = CurrentEnv()->GetLinkAttributes(user_folder, &attributes).ok();
    std::string why = !found              ? "It cannot be created."
                      : attributes.link   ? "It is a symbolic link, which is never used."
                      : !attributes.directory ? "It is not a folder."
                                          : "It belongs to another user or is open to other users, so it is never used.";
    SetError(0, "The folder for this user's working files of untitled projects cannot be used:" + LineBreaks(0) +
                    InBrackets(user_folder) + LineBreaks(0) + why + LineBreaks(2) + GetSystemErrorText(s.code));
    *error = s.code;
    return {};
  }
  for (int attempt = 0; s.ok() && attempt < kAttempts; ++attempt) {
    std::string folder;
    s = CurrentEnv()->CreateUniqueFolder(user_folder, kAreaPrefix, &folder);
    if (!s.ok()) break;
    int handle = 0;
    s = CurrentEnv()->CreateLockFile(folder + "/" + kOwnerLock, "", &handle);
    if (s.ok()) {
      area = Area{temp_folder, folder, handle};
      RemoveAbandonedAreas(user_folder, folder);
      return folder;
    }
    (void)CurrentEnv()->RemoveFolder(folder);
    // A cleaner that took the new folder for an abandoned one is worth
    // another try; any other failure is not.
    if (s.code == 2 || s.code == 3 || s.code == 32) s = Status::Ok();
  }
  if (s.ok()) s = Status::Error(3);
  *error = s.code;
  return {};
}

}  // namespace pds
