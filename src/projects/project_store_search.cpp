#include "projects/project_store_search.h"

#include "engine/sql_text.h"
#include "files/file_routines.h"
#include "pds/PendingError.h"
#include "pds/Text.h"
#include "pds/db/dao_constants.h"
#include "pds/db/database.h"
#include "pds/db/db_helpers.h"
#include "pds/db/engine.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"

namespace pds {

namespace {

// Opens, runs and closes; the engine transaction is undone unless the work
// committed, keeping the failure's own pending error.
class JobWriteScope {
 public:
  JobWriteScope() {
    db::DBEngine().BeginTrans();
    open_ = true;
  }
  ~JobWriteScope() {
    const PendingError failure = Err();
    CloseRecordset(rs);
    if (open_) TryStatement([] { db::DBEngine().Rollback(); });
    CloseDatabase(db);
    Err() = failure;
  }
  void Commit() {
    db::DBEngine().CommitTrans();
    open_ = false;
  }
  DbHandle db;
  RsHandle rs;

 private:
  bool open_ = false;
};

}  // namespace

std::string ListedProjects::Key(const std::string& name, const std::string& folder) {
  std::string key = UCase(name);
  key += '\0';
  key += UCase(folder);
  return key;
}

void ListedProjects::Add(const std::string& name, const std::string& folder) { keys_.insert(Key(name, folder)); }

bool ListedProjects::Contains(const std::string& name, const std::string& folder) const {
  return keys_.count(Key(Trim(name), RemoveBackslash(Trim(folder)))) > 0;
}

namespace {

// Opens the projects database shared and read-only with a snapshot of sql,
// hands the record set to read, and closes both whatever happens. False when
// the open failed or reading faulted; the reason is then pending.
bool ReadJobSnapshot(const std::string& projects_db, const std::string& sql, const std::function<void(RsHandle&)>& read) {
  DbHandle db;
  RsHandle rs;
  bool ok = false;
  try {
    if (OpenDbAndRecordset(db, rs, projects_db, sql, db::dbOpenSnapshot, false, true) == 0) {
      read(rs);
      ok = true;
    }
  } catch (...) {
    CatchToPending();
    ok = false;
  }
  CloseRecordset(rs);
  CloseDatabase(db);
  return ok;
}

}  // namespace

bool LoadListedProjects(const std::string& projects_db, ListedProjects* listed) {
  ClearError();
  return ReadJobSnapshot(projects_db, "SELECT sJobName, sJobPath FROM Job", [&](RsHandle& rs) {
    for (; !rs->Eof(); rs->MoveNext()) {
      listed->Add(GetFieldValue(rs->Fields("sJobName")).AsString(), GetFieldValue(rs->Fields("sJobPath")).AsString());
    }
  });
}

bool FindJobRow(const std::string& projects_db, const std::string& name, const std::string& folder, bool* found) {
  *found = false;
  const std::string sql = "SELECT * FROM Job WHERE sJobName = " + SqlTextLiteral(name) +
                          " AND sJobPath = " + SqlTextLiteral(RemoveBackslash(folder));
  return ReadJobSnapshot(projects_db, sql, [&](RsHandle& rs) { *found = !rs->Eof(); });
}

JobRowWrite WriteJobRow(const std::string& projects_db, const std::string& name, const std::string& folder,
                        const std::string& short_folder,
                        const std::function<bool(const std::string& listed_folder)>& still_there,
                        std::int32_t* job_id, std::string* listed_folder) {
  ClearError();
  try {
    JobWriteScope scope;
    if (!OpenDb(scope.db, projects_db, true, false) ||
        !CreateRecordset(scope.db, scope.rs, "SELECT * FROM Job WHERE sJobName = " + SqlTextLiteral(name),
                         db::dbOpenDynaset)) {
      return JobRowWrite::kFailed;
    }
    db::Recordset& rs = *scope.rs;
    if (rs.Eof()) {
      rs.AddNew();
      rs.Fields("sJobName").SetValue(Variant(name));
    } else {
      *listed_folder = GetFieldValue(rs.Fields("sJobPath")).AsString();
      if (still_there(*listed_folder)) return JobRowWrite::kNameTaken;
      rs.Edit();
    }
    *job_id = static_cast<std::int32_t>(GetFieldValue(rs.Fields("lJobID")).AsLong());
    if (folder.empty()) return JobRowWrite::kEmptyFolder;
    rs.Fields("sJobPath").SetValue(Variant(RemoveBackslash(folder)));
    if (!short_folder.empty()) rs.Fields("sDOSJobPath").SetValue(Variant(RemoveBackslash(short_folder)));
    rs.Update();
    scope.Commit();
    return JobRowWrite::kWritten;
  } catch (...) {
    CatchToPending();
    return JobRowWrite::kFailed;
  }
}

bool WriteJobUsageRows(const std::string& projects_db, std::int32_t job_id,
                       const std::vector<std::string>& designations) {
  ClearError();
  try {
    JobWriteScope scope;
    if (!OpenDb(scope.db, projects_db, true, false)) return false;
    const std::string id = std::to_string(job_id);
    scope.db->Execute("DELETE * FROM JobUsage WHERE lJobID=" + id, db::dbFailOnError);
    for (const std::string& pdsg : designations) {
      if (pdsg.empty()) continue;
      if (!CreateRecordset(scope.db, scope.rs,
                           "SELECT * FROM JobUsage WHERE lJobID=" + id + " AND sPdsg=" + SqlTextLiteral(pdsg),
                           db::dbOpenDynaset)) {
        return false;
      }
      if (scope.rs->Eof()) {
        scope.rs->AddNew();
        scope.rs->Fields("lJobID").SetValue(Variant(job_id));
        scope.rs->Fields("sPdsg").SetValue(Variant(pdsg));
        scope.rs->Update();
      }
      CloseRecordset(scope.rs);
    }
    scope.Commit();
    return true;
  } catch (...) {
    CatchToPending();
    return false;
  }
}

}  // namespace pds
