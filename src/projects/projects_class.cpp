#include "pds/clsProjects.h"

#include "pds/db/dao_constants.h"
#include "pds/db/db_helpers.h"
#include "pds/db/field.h"
#include "pds/db/jet_errors.h"
#include "pds/db/recordset.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "config/process_state.h"
#include "engine/sql_text.h"
#include "pds/UiHost.h"
#include "files/file_routines.h"
#include "projects/project_file.h"

namespace pds {

namespace {

constexpr std::size_t kProjectColumns = 4;
constexpr std::size_t kAppColumns = 3;

// The report of a failed listing: another user holding the database gets a
// sentence of its own before the error's text.
void ReportListingFailure(const std::string& project_db, const std::string& title) {
  const long number = Err().number;
  std::string message;
  if (number == db::kErrOpenedExclusively || number == db::kErrFileInUse) {
    message = "Database File " + project_db + " is currently in use.  Please try again later.";
  }
  ShowError(message, vbCritical, title);
}

// A value of the current row; Null reads as empty text.
std::string FieldText(db::Recordset& rs, const char* field) { return rs.Fields(field).Value().AsString(); }

}  // namespace

void clsProjects::SetProjectDb(const std::string& value) { project_db_ = value; }

std::int32_t clsProjects::JobNameMaxLength() const { return JobNameLengthLimit(); }

std::string clsProjects::DefaultDataPath() const { return Shared().default_projects_folder; }

void clsProjects::SetSelectedProjectName(const std::string& value) { selected_name_ = Trim(value); }

void clsProjects::DefaultProjectType(const std::string& value) { default_project_type_ = Trim(value); }

void clsProjects::SetNetUserID(const std::string& value) { net_user_id_ = value; }

eProjectReturnCode clsProjects::GetProjects(TextTable& sProjects, const std::string& sPdsg) {
  constexpr const char* kTitle = "GetProjects()";
  ClearError();
  const std::string sql = sPdsg.empty()
                              ? std::string("SELECT * FROM Job ORDER BY sJobName")
                              : "SELECT *  FROM Job WHERE lJobID IN (SELECT lJobID FROM JobUsage WHERE sPdsg = " +
                                    SqlTextLiteral(sPdsg) + ") ORDER BY sJobName";
  DbHandle db;
  RsHandle rs;
  eProjectReturnCode result = RETURN_ERROR;
  if (!TryStatement([&] {
    if (OpenDbAndRecordset(db, rs, project_db_, sql, db::dbOpenDynaset, true, true) != 0) {
      ReportListingFailure(project_db_, kTitle);
    } else if (rs->Eof()) {
      sProjects = TextTable(1, kProjectColumns);
      result = RETURN_OK;
    } else {
      std::vector<Entry> entries;
      for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        Entry entry;
        entry.name = FieldText(*rs, "sJobName");
        entry.id = static_cast<std::int32_t>(rs->Fields("lJobID").Value().AsLong());
        entry.folder = FieldText(*rs, "sJobPath");
        entries.push_back(std::move(entry));
      }
      TextTable table(entries.size(), kProjectColumns);
      for (std::size_t i = 0; i < entries.size(); ++i) {
        table.Set(i, 0, entries[i].name);
        table.Set(i, 1, std::to_string(entries[i].id));
        table.Set(i, 2, entries[i].folder);
        table.Set(i, 3, entries[i].extra);
      }
      entries_ = std::move(entries);
      sProjects = std::move(table);
      result = RETURN_OK;
    }
  })) {
    ReportListingFailure(project_db_, kTitle);
    result = RETURN_ERROR;
  }
  CloseRecordset(rs);
  CloseDatabase(db);
  return result;
}

bool clsProjects::GetProjectInfo(const std::string& sJobName, std::int32_t& lJobID, std::string& sJobPath) {
  constexpr const char* kTitle = "clsProjects.GetProjectInfo";
  lJobID = 0;
  sJobPath.clear();
  const std::string name = Trim(sJobName);
  if (name.empty()) return false;
  bool found = false;
  DbHandle db;
  RsHandle rs;
  if (!TryStatement([&] {
    const std::string sql = "SELECT * FROM Job WHERE sJobName=" + SqlTextLiteral(name);
    if (OpenDbAndRecordset(db, rs, project_db_, sql, db::dbOpenDynaset, true, true) != 0) {
      ShowError("", vbExclamation, kTitle);
    } else if (CheckRecordsetValid(rs, false) && !rs->Eof() && UCase(FieldText(*rs, "sJobName")) == UCase(name)) {
      lJobID = static_cast<std::int32_t>(rs->Fields("lJobID").Value().AsLong());
      sJobPath = FieldText(*rs, "sJobPath");
      found = true;
    }
  })) {
    ShowError("", vbExclamation, kTitle);
  }
  CloseRecordset(rs);
  CloseDatabase(db);
  return found;
}

eProjectReturnCode clsProjects::GetAppsWithProjData(const std::string& sProjName, TextTable& sApps) {
  ClearError();
  sApps = TextTable(1, kAppColumns);
  bool listed = false;
  TryStatement([&] {
    std::int32_t id = 0;
    std::string folder;
    if (GetProjectInfo(sProjName, id, folder)) {
      // A project file named after the project wins over the usual name.
      std::string file = AddBackslash(folder) + sProjName + ".QVP";
      if (!FileExists(file)) file = AddBackslash(folder) + "PROJECT.QVP";
      AppList apps;
      if (ReadProjectFileApps(apps, file)) {
        if (!apps.empty()) {
          TextTable table(apps.size(), kAppColumns);
          for (std::size_t i = 0; i < apps.size(); ++i) {
            const std::string& pdsg = apps[i].first;
            table.Set(i, 0, pdsg);
            table.Set(i, 1, apps[i].second);
            table.Set(i, 2, pdsg.size() > 3 ? pdsg.substr(3, 2) : std::string());
          }
          sApps = std::move(table);
        }
        listed = true;
      }
    }
  });
  if (listed) return RETURN_OK;
  ReportListingFailure(project_db_, "GetAppsWithProjData()");
  return RETURN_ERROR;
}

eProjectReturnCode clsProjects::SetSelectedProject(std::int32_t sProjectName) {
  // Matched against the key: the one value of an entry that is a number.
  for (const Entry& entry : entries_) {
    if (entry.id != sProjectName) continue;
    selected_name_ = entry.name;
    selected_path_ = entry.folder;
    selected_id_ = entry.id;
    selected_ = true;
  }
  return selected_ ? RETURN_OK : RETURN_ERROR;
}

}  // namespace pds
