// The service object's lookups in the user's projects database: how many
// projects there are (for all applications or one), whether a name is taken,
// and a project's key and folder by name.
#include "pds/db/dao_constants.h"
#include "pds/db/db_helpers.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "engine/sql_text.h"
#include "pds/UiHost.h"
#include "projects/project_store.h"

namespace pds {

eProjectReturnCode ProjectStore::ProjectCount(std::int32_t& lNumberOfProjects, const std::string& sPdsg) {
  std::string sql = sPdsg.empty()
                        ? std::string("SELECT COUNT(*) AS NumProjects FROM Job")
                        : "SELECT COUNT(*) AS NumProjects FROM Job WHERE lJobID IN  (SELECT lJobID FROM JobUsage "
                          "WHERE sPdsg = " + SqlTextLiteral(sPdsg) + ")";
  DbHandle db;
  RsHandle rs;
  eProjectReturnCode result = RETURN_ERROR;
  lNumberOfProjects = 0;
  if (!TryStatement([&] {
    if (OpenDbAndRecordset(db, rs, project_db_, sql, db::dbOpenDynaset, true, true) == 0 &&
        CheckRecordsetValid(rs, false) && CheckDatabaseValid(db, false)) {
      lNumberOfProjects = static_cast<std::int32_t>(rs->Fields("NumProjects").Value().AsLong());
      result = RETURN_OK;
    }
  })) {
    lNumberOfProjects = 0;
  }
  CloseRecordset(rs);
  CloseDatabase(db);
  return result;
}

bool ProjectStore::DoesProjectExist(const std::string& sJobName, bool& bFound) {
  bFound = false;
  bool ran = false;
  DbHandle db;
  RsHandle rs;
  if (!sJobName.empty()) {
    TryStatement([&] {
      std::string sql = "SELECT sJobName FROM Job WHERE sJobName = " + SqlTextLiteral(sJobName);
      if (OpenDbAndRecordset(db, rs, project_db_, sql, db::dbOpenDynaset, true, true) == 0 &&
          CheckRecordsetValid(rs, false)) {
        bFound = !rs->Eof();
        ran = true;
      }
    });
  }
  if (!ran) ShowError("", vbExclamation, "clsProjectDataServer.DoesProjectExist");
  CloseRecordset(rs);
  CloseDatabase(db);
  return ran;
}

bool ProjectStore::GetProjectInfo(const std::string& sJobName, std::int32_t& lJobID, std::string& sJobPath) {
  lJobID = 0;
  sJobPath.clear();
  std::string name = Trim(sJobName);
  if (name.empty()) return false;
  bool found = false;
  DbHandle db;
  RsHandle rs;
  if (!TryStatement([&] {
    std::string sql = "SELECT * FROM Job WHERE sJobName=" + SqlTextLiteral(name);
    if (OpenDbAndRecordset(db, rs, project_db_, sql, db::dbOpenDynaset, true, true) != 0) {
      ShowError("", vbExclamation, "clsProjectDataServer.GetProjectInfo");
    } else if (CheckRecordsetValid(rs, false) && !rs->Eof() &&
               UCase(GetFieldValue(rs->Fields("sJobName")).AsString()) == UCase(name)) {
      lJobID = static_cast<std::int32_t>(GetFieldValue(rs->Fields("lJobID")).AsLong());
      sJobPath = GetFieldValue(rs->Fields("sJobPath")).AsString();
      found = true;
    }
  })) {
    ShowError("", vbExclamation, "clsProjectDataServer.GetProjectInfo");
  }
  CloseRecordset(rs);
  CloseDatabase(db);
  return found;
}

}  // namespace pds
