// Closing a project and deleting an application's data from one (the whole
// project when no other application keeps data in it).
#include "pds/db/dao_constants.h"
#include "pds/db/database.h"
#include "pds/db/db_helpers.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "config/process_state.h"
#include "engine/sql_text.h"
#include "pds/UiHost.h"
#include "pds/clsMRUJobs.h"
#include "pds/clsProject.h"
#include "service/server.h"
#include "pds/clsProjectDataServer.h"
#include "platform/dir_search.h"
#include "platform/env.h"
#include "files/file_routines.h"
#include "projects/deletion_marker.h"
#include "projects/project_file.h"
#include "service/project_delete_steps.h"

namespace pds {

bool Server::CloseProject(ProjectRef& project) {
  Ui().SetWaitCursor(true);
  bool ok = true;
  if (!TryStatement([&] {
    if (project) {
      if ((app_data_style_ & TAG_SUPPORT) != 0) TagStepClose();
      if ((app_data_style_ & PROJECT_SUPPORT) != 0 && !DeleteWorkFolder(project->WorkingJobPath())) ok = false;
    }
  })) {
    ok = false;
  }
  // Releasing the record releases its lock files once no one else holds it.
  project.reset();
  if (!ok) ShowError("", vbExclamation, "CloseProject()");
  Ui().SetWaitCursor(false);
  return ok;
}

bool Server::CloseCurrentProject() { return CloseProject(project_); }

eProjectReturnCode Server::ProjectDelete(const std::string& sJobName, bool bShowMsgs) {
  eProjectReturnCode rc = DeleteProject(sJobName, bShowMsgs);
  if (rc == RETURN_OK || rc == RETURN_USER_CANCEL) return rc;
  if (bShowMsgs) {
    ShowError("", vbExclamation, "clsProjectDataServer.ProjectDelete()");
  } else {
    ClearError();
  }
  return rc;
}

namespace {

// Runs one statement on the projects database, opened exclusively for it.
bool ExecuteOnProjectsDb(const std::string& projects_db, const std::string& statement) {
  DbHandle db;
  if (!OpenDb(db, projects_db, true, false)) return false;
  bool ok = TryStatement([&] { db->Execute(statement, db::dbFailOnError); });
  CloseDatabase(db);
  return ok;
}

std::string BareName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

}  // namespace

eProjectReturnCode Server::DeleteProject(const std::string& sJobName, bool bShowMsgs) {
  std::string message;
  std::string final_message;
  const std::string app_text = app_name_ + " v" + app_version_;
  try {
    std::string name = sJobName;
    std::string folder;
    std::int32_t job_id = 0;
    bool found = true;
    if (!name.empty()) {
      found = GetProjectInfo(name, job_id, folder);
      if (!found && Err().number == 0 && Err().last_os_error == 0) {
        eProjectReturnCode rc = DeleteUnlistedProject(name, bShowMsgs, message);
        if (rc != RETURN_ERROR) {
          if (!project_) ProjectNew();
          return rc;
        }
      }
    } else {
      eProjectReturnCode rc = SelectProject(name, folder, job_id, Pdsg(), DELETE_MODE, false);
      if (rc != RETURN_OK) return rc;
    }
    if (found) {
      const std::string project_file = AddBackslash(folder) + "PROJECT.QVP";
      bool ok = true;
      message = ProjectFileProblem(project_file);
      if (!message.empty()) {
        ok = false;
      } else if (!FileExists(project_file)) {
        message = "Missing project file in project  " + InBrackets(name) + "\r" + InBrackets(project_file) + "\r\n\n" +
                  ContactSupportText();
        ok = false;
      }
      std::string entry;
      if (ok && !ReadPPS("Application Data", Pdsg(), entry, project_file)) {
        // A key that is not there reads as "not found"; only other failures are errors.
        if (Err().last_os_error == 2) {
          entry.clear();
          ClearError();
        } else {
          ok = false;
        }
      }
      if (ok && Trim(entry).empty()) {
        if (bShowMsgs) {
          Ui().MsgBox("There is no " + app_text + "\r" + "data associated with this project.  " + InBrackets(name),
                      vbExclamation, "Delete Project");
        }
        return RETURN_USER_CANCEL;
      }
      if (ok && bShowMsgs) {
        int answer = Ui().MsgBox("Delete all " + app_text + " data in project " + InBrackets(name) + "?",
                                 vbYesNo | vbQuestion | vbDefaultButton2, "Delete Project");
        if (answer != vbYes) return RETURN_USER_CANCEL;
      }
      const bool is_current =
          project_ && IsSameText(project_->JobName(), name) && RemoveBackslash(project_->JobPath()) == RemoveBackslash(folder);
      // Another user who has the project open with this application holds its
      // lock, which keeps the data from being deleted under them.
      ProjectRef lock_holder;
      if (ok && project_ && !is_current) {
        lock_holder = std::make_shared<clsProject>();
        lock_holder->SetJobName(name);
        lock_holder->SetJobPath(folder);
        if (!lock_holder->LockProjectApp(Pdsg())) return RETURN_USER_CANCEL;
      }
      // Whether another application keeps data in the project decides what
      // goes: only this application's part, or the whole project.
      bool others = false;
      if (ok) {
        AppList apps;
        GetProjectAppsFromQVPFile(apps, project_file);
        for (const auto& app : apps) others = others || UCase(Trim(app.first)) != Pdsg();
      }
      // Everything that could stop the deletion is checked before anything
      // is deleted, so a refused delete leaves the whole project.
      std::vector<std::string> files = ErasableFiles(Shared().app_data_specs, folder);
      if (!others) {
        std::vector<std::string> shared = ErasableFiles(Shared().shared_data_specs, folder);
        files.insert(files.end(), shared.begin(), shared.end());
      }
      // The project file is deleted, or rewritten without this application.
      files.push_back(project_file);
      if (ok) ok = DeletionPossible(folder, files, message);
      if (ok && mru_jobs_ && mru_jobs_->RemoveJob(name)) mru_jobs_->SaveList(project_db_, Pdsg());
      if (ok && !others) {
        // The registration goes first: a deletion cut short leaves files in
        // a folder that is no longer a project, never a listed project
        // without its files. The mark written before it lets a later delete
        // of the name recognise that folder and finish.
        const std::string lock_file = AddBackslash(folder) + "~" + Pdsg() + ".PLF";
        const std::string marker_file = AddBackslash(folder) + kDeletionMarkerName;
        DeletionMarker marker{name, {}};
        for (const std::string& file : files) marker.files.push_back(BareName(file));
        marker.files.push_back(BareName(lock_file));
        marker.files.push_back(ProjectWorkFolderName());
        platform::Status s = WriteDeletionMarker(folder, marker);
        if (!s.ok()) {
          message = DeleteFailure("The deletion could not be started because its mark could not be written:",
                                  marker_file, s.code);
          ok = false;
        }
        if (ok && !ExecuteOnProjectsDb(project_db_, "DELETE * FROM Job WHERE lJobID = " + std::to_string(job_id))) {
          message = DeleteFailure("The project could not be removed from the projects list:", project_db_, 0);
          platform::CurrentEnv()->DeleteFile(marker_file);
          ok = false;
        }
        ok = ok && DeleteFiles(files, message);
        if (ok) {
          if (is_current) CloseProject(project_);
          // A working folder a killed session of this application left
          // (its lock is taken over above) would keep the folder.
          if (lock_holder) RemoveLeftWorkFolder(folder, ProjectWorkFolderName());
          lock_holder.reset();
          platform::CurrentEnv()->DeleteFile(lock_file);
          platform::CurrentEnv()->DeleteFile(marker_file);
          // Flushed, so that a power loss cannot bring the files back; a
          // folder that cannot be flushed was reported by the removal.
          (void)platform::CurrentEnv()->SyncFolder(RemoveBackslash(folder));
          const bool removed = RemoveFolder(folder, false);
          if (removed) (void)platform::CurrentEnv()->SyncFolder(GetPathFolder(RemoveBackslash(folder)));
          if (!removed) {
            ClearError();
            final_message = app_text + " data has been deleted from project " + InBrackets(name) + "." + "\r\n\n" +
                            "However, the project folder could not be removed because it may contain other "
                            "files or subfolders." +
                            "\r\n\n" + "Project Folder:  " + InBrackets(folder);
          }
        }
      } else if (ok) {
        // The application's registration and its entry in the project file
        // go before its files, so a deletion cut short leaves files no one
        // refers to, and the next open of the application starts it afresh.
        ok = ExecuteOnProjectsDb(project_db_, "DELETE * FROM JobUsage WHERE lJobID = " + std::to_string(job_id) +
                                                  " AND sPdsg = " + SqlTextLiteral(Pdsg()));
        if (ok && !WritePPS("Application Data", Pdsg(), std::nullopt, project_file)) {
          message = std::string(" Error deleting data from ") + "PROJECT.QVP" + ".";
          ok = false;
        }
        ok = ok && DeleteAppFileSections(Pdsg(), project_file) &&
             DeleteFiles(ErasableFiles(Shared().app_data_specs, folder), message) &&
             platform::CurrentEnv()->SyncFolder(RemoveBackslash(folder)).ok();
      }
      if (ok) {
        if (!project_) ProjectNew();
        if (bShowMsgs && !final_message.empty()) Ui().MsgBox(final_message, vbInformation, "Delete Project");
        return RETURN_OK;
      }
    }
  } catch (...) {
    CatchToPending();
  }
  if (!project_) ProjectNew();
  if (message.empty()) message = "Error Deleting Project.";
  if (bShowMsgs) {
    ShowError(message, vbExclamation, "clsProjectDataServer.DeleteProject()");
  } else {
    ClearError();
  }
  return RETURN_ERROR;
}

}  // namespace pds
