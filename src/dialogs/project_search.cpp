#include "dialogs/project_search.h"

#include <memory>

#include "pds/db/database.h"
#include "pds/db/db_helpers.h"
#include "ui/dialog_messages.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "config/app_state.h"
#include "config/process_state.h"
#include "engine/sql_text.h"
#include "dialogs/frm_project_not_found.h"
#include "pds/UiHost.h"
#include "tags/tag_store.h"
#include "files/file_routines.h"
#include "projects/project_file.h"

namespace pds {

namespace {

constexpr const char* kComponentName = "ProjectDataServer";
constexpr const char* kProjectFileName = "PROJECT.QVP";

// The user's projects database, as the current service object names it;
// empty when no service object is running.
std::string ProjectsDb() {
  const AppState* server = Shared().current_server;
  return server ? server->ProjectDb() : std::string();
}

// The "Project Name" key of the "Project" section (GetProjectNameFromProjectFile).
// False when the file cannot be read or has no such key.
bool ReadProjectName(const std::string& file, std::string& name) {
  name.clear();
  if (Trim(file).empty()) return false;
  SetLastOsError(0);
  return ReadPPS("Project", "Project Name", name, file);
}

}  // namespace

std::string ModBrowseTitle(const std::string& routine) {
  return std::string(kComponentName) + ".modBrowse." + routine;
}

bool DoesProjectExistInFolder(const std::string& sJobName, const std::string& sJobPath, std::string& sMessage) {
  sMessage.clear();
  const std::string name = Trim(sJobName);
  const std::string folder = Trim(sJobPath);
  if (name.empty() || folder.empty()) return false;
  // The check only informs the caller; whatever it meets on the way is not
  // the caller's pending error.
  const PendingError before = Err();
  bool exists = false;
  try {
    // A folder search finds the folder itself (the root lists its own entries).
    if (Dir1(RemoveBackslash(folder), kDirIncludeFolders).empty()) {
      sMessage =
          "The project you selected cannot be opened because its project folder no longer exists.  If the project "
          "folder was moved, renamed or remapped, press Find to locate the folder and reconnect the project.  If the "
          "project folder was deleted, press Remove to remove the project from your projects list.";
    } else {
      // The file search ignores case; read the file under the name it really has.
      const std::string found = Dir1(AddBackslash(folder) + kProjectFileName, 0);
      if (found.empty()) {
        sMessage =
            "The project you selected cannot be opened because its project folder is empty.  If the project was "
            "moved, press Find to locate the project and reconnect it.  If the project was deleted, press Remove to "
            "remove the project from your projects list.";
      } else {
        std::string listed;
        if (ReadProjectName(AddBackslash(folder) + found, listed) && !listed.empty()) {
          exists = EqualsNoCase(listed, name);
          if (!exists) {
            sMessage =
                "The project you selected cannot be opened because its project folder contains a different project.  "
                "If the project was moved, press Find to locate the project and reconnect it.  If the project was "
                "deleted, press Remove to remove the project from your projects list.";
          }
        }
      }
    }
  } catch (...) {
    exists = false;
  }
  // Dir1 keeps its search open between calls; this check has no further use for it.
  ResetDir1();
  Err() = before;
  return exists;
}

int ShowProjectNotFoundDialog(const std::string& sJobName, const std::string& sJobPath, const std::string& sMessage,
                              bool& bChanged) {
  int result = kProjectNotFoundClosed;
  if (!TryStatement([&] {
    auto dialog = std::make_unique<frmProjectNotFound>();
    dialog->SetMessage(sMessage);
    dialog->SetProjectName(sJobName);
    dialog->SetProjectPath(sJobPath);
    dialog->Show();
    result = dialog->Result();
    if (dialog->ListChanged()) bChanged = true;
    UnloadDialog(dialog);
    if (result == kProjectNotFoundRemove && RemoveProjectFromList(sJobName, bChanged)) {
      Ui().MsgBox("Project " + InBrackets(sJobName) + " has been removed from the projects list.", vbInformation,
                  "Project Removed From List");
    }
  })) {
    ShowError("", vbExclamation, ModBrowseTitle("ShowProjectNotFoundDialog"));
  }
  return result;
}

bool RemoveProjectFromList(const std::string& sJobName, bool& bChanged) {
  const std::string name = Trim(sJobName);
  if (name.empty()) return false;
  ClearError();
  DbHandle db;
  bool removed = false;
  if (OpenDb(db, ProjectsDb(), true, false)) {
    removed = TryStatement(
        [&] { db->Execute("DELETE * FROM Job WHERE sJobName = " + SqlTextLiteral(name), db::dbFailOnError); });
    if (removed) bChanged = true;
  }
  if (!removed) ShowError("", vbCritical, ModBrowseTitle("RemoveProjectFromList"));
  CloseDatabase(db);
  return removed;
}

}  // namespace pds
