// Removing one application's published tags from a saved project's database:
// its TagIndex rows go (their TagData rows follow through the cascading
// relation), then the file is compacted into a temporary file in the project
// folder, which replaces the database.
//
// The database is closed before the compaction, and the compacted copy is
// put in place under a new file identity, so no connection this process
// keeps for a later open ever meets the old file's pages.
#include <string>

#include "pds/db/dao_constants.h"
#include "pds/db/database.h"
#include "pds/db/db_helpers.h"
#include "pds/db/engine.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "engine/sql_text.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "service/server.h"
#include "platform/env.h"
#include "files/file_routines.h"

namespace pds {

namespace {

constexpr const char* kTitle = "clsProjectDataServer.ClearExportTagData";

bool IsFile(const std::string& path) {
  platform::FileAttributes attributes;
  return platform::CurrentEnv()->GetAttributes(path, &attributes).ok() && !attributes.directory;
}

// Deletes a file when it is there; a failure becomes the pending error.
void DeleteIfPresent(const std::string& path) {
  if (path.empty() || !IsFile(path)) return;
  platform::Status s = platform::CurrentEnv()->DeleteFile(path);
  if (!s.ok()) SetLastOsError(s.code);
}

bool HasPendingError() { return Err().number != 0 || Err().last_os_error != 0; }

}  // namespace

bool Server::ClearExportTagData(const std::string& sPdsg, const ProjectRef& Project) {
  ClearError();
  std::string designation = Trim(sPdsg);
  if (designation.empty()) designation = Pdsg();
  const ProjectRef project = ValidProject(Project) ? Project : (ValidProject(project_) ? project_ : nullptr);
  if (!project) {
    ShowError("", vbCritical, kTitle);
    return false;
  }

  DbHandle db;
  std::string temp;
  try {
    const std::string folder = project->JobPath();
    const std::string path = project->ProjectDbPath();
    if (folder.empty() || !IsFile(path) || !EqualsNoCase(GetLastPathPart(path), "Project.mdb")) {
      ShowError("", vbCritical, kTitle);
      return false;
    }
    if (!OpenDb(db, path, true, false) || !CheckDatabaseValid(db, true)) {
      CloseDatabase(db);
      ShowError("", vbCritical, kTitle);
      return false;
    }
    const std::string code = designation.substr(0, 3);
    const std::string version = designation.size() > 3 ? designation.substr(3, 2) : std::string();
    if (!TryStatement([&] {
          db->Execute("DELETE * FROM TagIndex WHERE sApp=" + SqlTextLiteral(code) +
                          " AND sAppVer=" + SqlTextLiteral(version),
                      db::dbFailOnError);
        })) {
      CloseDatabase(db);
      ShowError("Error deleting old export Tag data.", vbCritical, kTitle);
      return false;
    }

    temp = GetTempPathAndFileName(folder);
    DeleteIfPresent(temp);
    CloseDatabase(db);
    if (temp.empty() || !TryStatement([&] { db::DBEngine().CompactDatabase(path, temp); })) {
      DeleteIfPresent(temp);
      ShowError("Error compacting project database.", vbExclamation, kTitle);
      return false;
    }
    // The compacted copy must reach the disk before it takes the project
    // database's name: a crash leaves the old file or the new one, whole.
    platform::Status s = platform::CurrentEnv()->CopyFile(temp, path, true);
    if (s.ok()) s = platform::CurrentEnv()->SyncFolder(folder);
    if (!s.ok()) SetLastOsError(s.code);
    DeleteIfPresent(temp);
    DeleteIfPresent(temp.substr(0, temp.size() >= 4 ? temp.size() - 4 : 0) + ".ldb");
  } catch (...) {
    CatchToPending();
  }
  CloseDatabase(db);
  if (!HasPendingError()) return true;
  ShowError("", vbCritical, kTitle);
  return false;
}

}  // namespace pds
