// The project's descriptive properties in the one-row Properties table of its
// Project.mdb: loading them into a record and saving a record's into it.
// An empty property is stored as one blank, which the record's trimming
// setters turn back into empty text on the way in.
#include <string>

#include "pds/db/dao_constants.h"
#include "pds/db/db_helpers.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "pds/Controls.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "projects/project_store.h"
#include "platform/env.h"
#include "base/date_text.h"
#include "files/file_routines.h"

namespace pds {

namespace {

constexpr const char* kPropertiesSql = "SELECT * FROM Properties";

std::string ProjectDatabaseOf(const clsProject& project) { return AddBackslash(project.JobPath()) + "Project.mdb"; }

// A field's text; Null reads as empty text. Not trimmed: ContactType keeps
// its blanks, and the other setters trim for themselves.
std::string FieldText(db::Recordset& rs, const char* field) { return rs.Fields(field).Value().AsString(); }

std::string BlankWhenEmpty(const std::string& value) { return value.empty() ? std::string(" ") : value; }

}  // namespace

bool ProjectStore::LoadProjectProperties(const ProjectRef& project) {
  constexpr const char* kTitle = "LoadProjectProperties()";
  if (!project) return false;
  ClearError();
  DbHandle db;
  RsHandle rs;
  bool loaded = false;
  try {
    if (project->JobPath().empty()) {
      ShowError("Project path invalid.  No path specified.", vbCritical, kTitle);
      return false;
    }
    // A failed open leaves its error pending for the caller's report.
    if (OpenDbAndRecordset(db, rs, ProjectDatabaseOf(*project), kPropertiesSql, db::dbOpenDynaset, true, false) !=
        0) {
      return false;
    }
    if (!rs->Eof()) {
      rs->MoveFirst();
      project->SetJobName(FieldText(*rs, "sJobName"));
      project->SetJobNumber(FieldText(*rs, "sJobNumber"));
      project->SetContactType(FieldText(*rs, "sContactType"));
      project->SetContactName(FieldText(*rs, "sContactName"));
      project->SetSalesPerson(FieldText(*rs, "sSalesperson"));
      project->SetJobDate(FieldText(*rs, "sDate"));
      project->SetNotes(FieldText(*rs, "sNotes"));
      project->SetLastModified(FieldText(*rs, "sLastModified"));
    }
    loaded = true;
  } catch (...) {
    CatchToPending();
    ShowError("", vbCritical, kTitle);
  }
  CloseRecordset(rs);
  CloseDatabase(db);
  return loaded;
}

bool ProjectStore::SaveProjectProperties(const ProjectRef& project) {
  constexpr const char* kTitle = "SaveProjectProperties()";
  ClearError();
  if (!project) {
    ShowError("Error - No current project object.", vbCritical, kTitle);
    return false;
  }
  DbHandle db;
  RsHandle rs;
  bool saved = false;
  try {
    if (OpenDbAndRecordset(db, rs, ProjectDatabaseOf(*project), kPropertiesSql, db::dbOpenDynaset, true, false) !=
        0) {
      return false;
    }
    if (rs->Eof()) {
      rs->AddNew();
    } else {
      rs->MoveFirst();
      rs->Edit();
    }
    if (!CheckProjectName(project->JobName())) {
      // Nothing of the refused record reaches the table.
      rs->CancelUpdate();
    } else {
      rs->Fields("sJobName").SetValue(Variant(project->JobName()));
      rs->Fields("sJobNumber").SetValue(Variant(BlankWhenEmpty(project->JobNumber())));
      rs->Fields("sContactType").SetValue(Variant(BlankWhenEmpty(project->ContactType())));
      rs->Fields("sContactName").SetValue(Variant(BlankWhenEmpty(project->ContactName())));
      rs->Fields("sSalesperson").SetValue(Variant(BlankWhenEmpty(project->SalesPerson())));
      rs->Fields("sDate").SetValue(Variant(BlankWhenEmpty(project->JobDate())));
      rs->Fields("sNotes").SetValue(Variant(BlankWhenEmpty(project->Notes())));

      // The stamp must fit its field: a field too small for the date and
      // time gets the date alone, and one too small even for that is left out.
      db::Field& stamp_field = rs->Fields("sLastModified");
      const long room = stamp_field.Size();
      const platform::TimePoint now = platform::CurrentEnv()->Now();
      const std::string general = GeneralDateText(now);
      project->SetLastModified(CharCount(general) <= room ? general : ShortDateText(now));
      const std::string stamp = project->LastModified();
      if (!stamp.empty() && CharCount(stamp) <= room) stamp_field.SetValue(Variant(stamp));

      rs->Update();
      saved = true;
    }
  } catch (...) {
    CatchToPending();
    ShowError("", vbCritical, kTitle);
    saved = false;
  }
  CloseRecordset(rs);
  CloseDatabase(db);
  return saved;
}

}  // namespace pds
