// New and open: building an untitled project in the temporary working folder,
// opening an existing project (chosen by name or in the select dialog),
// restoring the working copy after a failed retrieve, and the properties
// entry point.
//
// Open is all-or-nothing for the service: the previous project is closed only
// after the new one passed its checks, and the new record becomes current only
// after it is locked and staged. Whatever happens, a current project exists
// afterwards: the public operations create an untitled one when none is left.
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "config/process_state.h"
#include "ui/wait_cursor.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "service/server.h"
#include "files/file_routines.h"
#include "ui/boundary_guard.h"

namespace pds {

eProjectReturnCode Server::ProjectNew() {
  if (project_new_hook_) return project_new_hook_();
  return Guarded("ProjectNew()", vbExclamation, RETURN_ERROR, [&]() -> eProjectReturnCode {
    eProjectReturnCode rc = PromptToSaveAndContinue();
    if (rc != RETURN_OK) return rc;
    ProjectRef project = NewProject();
    if (!project) {
      ShowError("", vbExclamation, "ProjectNew()");
      return RETURN_ERROR;
    }
    if (project_) CloseProject(project_);
    Ui().ProcessEvents();
    project_ = project;
    if ((app_data_style_ & TAG_SUPPORT) != 0) TagStepNewProject();
    project_->SetProjectDirty(false);
    app_dirty_ = false;
    return RETURN_OK;
  });
}

ProjectRef Server::NewProject() {
  std::string message;
  {
    WaitCursor wait;
    try {
      auto project = std::make_shared<clsProject>();
      // An untitled project uses the same temporary working folder as this
      // one would, so the earlier one goes first.
      if (project_ && project_->JobPath().empty()) CloseProject(project_);
      std::string work = GetWorkingProjectPath("");
      if (!work.empty()) {
        project->SetWorkingJobPath(work);
        if (CopyNewAppFilesToWorkArea(work)) return project;
        message = "Error creating application file(s) in project work area.";
      }
    } catch (...) {
      CatchToPending();
    }
  }
  ShowError(message, vbExclamation, "NewProject()");
  return nullptr;
}

eProjectReturnCode Server::ProjectOpen(const std::string& sJobName, const std::string& sProjectType,
                                                     bool bShowNewButton) {
  eProjectReturnCode result = RETURN_ERROR;
  try {
    eProjectReturnCode rc = PromptToSaveAndContinue();
    if (rc != RETURN_OK) return rc;
    std::string name = Trim(sJobName);
    std::string type = Trim(sProjectType);
    ProjectRef record;
    if (!name.empty()) {
      record = std::make_shared<clsProject>();
      record->SetJobName(name);
    }
    rc = OpenProject(record, type, bShowNewButton);
    if (rc == RETURN_OK) {
      project_ = record;
      bool tags_ok = (app_data_style_ & TAG_SUPPORT) == 0 || TagStepAfterOpen();
      if (tags_ok) {
        project_->SetProjectDirty(false);
        app_dirty_ = false;
        MRUAddToList(project_);
        result = RETURN_OK;
      } else {
        ShowError("", vbCritical, "ProjectOpen()");
        // A project whose tags cannot be loaded is not open: its lock and
        // working copy go, and an untitled project takes its place below.
        CloseProject(project_);
      }
    } else if (rc == RETURN_USER_CANCEL) {
      result = RETURN_USER_CANCEL;
    } else {
      ShowError("", vbCritical, "ProjectOpen()");
    }
  } catch (...) {
    CatchToPending();
    ShowError("", vbCritical, "ProjectOpen()");
    result = RETURN_ERROR;
  }
  if (!project_) ProjectNew();
  return result;
}

eProjectReturnCode Server::OpenProject(ProjectRef& project, const std::string& sProjectType,
                                                     bool bShowNewButton) {
  if (!project) {
    std::string name, path;
    std::int32_t id = 0;
    eProjectReturnCode rc = SelectProject(name, path, id, sProjectType, OPEN_MODE, bShowNewButton);
    if (rc != RETURN_OK) return rc;
    project = std::make_shared<clsProject>();
    project->SetJobName(name);
    project->SetJobPath(path);
    project->SetJobID(id);
  }

  std::string message;
  {
    WaitCursor wait;
    try {
      const bool project_support = (app_data_style_ & PROJECT_SUPPORT) != 0;
      bool ok = GetDataFromJobTable(project);
      ForgetReportedError();
      if (ok && !LoadProjectProperties(project)) {
        message = "Error opening project:  " + InBrackets(project->JobName());
        // A record set that failed has shown the engine's reason under its
        // own title already; this message gives it again, with the file.
        if (Err().number == 0) Err() = LastReportedError();
        ok = false;
      }
      if (ok && project_support) ok = TagStepVerifyStructure(project);
      bool registered = false;
      if (ok) {
        registered = IsAppDataRegistered(project->JobName());
        if (registered && project_support) {
          ok = VerifyProjectData(project->JobName(), project->JobPath(), Shared().shared_data_specs) &&
               VerifyProjectData(project->JobName(), project->JobPath(), Shared().app_data_specs);
        }
      }
      if (ok) {
        if (project_) CloseProject(project_);
        if (!project->LockProjectApp(Pdsg())) {
          // The lock has told the user; to the caller this is a cancel.
          project.reset();
          return RETURN_USER_CANCEL;
        }
        // Save as has staged the working copy of the folder it just wrote.
        const bool staged =
            !staged_work_.empty() && staged_work_ == AddBackslash(project->JobPath()) + ProjectWorkFolderName();
        std::string work = staged ? staged_work_ : GetWorkingProjectPath(project->JobPath());
        project->SetWorkingJobPath(work);
        if (work.empty()) {
          ok = false;
        } else if (staged) {
          ok = true;
        } else if (registered) {
          if (!CopyExistingAppFiles(project->JobPath(), work)) {
            CloseProject(project);
            ok = false;
          }
        } else {
          ok = CopyNewAppFilesToWorkArea(work);
        }
      }
      if (ok && ValidProject(project)) return RETURN_OK;
    } catch (...) {
      CatchToPending();
    }
  }
  project.reset();
  if (message.empty() && Err().number != 0) message = "Error opening project.";
  ShowError(message, vbExclamation, "Error Opening Project");
  return RETURN_ERROR;
}

bool Server::RestoreCurrentProject() {
  return Guarded("RestoreCurrentProject()", vbCritical, false, [&]() -> bool {
    if (!project_) {
      project_ = NewProject();
    } else if (!project_->JobPath().empty()) {
      std::string work = GetWorkingProjectPath(project_->JobPath());
      if (!work.empty()) project_->SetWorkingJobPath(work);
      if (work.empty() || !CopyExistingAppFiles(project_->JobPath(), work)) {
        CloseProject(project_);
        ShowError("", vbCritical, "RestoreCurrentProject()");
        return false;
      }
    } else {
      CloseProject(project_);
      if (!project_) project_ = NewProject();
    }
    return true;
  });
}

eProjectReturnCode Server::ProjectProperties() {
  if (ValidProject(project_)) {
    EditProject(project_);
    return RETURN_OK;
  }
  ShowError("No current project.", vbExclamation, "ProjectProperties()");
  ProjectNew();
  return RETURN_ERROR;
}

}  // namespace pds
