// The application's tag database and the tag collections of the current tag
// type.
//
// dbTag is the working copy of the application's tag database, opened
// exclusively on the first tag operation after a project is opened or saved
// and closed by the save (before its files are copied) and by closing the
// project. UnitTags mirrors the named rows of the table DefTagType as of the
// last ResetTagType or LoadUnitTagsCollection; SelectedTags is emptied
// whenever the tag type is reset.
//
// Every member reports its own failures through the common error reporter
// and answers False; nothing is raised to the caller.
#include <string>

#include "pds/db/dao_constants.h"
#include "pds/db/database.h"
#include "pds/db/db_helpers.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "tags/tag_store.h"
#include "pds/clsUnitTags.h"
#include "files/file_routines.h"
#include "ui/boundary_guard.h"

namespace pds {

namespace {

constexpr const char kInvalidProject[] = "Invalid project object.";
constexpr const char kUntitled[] = "Untitled";

// The name of the application's tag database inside folder. An empty folder
// (an untitled project has no project folder) names no file.
std::string TagDbIn(const std::string& folder, const std::string& tag_db_name) {
  if (Trim(folder).empty()) return {};
  return AddBackslash(folder) + tag_db_name;
}

}  // namespace

bool TagStore::GetTempDbName(std::string& sName) {
  ClearError();
  std::string message;
  try {
    if (!ValidProject(project_)) {
      sName.clear();
      message = kInvalidProject;
    } else {
      sName = TagDbIn(project_->WorkingJobPath(), tag_db_name_);
      if (!sName.empty() && FileExists(sName)) return true;
      message = "Tag database file was not found:" + std::string("\r\n\r\n") + sName;
    }
  } catch (...) {
    CatchToPending();
  }
  ShowError(message, vbCritical, "GetTempDbName()");
  return false;
}

bool TagStore::GetMainDbName(std::string& sName) {
  ClearError();
  try {
    if (ValidProject(project_)) {
      sName = TagDbIn(project_->JobPath(), tag_db_name_);
      return !sName.empty() && FileExists(sName);
    }
    sName.clear();
    ShowError(kInvalidProject, vbCritical, "GetMainDbName()");
  } catch (...) {
    CatchToPending();
    ShowError("", vbCritical, "GetMainDbName()");
  }
  return false;
}

bool TagStore::InitTagData() {
  if (CheckDatabaseValid(db_tag_, false)) return true;
  std::string message;
  try {
    // A handle whose database was closed elsewhere is let go before the reopen.
    CloseDatabase(db_tag_);
    std::string name;
    if (GetTempDbName(name)) {
      if (!OpenDb(db_tag_, name, true, false)) {
        message = "Error opening Tag Database.";
        // The working copy goes when the open fails; the project's own file,
        // of which it is a copy, is the one the user can look at.
        const std::string project_file = TagDbIn(project_->JobPath(), tag_db_name_);
        std::string& description = Err().description;
        const std::size_t at = description.find(name);
        if (!project_file.empty() && at != std::string::npos) description.replace(at, name.size(), project_file);
      } else if (!db_tag_) {
        message = "Invalid database object.";
      } else {
        return true;
      }
    }
  } catch (...) {
    CatchToPending();
  }
  ShowError(message, vbCritical, "InitTagData()");
  return false;
}

bool TagStore::OpenTagData() {
  std::string start = kUntitled;
  return OpenTagData(start);
}

bool TagStore::OpenTagData(std::string& sStartTag) {
  return Guarded("OpenTagData()", vbExclamation, false, [&]() -> bool {
    // DefTagType itself is the argument: the reset trims it in place.
    if (!ResetTagType(def_tag_type_)) {
      ShowError("", vbExclamation, "OpenTagData()");
      return false;
    }
    if (unit_tags_->Count() > 0) return true;
    sStartTag = Trim(sStartTag);
    if (sStartTag.empty()) sStartTag = kUntitled;
    std::string type = def_tag_type_;
    RsHandle first_tag;
    eProjectReturnCode rc = NewTag(type, sStartTag, first_tag, true);
    // Only this reference goes: SelectedTags may hold the same record set.
    first_tag.reset();
    return rc == RETURN_OK;
  });
}

bool TagStore::ResetTagType() {
  std::string keep;
  return ResetTagType(keep);
}

bool TagStore::ResetTagType(std::string& sTagType) {
  return Guarded("ResetTagType()", vbCritical, false, [&]() -> bool {
    sTagType = Trim(sTagType);
    if (!sTagType.empty()) def_tag_type_ = sTagType;
    if (def_tag_type_.empty()) {
      ClearError();
      ShowError("Tag type is not set.", vbCritical, "ResetTagType()");
      return false;
    }
    selected_tags_->Clear();
    return LoadUnitTagsCollection(def_tag_type_, *unit_tags_);
  });
}

bool TagStore::LoadUnitTagsCollection(const std::string& sTagTable, clsUnitTags& Tags) {
  // Copied first: the caller may pass DefTagType or a name the clear releases.
  std::string table = Trim(sTagTable);
  std::string message;
  try {
    Tags.Clear();
    if (table.empty()) table = def_tag_type_;
    if (table.empty()) {
      ClearError();
      message = "Default Tag Table was not specified.";
    } else if (InitTagData()) {
      RsHandle rs;
      // The table name comes from the application; bracketed, a name the
      // engine cannot find fails the open instead of changing the statement.
      if (CreateRecordset(db_tag_, rs, "SELECT * FROM [" + table + "] ORDER BY lOrder", db::dbOpenDynaset)) {
        Tags.SetRecordset(rs);
        if (!(rs->Bof() && rs->Eof())) {
          // Looked up once: a tag table has hundreds of columns and thousands of rows.
          db::Field& name_field = rs->Fields("TagName");
          db::Field& id_field = rs->Fields("lTagId");
          for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            const Variant name = name_field.Value();
            if (name.IsNull() || name.IsEmpty()) continue;
            std::string text = name.AsString();
            if (text.empty()) continue;
            const Variant id = id_field.Value();
            UnitTagRef tag = Tags.Add(text, static_cast<std::int32_t>(id.AsLong()));
            tag->SetTable(table);
          }
        }
        return true;
      }
    }
  } catch (...) {
    CatchToPending();
  }
  ShowError(message, vbCritical, "LoadUnitTagsCollection()");
  return false;
}

}  // namespace pds
