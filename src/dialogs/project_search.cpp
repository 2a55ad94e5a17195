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
#include "projects/project_store_search.h"
#include "dialogs/frm_project_search.h"

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

// The longest folder (its short form, which here is the folder itself) the
// Job table takes; the short form's buffer holds 237 characters.
constexpr std::size_t kTooLongFolder = 238;

constexpr const char* kReconnectMessage =
    "This dialog is used to find a project whose folder has been lost.  The name of the project is shown below.  "
    "Specify the drive or path in which to search.  If the project is found it will be displayed in Search "
    "Results.  Highlight the project and then press Reconnect.  This will reconnect the project to the projects "
    "list.";
constexpr const char* kFindAllMessage =
    "This dialog is used to find projects that do not appear on your Open Project list.  Specify the drive or path "
    "in which to search.  Any projects found will be shown in Search Results.  Check the projects you wish to add "
    "to your projects list.  Then press Add.  Note:  This dialog is typically used to access projects created by "
    "colleagues.  It is important to coordinate changes made to this project data with your colleagues.";

std::string CannotAddMessage(const std::string& name, const std::string& listed_folder) {
  return "The following project could not be added because you already have a project with this name in your "
         "projects list.  Each item in the projects list must have a different name.  Duplicate names are not "
         "permitted.  Before adding this project you must either rename the project that is currently in your "
         "list, or have the project you are trying to add renamed." +
         LineBreaks(2) + "Project Name:  " + name + LineBreaks(1) + "Project Path:  " + listed_folder +
         LineBreaks(2) +
         "Note:  If the program is installed on your workstation hard drive and you are sharing projects with "
         "colleagues via a network or shared drive, renaming a project can cause your colleagues to lose access to "
         "the project.  Therefore, you should coordinate renaming the project with your colleagues.";
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
        if (GetProjectNameFromProjectFile(AddBackslash(folder) + found, listed) && !listed.empty()) {
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

int FindAndReconnectProject(const std::string& sJobName, bool& bChanged, const std::string& sSearchFolder) {
  try {
    ProjectSearchSpec spec;
    spec.target_name = sJobName;
    spec.search_folder = sSearchFolder.empty() ? Shared().default_projects_folder : sSearchFolder;
    std::vector<FoundProject> results;
    const int rc = ShowFindProjectDialog(spec, kSearchFindProject, results, kReconnectMessage, !sSearchFolder.empty());
    if (rc != kFindDialogOK || results.empty()) return 0;
    if (ReconnectProjectsToJobTable(results)) {
      Ui().MsgBox("[" + std::to_string(spec.found_count) + "]" + " project was reconnected to the projects list.",
                  vbInformation, "Project Reconnected");
    }
    bChanged = true;
    return 2;
  } catch (...) {
    CatchToPending();
    ShowError("", vbExclamation, ModBrowseTitle("FindAndReconnectProject"));
    return 0;
  }
}

int FindAndAddProjects(bool& bChanged, const std::string& sSearchFolder) {
  try {
    ProjectSearchSpec spec;
    spec.search_folder = sSearchFolder.empty() ? Shared().default_projects_folder : sSearchFolder;
    std::vector<FoundProject> results;
    const int rc = ShowFindProjectDialog(spec, kSearchFindAll, results, kFindAllMessage, !sSearchFolder.empty());
    if (rc != kFindDialogOK || results.empty()) return 0;
    if (ReconnectProjectsToJobTable(results)) {
      Ui().MsgBox("[" + std::to_string(spec.found_count) + "]" + " projects were added to the projects list." +
                      LineBreaks(2) +
                      "If a project you added does not appear in the projects list, then choose [Show All Projects "
                      "(*.*)] from the drop down list under the < List Projects of Type: > section at the bottom of "
                      "the Open Project dialog.  This will display all available projects.",
                  vbInformation, "Projects Added");
    }
    bChanged = true;
    return 1;
  } catch (...) {
    CatchToPending();
    ShowError("", vbExclamation, ModBrowseTitle("FindAndAddProjects"));
    return 0;
  }
}

int ShowFindProjectDialog(ProjectSearchSpec& spec, int mode, std::vector<FoundProject>& results,
                          const std::string& message, bool start_at_once) {
  results.clear();
  spec.found_count = 0;
  auto dialog = std::make_unique<frmProjectSearch>();
  dialog->SetMode(mode);
  dialog->SetSpec(spec);
  dialog->SetMessage(Trim(message).empty() ? "Project Not Found." : message);
  dialog->SetStartAtOnce(start_at_once);
  dialog->Show();
  int answer = kFindDialogCancelled;
  if (dialog->Accepted()) {
    for (int i = 1; i <= dialog->lvwResults.ItemCount(); ++i) {
      const ListItem* item = dialog->lvwResults.Item(i);
      if (!item->Checked()) continue;
      ++spec.found_count;
      results.push_back(FoundProject{item->Text(), 0, item->SubItem(1)});
    }
    answer = kFindDialogOK;
  }
  UnloadDialog(dialog);
  return answer;
}

bool CheckJobTableForProjectPlusPath(const std::string& sJobName, const std::string& sJobPath, bool& bFound) {
  bFound = false;
  const std::string name = Trim(sJobName);
  const std::string path = Trim(sJobPath);
  if (name.empty() || path.empty()) return false;
  ClearError();
  if (FindJobRow(ProjectsDb(), name, RemoveBackslash(path), &bFound)) return true;
  ShowError("", vbExclamation, ModBrowseTitle("CheckJobTableForProjectPlusPath"));
  return false;
}

bool LoadListedProjectsForSearch(ListedProjects* listed) {
  if (LoadListedProjects(ProjectsDb(), listed)) return true;
  ShowError("", vbExclamation, ModBrowseTitle("CheckJobTableForProjectPlusPath"));
  return false;
}

bool ReconnectProjectsToJobTable(std::vector<FoundProject>& results) {
  if (results.empty() || (results.size() == 1 && results[0].name.empty())) return false;
  for (FoundProject& found : results) {
    std::string apps;
    GetApplicationDataFromProjectFile(ProjectFileIn(found.folder), apps);
    if (!UpdateJobTable(found.name, found.folder, found.job_number)) return false;
    if (found.job_number > 0 && !UpdateJobUsageTable(found.job_number, apps)) return false;
  }
  return true;
}

bool UpdateJobTable(const std::string& sJobName, const std::string& sJobPath, std::int32_t& lJobNumber) {
  const std::string title = ModBrowseTitle("UpdateJobTable");
  const std::string name = Trim(sJobName);
  const std::string folder = Trim(sJobPath);
  if (name.empty() || EqualsNoCase(name, "Untitled")) {
    Ui().MsgBox(name.empty() ? "Invalid project name." : "Invalid project name.  " + InBrackets(name), vbExclamation,
                "Invalid Project Name");
    return false;
  }
  ClearError();
  // The short (8.3) form of a folder is the folder itself here.
  const std::string short_folder = folder;
  if (short_folder.size() >= kTooLongFolder) {
    ShowError("Invalid project path.  The path is too long.  Please choose a folder with a shorter path.",
              vbExclamation, title);
    return false;
  }
  std::string listed_folder;
  const JobRowWrite written = WriteJobRow(
      ProjectsDb(), name, folder, short_folder,
      [&](const std::string& listed) {
        std::string ignored;
        return DoesProjectExistInFolder(name, listed, ignored);
      },
      &lJobNumber, &listed_folder);
  switch (written) {
    case JobRowWrite::kWritten: return true;
    case JobRowWrite::kNameTaken:
      Ui().MsgBox(CannotAddMessage(name, listed_folder), vbExclamation, "Cannot Add Project");
      return false;
    case JobRowWrite::kEmptyFolder: ShowError("Invalid project path:  " + LineBreaks(0), vbExclamation, title); return false;
    case JobRowWrite::kFailed: break;
  }
  ShowError("", vbExclamation, title);
  return false;
}

bool UpdateJobUsageTable(std::int32_t lJobNumber, const std::string& sList) {
  if (WriteJobUsageRows(ProjectsDb(), lJobNumber, Split(Trim(sList), ','))) return true;
  ShowError("", vbExclamation, ModBrowseTitle("UpdateJobUsageTable"));
  return false;
}

std::string BrowseForFolder(const std::string& prompt, const std::string& initial_folder) {
  std::string chosen;
  if (!Ui().BrowseForFolder(prompt, initial_folder, &chosen)) return {};
  const std::size_t nul = chosen.find('\0');
  return nul == std::string::npos ? chosen : chosen.substr(0, nul);
}

}  // namespace pds
