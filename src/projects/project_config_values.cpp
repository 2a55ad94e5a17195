// Project configuration values: rows of a project database's Config table,
// keyed by designation and key, mirrored into the project file's section
// "<designation> Config" so that the values travel with the project folder.
//
// The database row is written first and the project file second; a failure
// of the file write leaves the row written and reports the failure, so a
// caller that retries writes the same row again. Keys and designations are
// quoted with their apostrophes doubled, so no key can reach another row.
#include <optional>
#include <string>

#include "config/config_table.h"
#include "pds/db/dao_constants.h"
#include "pds/db/database.h"
#include "pds/db/db_helpers.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "engine/sql_text.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "projects/project_store.h"
#include "files/file_routines.h"
#include "platform/env.h"
#include "projects/project_file.h"

namespace pds {

namespace {

const char kProjectFileName[] = "PROJECT.QVP";
constexpr long kErrObjectNotSet = 91;

std::string MirrorSection(const std::string& pdsg) { return Trim(pdsg + " " + "Config"); }

// The project file of a project that has a folder; empty for one that has
// none (an untitled project), whose values have no file to go to.
std::string ProjectFileOf(const ProjectRef& project) {
  if (!project || Trim(project->JobPath()).empty()) return {};
  return AddBackslash(project->JobPath()) + kProjectFileName;
}

// The current project's database when its file exists; empty otherwise. No
// current project means no value and no message, so the validity is tested
// before asking GetProjDbName, which would report it.
std::string CurrentProjectDbName(ProjectStore& server) {
  if (!server.ValidProject(server.Project())) return {};
  std::string name;
  return server.GetProjDbName(name) ? Trim(name) : std::string();
}

}  // namespace

std::int32_t ProjectStore::SetProjConfigValue(const std::string& sProjectDb, const std::string& sKey,
                                                      const std::string& sValue, const std::string& sPdsg) {
  ClearError();
  std::string message;
  try {
    std::string db_path = Trim(sProjectDb);
    if (db_path.empty() && ValidProject(project_)) db_path = Trim(project_->ProjectDbPath());
    std::string pdsg = Trim(sPdsg).empty() ? Pdsg() : sPdsg;
    if (db_path.empty()) {
      message = "Project database file was not specified.";
    } else if (!Trim(sKey).empty() && !Trim(pdsg).empty() && WriteConfigRow(db_path, pdsg, sKey, sValue)) {
      // The file gets the value as given: the blank stands in only where the
      // database needs it.
      const bool valid = ValidProject(project_);
      const std::string file = valid ? ProjectFileOf(project_) : std::string();
      if (file.empty()) {
        // No project file to mirror into: no current project at all, or one
        // that was never saved and has no folder yet.
        if (valid) {
          SetLastOsError(platform::kErrPathNotFound);
        } else {
          SetError(kErrObjectNotSet, "Object variable or With block variable not set");
        }
      } else if (WritePPS(MirrorSection(pdsg), sKey, sValue, file)) {
        return -1;
      }
    }
  } catch (...) {
    CatchToPending();
  }
  ShowError(message, vbExclamation, "SetProjConfigValue()");
  return 0;
}

std::int32_t ProjectStore::GetProjConfigValue(const std::string& sKey, std::string& sRetValue,
                                                      const std::string& sDefault, const std::string& sPdsg) {
  // Copied before sRetValue is cleared: the caller's variable may be its own default.
  const std::string default_value = sDefault;
  sRetValue.clear();
  bool found = false;
  if (!Trim(sKey).empty()) {
    const std::string db_path = CurrentProjectDbName(*this);
    found = !db_path.empty() && ReadConfigRow(db_path, sPdsg.empty() ? Pdsg() : sPdsg, sKey, &sRetValue);
  }
  // No message: a value that cannot be read is a value not found.
  ClearError();
  if (!found && !default_value.empty()) sRetValue = default_value;
  return found ? -1 : 0;
}

std::int32_t ProjectStore::DeleteProjConfigValue(const std::string& sKey, const std::string& sPdsg) {
  ClearError();
  DbHandle db;
  std::int32_t result = 0;
  TryStatement([&] {
    const std::string pdsg = Trim(sPdsg).empty() ? Pdsg() : Trim(sPdsg);
    const std::string key = Trim(sKey);
    const std::string file = ValidProject(project_) ? ProjectFileOf(project_) : std::string();
    if (!file.empty() && !key.empty() && !pdsg.empty() &&
        WritePPS(MirrorSection(pdsg), sKey, std::optional<std::string>(std::string()), file) &&
        OpenDb(db, project_->ProjectDbPath(), true, false)) {
      db->Execute(std::string("DELETE * FROM Config") + " WHERE " + "sPdsg" + " = " + SqlTextLiteral(pdsg) + " AND " +
                      "sKey" + " = " + SqlTextLiteral(sKey),
                  db::dbFailOnError);
      result = -1;
    }
  });
  CloseDatabase(db);
  if (result == 0) ShowError("", vbExclamation, "clsProjectDataServer.DeleteProjConfigValue");
  return result;
}

}  // namespace pds
