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
#include "projects/project_file.h"

namespace pds {

bool Server::CloseProject(ProjectRef& project) {
  Ui().SetWaitCursor(true);
  bool ok = true;
  try {
    if (project) {
      if ((app_data_style_ & TAG_SUPPORT) != 0) TagStepClose();
      if ((app_data_style_ & PROJECT_SUPPORT) != 0 && !DeleteWorkFolder(project->WorkingJobPath())) ok = false;
    }
  } catch (...) {
    CatchToPending();
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

// The files of folder that the specifications with EraseFlag name.
std::vector<std::string> ErasableFiles(const std::vector<DataFileSpec>& specs, const std::string& folder) {
  std::vector<std::string> files;
  for (const DataFileSpec& spec : specs) {
    if (!spec.EraseFlag) continue;
    platform::DirSearch search;
    platform::DirEntry entry;
    for (platform::Status s = search.First(AddBackslash(folder) + spec.FileName, &entry); s.ok();
         s = search.Next(&entry)) {
      if (!entry.directory) files.push_back(AddBackslash(folder) + entry.name);
    }
    CloseFind(search);
  }
  return files;
}

// Deletes the erasable files; a file that stays fails the deletion.
bool DeleteErasableFiles(const std::vector<DataFileSpec>& specs, const std::string& folder) {
  for (const std::string& file : ErasableFiles(specs, folder)) {
    platform::Status s = platform::CurrentEnv()->DeleteFile(file);
    if (!s.ok()) {
      SetLastOsError(s.code);
      return false;
    }
  }
  return true;
}

}  // namespace

bool Server::DeletionPossible(const std::string& folder, const std::string& project_file, bool others,
                                            std::string& message) {
  // The folder must take changes: a probe file is made and removed again.
  std::string probe;
  platform::Status s = platform::CurrentEnv()->CreateTempFile(RemoveBackslash(folder), "~QX", &probe);
  if (!s.ok() || !platform::CurrentEnv()->DeleteFile(probe).ok()) {
    message = "The project cannot be deleted because its folder cannot be changed." + std::string("\r") +
              InBrackets(folder);
    return false;
  }
  std::vector<std::string> files = ErasableFiles(Shared().app_data_specs, folder);
  if (!others) {
    std::vector<std::string> shared = ErasableFiles(Shared().shared_data_specs, folder);
    files.insert(files.end(), shared.begin(), shared.end());
  }
  // The project file is deleted, or rewritten without this application.
  files.push_back(project_file);
  for (const std::string& file : files) {
    platform::FileAttributes attributes;
    if (platform::CurrentEnv()->GetAttributes(file, &attributes).ok() && attributes.read_only) {
      message = "The project cannot be deleted because the following file is read-only:" + std::string("\r") +
                InBrackets(file);
      return false;
    }
  }
  return true;
}

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
    } else {
      eProjectReturnCode rc = SelectProject(name, folder, job_id, Pdsg(), DELETE_MODE, false);
      if (rc != RETURN_OK) return rc;
    }
    if (found) {
      const std::string project_file = AddBackslash(folder) + "PROJECT.QVP";
      bool ok = true;
      if (!FileExists(project_file)) {
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
      if (ok) ok = DeletionPossible(folder, project_file, others, message);
      if (ok && mru_jobs_ && mru_jobs_->RemoveJob(name)) mru_jobs_->SaveList(project_db_, Pdsg());
      if (ok && !others) {
        // The registration goes first: a deletion cut short leaves files in
        // a folder that is no longer a project, never a listed project
        // without its files.
        ok = ExecuteOnProjectsDb(project_db_, "DELETE * FROM Job WHERE lJobID = " + std::to_string(job_id)) &&
             DeleteErasableFiles(Shared().app_data_specs, folder) &&
             DeleteErasableFiles(Shared().shared_data_specs, folder) &&
             platform::CurrentEnv()->DeleteFile(project_file).ok();
        if (ok) {
          if (is_current) CloseProject(project_);
          lock_holder.reset();
          platform::CurrentEnv()->DeleteFile(AddBackslash(folder) + "~" + Pdsg() + ".PLF");
          if (!RemoveFolder(folder, false)) {
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
        ok = ok && DeleteAppFileSections(Pdsg(), project_file) && DeleteErasableFiles(Shared().app_data_specs, folder);
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
