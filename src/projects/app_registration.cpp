// Registration of an application's data in a project: the project's Job row
// and the application's JobUsage row in the user's projects database, kept in
// step with the project record; the question whether an application has data
// in a project; and filling a record's key and folders from its Job row.
//
// Registration is all-or-nothing: both rows are written inside one engine
// transaction, so a failure after the Job row was stored leaves the database
// as it was before the call.
#include <string>

#include "pds/db/dao_constants.h"
#include "pds/db/db_helpers.h"
#include "pds/db/engine.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "config/process_state.h"
#include "engine/sql_text.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "projects/deletion_marker.h"
#include "projects/project_store.h"
#include "platform/env.h"
#include "files/file_routines.h"

namespace pds {

namespace {

constexpr long kErrObjectNotSet = 91;

void SetObjectNotSet() { SetError(kErrObjectNotSet, "Object variable or With block variable not set"); }

}  // namespace

bool ProjectStore::RegisterAppData(const ProjectRef& project, const std::string& sPdsg) {
  ClearError();
  const std::string pdsg = sPdsg.empty() ? Pdsg() : sPdsg;
  std::string message;
  DbHandle db;
  RsHandle rs_job;
  RsHandle rs_usage;
  bool in_transaction = false;
  try {
    db::DBEngine().BeginTrans();
    in_transaction = true;
    bool ok = false;
    if (!project) {
      SetObjectNotSet();
    } else if (CheckProjectName(project->JobName()) && OpenDb(db, project_db_, true, false) &&
               CreateRecordset(db, rs_job, "SELECT * FROM Job WHERE lJobID = " + std::to_string(project->JobID()),
                               db::dbOpenDynaset)) {
      std::int32_t job_id = project->JobID();
      if (rs_job->Eof()) {
        // The key exists as soon as the row is started.
        rs_job->AddNew();
        job_id = static_cast<std::int32_t>(rs_job->Fields("lJobID").Value().AsLong());
      } else {
        rs_job->Edit();
      }
      const std::string name = project->JobName();
      const std::string path = project->JobPath();
      if (name.empty()) {
        message = "Invalid project name:  " + InSingleQuotes(name);
      } else if (path.empty()) {
        message = "Invalid project path:  " + LineBreaks(0) + path;
      } else {
        rs_job->Fields("sJobName").SetValue(Variant(name));
        rs_job->Fields("sJobPath").SetValue(Variant(path));
        if (!project->DosJobPath().empty()) rs_job->Fields("sDOSJobPath").SetValue(Variant(project->DosJobPath()));
        rs_job->Update();
        ok = true;
        // Only an application that keeps data files has data in the project.
        if (!Shared().app_data_specs.empty()) {
          const std::string sql = "SELECT * FROM JobUsage WHERE lJobID = " + std::to_string(job_id) +
                                  " AND sPdsg = " + SqlTextLiteral(pdsg);
          ok = CreateRecordset(db, rs_usage, sql, db::dbOpenDynaset);
          if (ok && rs_usage->Eof()) {
            rs_usage->AddNew();
            rs_usage->Fields("lJobID").SetValue(Variant(job_id));
            rs_usage->Fields("sPdsg").SetValue(Variant(pdsg));
            rs_usage->Update();
          }
        }
      }
      if (ok) {
        db::DBEngine().CommitTrans();
        in_transaction = false;
        if (job_id > 0) project->SetJobID(job_id);
        CloseRecordset(rs_usage);
        CloseRecordset(rs_job);
        CloseDatabase(db);
        return true;
      }
    }
  } catch (...) {
    CatchToPending();
  }
  // Keep the failure's own error while the transaction is undone.
  const PendingError failure = Err();
  CloseRecordset(rs_usage);
  CloseRecordset(rs_job);
  if (in_transaction) TryStatement([] { db::DBEngine().Rollback(); });
  CloseDatabase(db);
  Err() = failure;
  ShowError(message, vbExclamation, "RegisterAppData()");
  return false;
}

bool ProjectStore::IsAppDataRegistered(const std::string& sProject, const std::string& sPdsg) {
  ClearError();
  const std::string pdsg = sPdsg.empty() ? Pdsg() : sPdsg;
  DbHandle db;
  RsHandle rs;
  bool opened = false;
  bool registered = false;
  if (!TryStatement([&] {
    const std::string sql = std::string("SELECT COUNT(*) AS RecFound FROM ") + "JobUsage" + " WHERE " + "sPdsg" +
                            " = " + SqlTextLiteral(pdsg) + " AND " + "lJobID" + " IN " + " (" + "SELECT " +
                            "lJobID" + " FROM " + "Job" + " WHERE " + "sJobName" + " = " + SqlTextLiteral(sProject) +
                            ")";
    if (OpenDbAndRecordset(db, rs, project_db_, sql, db::dbOpenDynaset, true, true) == 0) {
      opened = true;
      registered = rs->Fields("RecFound").Value().AsLong() > 0;
    }
  })) {
    opened = false;
  }
  CloseRecordset(rs);
  CloseDatabase(db);
  if (!opened) {
    ShowError("", vbCritical, "IsAppDataRegistered()");
    return false;
  }
  return registered;
}

bool ProjectStore::GetDataFromJobTable(const ProjectRef& project) {
  ClearError();
  std::string message;
  DbHandle db;
  RsHandle rs;
  try {
    if (project && !Trim(project->JobName()).empty()) {
      const std::string name = project->JobName();
      const std::string sql = "SELECT * FROM Job WHERE sJobName = " + SqlTextLiteral(name);
      if (OpenDbAndRecordset(db, rs, project_db_, sql, db::dbOpenDynaset, false, true) == 0) {
        if (rs->Eof()) {
          project->SetJobID(0);
          project->SetJobPath("");
          project->SetDosJobPath("");
          message = "This project could not be found.  " + InBrackets(name);
          // What a deletion cut short leaves is no project to open, but the
          // user should learn how to clear it away.
          const std::string leftover = DeletionLeftoverFolder(Shared().default_projects_folder, name);
          DeletionMarker marker;
          if (!leftover.empty() && ReadDeletionMarker(leftover, &marker) && IsSameText(Trim(marker.job_name), Trim(name))) {
            message += LineBreaks(2) + "A deletion of this project was cut short and left its folder; deleting the "
                                       "project again finishes it:" +
                       LineBreaks(0) + InBrackets(leftover);
          }
        } else {
          project->SetJobID(static_cast<std::int32_t>(GetFieldValue(rs->Fields("lJobID")).AsLong()));
          project->SetJobPath(GetFieldValue(rs->Fields("sJobPath")).AsString());
          project->SetDosJobPath(GetFieldValue(rs->Fields("sDOSJobPath")).AsString());
          CloseRecordset(rs);
          CloseDatabase(db);
          const std::string path = project->JobPath();
          if (path.empty()) {
            message = "Project not found.  Missing project path/folder information.";
          } else if (IsFolder(RemoveBackslash(path))) {
            return true;
          } else {
            message = "Project not found.  Project folder does not exist." + LineBreaks(0) + InBrackets(path);
          }
        }
      }
    }
  } catch (...) {
    CatchToPending();
  }
  CloseRecordset(rs);
  CloseDatabase(db);
  ShowError(message, vbCritical, "GetDataFromJobTable()");
  return false;
}

}  // namespace pds
