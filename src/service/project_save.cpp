// Save, save as and the question before leaving a project. Saving copies the
// working copy back into the project folder (each file written under a
// temporary name and renamed, so a crash leaves every file at its old or its
// new content), writes the properties and the project file, and registers
// the project and the application in the projects database.
#include <algorithm>

#include "ui/messages.h"
#include "pds/PendingError.h"
#include "config/process_state.h"
#include "ui/wait_cursor.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "service/server.h"
#include "platform/env.h"
#include "files/file_routines.h"

namespace pds {

namespace {

// The longest project folder the projects list can hold as a short path.
constexpr std::size_t kShortPathBuffer = 237;

}  // namespace

eProjectReturnCode Server::PromptToSaveAndContinue() {
  if (!ValidProject(project_)) return RETURN_OK;
  if (!project_->ProjectDirty() && !app_dirty_) return RETURN_OK;
  int answer = Ui().MsgBox("Save changes to project " + std::string("'") + project_->JobName() + "'" + "?",
                           vbYesNoCancel | vbQuestion, "Save Changes");
  if (answer == vbYes) return ProjectSave();
  if (answer == vbNo) return RETURN_OK;
  return RETURN_USER_CANCEL;
}

eProjectReturnCode Server::ProjectSave() {
  std::string path, name;
  return ProjectSave(path, name);
}

eProjectReturnCode Server::ProjectSave(std::string& sNewJobPath, std::string& sNewProjName) {
  eProjectReturnCode result = RETURN_ERROR;
  if (!TryStatement([&] {
    if (!ValidProject(project_)) {
      ShowError("There is no current project to save.", vbCritical, "ProjectSave()");
    } else {
      eProjectReturnCode rc =
          project_->JobPath().empty() ? ProjectSaveAs(sNewJobPath, sNewProjName) : SaveProject(project_);
      if (rc == RETURN_USER_CANCEL) {
        result = RETURN_USER_CANCEL;
      } else if (rc != RETURN_OK) {
        ShowError("", vbCritical, "ProjectSave()");
      } else if ((app_data_style_ & TAG_SUPPORT) != 0 && !TagStepResetTagType()) {
        ShowError("", vbCritical, "ProjectSave()");
      } else if (!SynchronizeProjectFolder()) {
        ShowError("Error During Directory Syncronization.", vbCritical, "ProjectSave()");
      } else {
        result = RETURN_OK;
      }
    }
  })) {
    ShowError("", vbCritical, "ProjectSave()");
    result = RETURN_ERROR;
  }
  if (!project_) ProjectNew();
  return result;
}

bool Server::SynchronizeProjectFolder() {
  if (!ValidProject(project_)) return false;
  const std::string designation = Pdsg();
  auto list = [&](const std::string& folder) {
    std::vector<std::string> names;
    for (std::string name = Dir1(AddBackslash(folder) + designation + "*.*", kDirIncludeFolders); !name.empty();
         name = Dir1("", kDirIncludeFolders)) {
      names.push_back(UCase(name));
    }
    return names;
  };
  std::vector<std::string> working = list(project_->WorkingJobPath());
  std::vector<std::string> saved = list(project_->JobPath());
  bool removed_any = false;
  for (const std::string& name : saved) {
    if (std::find(working.begin(), working.end(), name) != working.end()) continue;
    for (const DataFileSpec& spec : Shared().app_data_specs) {
      std::string pattern = UCase(spec.FileName);
      bool matches = pattern.size() >= 8 && pattern.substr(6, 2) == "??"
                         ? pattern.substr(0, 6) == name.substr(0, 6)
                         : pattern == name;
      if (matches) {
        if (!platform::CurrentEnv()->DeleteFile(AddBackslash(project_->JobPath()) + name).ok()) {
          // The listing is upper case; the file on disk keeps its own case.
          bool deleted = false;
          for (std::string actual = Dir1(AddBackslash(project_->JobPath()) + name, 0); !actual.empty();
               actual = Dir1("", 0)) {
            deleted = platform::CurrentEnv()->DeleteFile(AddBackslash(project_->JobPath()) + actual).ok();
          }
          if (!deleted) return false;
        }
        removed_any = true;
        break;
      }
    }
  }
  // The removals are part of the save: flushed, a power loss cannot bring
  // back files the application deleted.
  return !removed_any || platform::CurrentEnv()->SyncFolder(RemoveBackslash(project_->JobPath())).ok();
}

eProjectReturnCode Server::SaveProject(const ProjectRef& project) {
  std::string message;
  bool ok = false;
  {
    WaitCursor wait;
    if (!TryStatement([&] {
      if (!ValidProject(project)) {
        message = "There is no current project to save.";
      } else {
        if ((app_data_style_ & TAG_SUPPORT) != 0) TagStepClose();
        ok = CopyExistingAppFiles(project->WorkingJobPath(), project->JobPath()) &&
             SaveProjectProperties(project) && SaveProjectConfigData(project) && SaveToProjectQVPFile(project);
        if (ok && !RegisterAppData(project)) {
          message = "Error - Project was not saved.";
          ok = false;
        }
        if (ok) {
          if ((app_data_style_ & TAG_SUPPORT) != 0 && IsAppDataRegistered(project->JobName())) {
            TagStepAfterSave(project);
          }
          project->SetProjectDirty(false);
          app_dirty_ = false;
        }
      }
    })) {
      ok = false;
    }
  }
  if (ok) return RETURN_OK;
  ShowError(message, vbCritical, "Error Saving Project");
  return RETURN_ERROR;
}

bool Server::SaveProjectConfigData(const ProjectRef& project) {
  if (project) return true;
  ShowError("Error - No current project object.", vbCritical, "SaveProjectConfigData()");
  return false;
}

eProjectReturnCode Server::ProjectSaveAs() {
  std::string path, name;
  return ProjectSaveAs(path, name);
}

eProjectReturnCode Server::ProjectSaveAs(std::string& sNewJobPath, std::string& sNewProjName) {
  eProjectReturnCode result = RETURN_ERROR;
  std::string message;
  if (!TryStatement([&] {
    if (!ValidProject(project_)) {
      message = "There is no current project to save.";
    } else {
      auto saved = std::make_shared<clsProject>();
      saved->SetJobName(project_->JobName());
      saved->SetJobNumber(project_->JobNumber());
      saved->SetJobDate(project_->JobDate());
      saved->SetContactType(project_->ContactType());
      saved->SetContactName(project_->ContactName());
      saved->SetSalesPerson(project_->SalesPerson());
      saved->SetNotes(project_->Notes());
      saved->SetWorkingJobPath(project_->WorkingJobPath());

      std::string folder = Trim(sNewJobPath);
      std::string name = Trim(sNewProjName);
      eProjectReturnCode rc = RETURN_OK;
      if (folder.empty() || name.empty()) {
        folder = project_->JobName();  // the dialog's initial name in, the chosen folder out
        name.clear();
        rc = ShowSaveProjectAsDialog(folder, name);
      }
      if (rc == RETURN_USER_CANCEL) {
        result = RETURN_USER_CANCEL;
      } else if (rc == RETURN_OK) {
        if (RemoveBackslash(folder).size() >= kShortPathBuffer) {
          message = "Invalid project path.  The path is too long.  Please choose a folder with a shorter path.";
        } else {
          sNewJobPath = folder;
          sNewProjName = name;
          saved->SetJobName(name);
          saved->SetJobPath(RemoveBackslash(folder));
          saved->SetDosJobPath(RemoveBackslash(folder));
          WaitCursor wait;
          result = SaveProjectAs(saved);
        }
      }
    }
  })) {
    result = RETURN_ERROR;
  }
  if (result != RETURN_OK && result != RETURN_USER_CANCEL) ShowError(message, vbCritical, "Error Saving Project");
  if (!project_) ProjectNew();
  return result;
}

void Server::ReloadCurrentTags() {
  // The save closed the tag database and emptied the collections; the
  // current project's working copy still holds every tag.
  if ((app_data_style_ & TAG_SUPPORT) != 0 && ValidProject(project_)) TagStepAfterOpen();
}

eProjectReturnCode Server::SaveProjectAs(ProjectRef& project) {
  std::string message;
  platform::FileAttributes folder;
  if (!ValidProject(project)) {
    message = "There is no current project to save.";
  } else if (project->JobPath().empty() ||
             !platform::CurrentEnv()->GetAttributes(project->JobPath(), &folder).ok() || !folder.directory) {
    // The folder is taken literally: "*" or "?" in it is part of its name.
    message = "Project folder was not specified.";
  }
  if (!message.empty()) {
    ShowError(message, vbCritical, "Error Saving Project");
    return RETURN_ERROR;
  }
  try {
    // Saving as into the current project's own folder is refused by the
    // project's lock below, as another user's open project would be; any
    // other folder must not hold or belong to a project.
    const bool own_folder =
        ValidProject(project_) && RemoveBackslash(project_->JobPath()) == RemoveBackslash(project->JobPath());
    if (!SaveAsTargetAccepted(project, !own_folder)) return RETURN_ERROR;
    if (!project->LockProjectApp(Pdsg())) return RETURN_USER_CANCEL;
    // The new folder's own entry in its parent (the dialog may just have
    // made the folder) reaches the disk before the project is registered, so
    // a power loss never leaves a listed project whose folder is gone; the
    // save flushes the folder's own entries.
    eProjectReturnCode rc = RETURN_ERROR;
    if (CopyNewLocalProjectRoFile(project->JobPath())) {
      const platform::Status s = platform::CurrentEnv()->SyncFolder(GetPathFolder(project->JobPath()));
      if (s.ok()) {
        rc = SaveProject(project);
      } else {
        SetLastOsError(s.code);
        ShowError("", vbCritical, "Error Saving Project");
      }
    }
    if (rc != RETURN_OK) {
      // Nothing of the new project is registered: take its files back, so
      // the folder is as it was chosen and a retry starts clean.
      if (!own_folder) RemoveFailedSaveAs(project->JobPath());
      ReloadCurrentTags();
      return rc;
    }
    // The new folder's working copy is prepared while the current project is
    // still open: when it cannot be (a full disk), the save as is taken back
    // whole and the user goes on with the current project as it was, rather
    // than with an empty one while the work sits in a project never opened.
    const std::string work = GetWorkingProjectPath(project->JobPath());
    if (work.empty() || !CopyExistingAppFiles(project->JobPath(), work)) {
      if (!work.empty()) DeleteWorkFolder(work);
      TakeBackSaveAs(project);
      ReloadCurrentTags();
      return RETURN_ERROR;
    }
    const std::string name = project->JobName();
    const std::string folder = project->JobPath();
    // Closing clears the caller's record too, so its lock is gone before the
    // project is opened again from its new folder.
    CloseProject(project);
    if (project_) CloseProject(project_);
    staged_work_ = work;
    eProjectReturnCode opened = ProjectOpen(name);
    staged_work_.clear();
    if (opened != RETURN_OK) {
      // The project is saved and listed; the user must not take it for lost.
      Ui().MsgBox("Project  " + InBrackets(name) + "  was saved in the folder" + "\r" + InBrackets(folder) + "\r\n" +
                      "but it could not be opened again.  Open it by name to go on working on it.",
                  vbExclamation, "Save Project As");
    }
    return opened;
  } catch (...) {
    CatchToPending();
    return RETURN_ERROR;
  }
}

}  // namespace pds
