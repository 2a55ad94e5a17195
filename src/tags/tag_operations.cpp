// The tag operations that make, open, delete and save tags: the record set
// of one tag, a new row filled with the data definitions' defaults, and the
// deletion of a row, each keeping UnitTags and SelectedTags in step with the
// table. Copying and renaming are in tag_copy_rename.cpp.
//
// Every operation starts with a clear error state, answers an
// eProjectReturnCode (plus -3 "no such tag" and -4 "name taken"), and reports
// through ShowError only when its bShowMsgs is set, except for the few
// reports that always show (said where they happen).
#include <cstdint>
#include <string>
#include <unordered_map>

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
#include "tags/tag_store.h"
#include "pds/clsUnitTags.h"
#include "tags/tag_statements.h"
#include "engine/field_values.h"

namespace pds {

using tags::BracketedName;
using tags::ReportIf;

namespace {

// Definitions assigned per UPDATE of a new tag's defaults; the rows of lTagId
// and TagName count towards it although they are never assigned.
constexpr int kDefaultsPerStatement = 125;

eProjectReturnCode AsReturnCode(std::int32_t code) { return static_cast<eProjectReturnCode>(code); }


bool IsKeyField(const std::string& upper_name) { return upper_name == "LTAGID" || upper_name == "TAGNAME"; }

std::string DoubleApostrophes(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 4);
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out;
}

// The SQL literal of a definition's default for a field of `type`, built by
// FormatSqlValue. Text has its apostrophes doubled first, so the stored value
// is the definition's text itself; the kinds FormatSqlValue passes through
// unchanged must read as a number or become 0, so no default can add to the
// statement. False when FormatSqlValue reported an error.
bool DefaultLiteral(int type, const Variant& text, std::string& literal) {
  Variant value = db::IsTextType(type) ? Variant(DoubleApostrophes(text.AsString())) : text;
  const bool ok = FormatSqlValue(type, value);
  if (db::IsTextType(type) || type == db::dbBoolean || type == db::dbDate) {
    literal = value.AsString();
  } else {
    literal = value.IsNumeric() ? Trim(value.AsString()) : std::string("0");
  }
  return ok;
}

void MarkChanged(const ProjectRef& project) {
  if (project) project->SetProjectDirty(true);
}

}  // namespace

bool TagStore::CreateTagRecordset(const std::string& sTagType, const std::string& sTagName,
                                              RsHandle& rsTag) {
  ClearError();
  std::string message;
  bool created = false;
  if (!TryStatement([&] {
    const std::string type = Trim(sTagType);
    const std::string name = Trim(sTagName);
    if (type.empty()) {
      message = "No Tag type was specified.";
    } else if (name.empty()) {
      message = "No Tag name was specified.";
    } else if (InitTagData()) {
      CloseRecordset(rsTag);
      created = CreateRecordset(
          db_tag_, rsTag, "SELECT * FROM " + BracketedName(type) + " WHERE TagName=" + SqlTextLiteral(name),
          db::dbOpenDynaset);
    }
  })) {
    created = false;
  }
  if (!created) {
    // Shown whatever the calling operation's bShowMsgs says.
    ShowError(message, vbExclamation, "CreateTagRecordset()");
    CloseRecordset(rsTag);
  }
  return created;
}

eProjectReturnCode TagStore::CreateNewTagRecord(const std::string& sTagType, const std::string& sTagName,
                                                            RsHandle& rsTag, bool bShowMsgs) {
  ClearError();
  static const std::string kTitle = "CreateNewTagRecord()";
  std::string message;
  RsHandle defs;
  const auto create = [&]() -> eProjectReturnCode {
    const std::string type = Trim(sTagType);
    const std::string name = Trim(sTagName);
    if (type.empty()) {
      message = "Cannot create new Tag.  No Tag type was specified.";
      return RETURN_ERROR;
    }
    if (name.empty()) {
      message = "Cannot create new Tag.  No Tag name was specified.";
      return RETURN_ERROR;
    }
    if (!InitTagData()) return RETURN_ERROR;
    if (!CheckDatabaseValid(app_db_, false)) {
      CloseDatabase(app_db_);
      if (!OpenDb(app_db_, AppDbName(), true, false)) return RETURN_ERROR;
    }
    if (!CreateRecordset(app_db_, defs, "SELECT * FROM DataDef WHERE DataDef.TableName=" + SqlTextLiteral(type),
                         db::dbOpenDynaset) ||
        !CheckRecordsetValid(defs, false)) {
      return RETURN_ERROR;
    }
    if (defs->Eof()) {
      message = "No data definition records were found for table:  " + InBrackets(type);
      return RETURN_ERROR;
    }
    defs->MoveFirst();
    if (!CreateTagRecordset(type, name, rsTag)) return RETURN_ERROR;
    if (!rsTag->Eof()) {
      message = "A Tag with this name already exists.  " + InBrackets(name);
      return RETURN_USER_CANCEL;
    }

    rsTag->AddNew();
    (void)rsTag->Fields("lTagId").Value();  // numbered already, before the row is stored
    rsTag->Fields("TagName").SetValue(Variant(name));
    rsTag->Update();

    // The tag table's field types by upper-case name, and the definition
    // columns, looked up once for all the definitions.
    std::unordered_map<std::string, int> field_types;
    for (const auto& field : rsTag->Fields()) field_types.emplace(UCase(field->Name()), field->Type());
    db::Field& def_field_name = defs->Fields("FieldName");
    db::Field& def_default = defs->Fields("Default");
    const std::string table = BracketedName(type);
    const std::string where = " WHERE TagName=" + SqlTextLiteral(name);

    // One UPDATE per batch of definitions, until the definitions run out. A
    // failed batch leaves the row with the defaults of the earlier ones.
    while (!defs->Eof()) {
      std::string sql = "UPDATE " + table + " SET ";
      bool assigned = false;
      for (int taken = 0; taken < kDefaultsPerStatement && !defs->Eof(); ++taken, defs->MoveNext()) {
        const std::string field = Trim(GetFieldValue(def_field_name).AsString());
        const std::string upper = UCase(field);
        const auto found = field_types.find(upper);
        if (found == field_types.end()) db::RaiseJet(db::kErrItemNotFound);
        std::string literal;
        if (!DefaultLiteral(found->second, GetFieldValue(def_default), literal)) {
          // Shown whatever bShowMsgs says; the remaining defaults still go in.
          ShowError("Error in SqlValuePrep Function", vbCritical, kTitle);
        }
        if (IsKeyField(upper)) continue;
        sql += table + "!" + BracketedName(field) + "=" + literal + ", ";
        assigned = true;
      }
      // A batch of only lTagId and TagName has nothing to store.
      if (!assigned) continue;
      sql = Trim(sql);
      if (!sql.empty() && sql.back() == ',') sql.pop_back();
      db_tag_->Execute(sql + where, db::dbFailOnError);
      const std::int64_t affected = db_tag_->RecordsAffected();
      if (affected > 1) {
        message = "Expected one record update; however, records affected = " + std::to_string(affected) + ".";
        return RETURN_ERROR;
      }
      if (affected == 0) {
        message =
            "Error adding default values; confirm that DataDef table has correct values for the Tag data types "
            "and that no spaces exist in field names.";
        return RETURN_ERROR;
      }
    }
    CloseRecordset(defs);
    if (!rsTag->Eof() || !rsTag->Bof()) rsTag->MoveFirst();
    return RETURN_OK;
  };

  const eProjectReturnCode result = GuardedQuiet(RETURN_ERROR, create);
  CloseRecordset(defs);
  if (result != RETURN_OK) ReportIf(bShowMsgs, message, vbCritical, kTitle);
  return result;
}

eProjectReturnCode TagStore::NewTag(std::string& sTagType, std::string& sNewTagName, RsHandle& rsTag,
                                                bool bShowMsgs) {
  ClearError();
  std::string message;
  eProjectReturnCode result = RETURN_ERROR;
  if (!TryStatement([&] {
    sTagType = Trim(sTagType);
    if (sTagType.empty()) {
      message = "No Tag type was specified.";
    } else {
      sNewTagName = Trim(sNewTagName);
      if (sNewTagName.empty()) sNewTagName = "Untitled";
      if (sNewTagName.compare(0, 8, "Untitled") == 0) sNewTagName = GetAutoNewTagName(sTagType, sNewTagName, false);
      MarkChanged(project_);
      result = CreateNewTagRecord(sTagType, sNewTagName, rsTag, bShowMsgs);
      if (result == RETURN_OK) {
        CloseRecordset(rsTag);
        if (OpenTag(sTagType, sNewTagName, rsTag, true) == RETURN_ERROR) result = RETURN_ERROR;
      }
    }
  })) {
    result = RETURN_ERROR;
  }
  if (result != RETURN_OK && result != RETURN_USER_CANCEL) ReportIf(bShowMsgs, message, vbCritical, "NewTag()");
  Ui().SetWaitCursor(false);
  return result;
}

eProjectReturnCode TagStore::OpenTag(std::string& sTagType, std::string& sTagName, RsHandle& rsTag,
                                                 bool bShowMsgs) {
  ClearError();
  std::string message;
  eProjectReturnCode result = RETURN_ERROR;
  if (!TryStatement([&] {
    sTagType = Trim(sTagType);
    sTagName = Trim(sTagName);
    if (sTagType.empty()) {
      message = "No Tag type was specified.";
    } else if (sTagName.empty()) {
      message = "Cannot open Tag.  No Tag name was specified.";
    } else if (!ResetTagType(sTagType)) {
      // ResetTagType has reported.
    } else if (const UnitTagRef tag = unit_tags_->Item(sTagName); !tag) {
      message = "Tag was not found.  " + InBrackets(sTagName);
      result = AsReturnCode(kReturnNoTags);
    } else {
      const UnitTagRef selected = selected_tags_->Add(tag->Name(), tag->Index());
      selected->SetTable(tag->Table());
      selected_tags_->SetCurrentTag(selected);
      // A record set that cannot be opened has been reported by
      // CreateTagRecordset; the tag is open all the same.
      if (CreateTagRecordset(sTagType, sTagName, rsTag)) selected_tags_->SetRecordset(rsTag);
      result = RETURN_OK;
    }
  })) {
    result = RETURN_ERROR;
  }
  if (result != RETURN_OK) ReportIf(bShowMsgs, message, vbCritical, "OpenTag()");
  return result;
}

eProjectReturnCode TagStore::DeleteTagRecord(const std::string& sTagType, const std::string& sTagName,
                                                         bool bShowMsgs) {
  ClearError();
  std::string message;
  eProjectReturnCode result = RETURN_ERROR;
  RsHandle rs;
  if (!TryStatement([&] {
    const std::string type = Trim(sTagType);
    const std::string name = Trim(sTagName);
    if (type.empty()) {
      message = "Cannot delete Tag record.  No Tag type was specified.";
    } else if (name.empty()) {
      message = "Cannot delete Tag record.  No Tag name was specified.";
    } else if (!InitTagData() || !CreateTagRecordset(type, name, rs)) {
      // Reported where it failed.
    } else if (rs->Eof()) {
      message = "Tag does not exist.  " + InBrackets(name);
      result = AsReturnCode(kReturnNoTags);
    } else {
      // Only the first row of the name goes.
      rs->MoveFirst();
      rs->Delete();
      result = RETURN_OK;
    }
  })) {
    result = RETURN_ERROR;
  }
  CloseRecordset(rs);
  if (result != RETURN_OK) ReportIf(bShowMsgs, message, vbCritical, "DeleteTagRecord()");
  return result;
}

eProjectReturnCode TagStore::DeleteTag(std::string& sTagType, std::string& sTagName, bool bShowMsgs) {
  ClearError();
  std::string message;
  eProjectReturnCode result = RETURN_ERROR;
  if (!TryStatement([&] {
    if (read_only_) {
      message = "Database is ReadOnly,  Record Deletion not Allowed.";
    } else {
      sTagType = Trim(sTagType);
      sTagName = Trim(sTagName);
      if (sTagType.empty()) {
        message = "No Tag type was specified.";
      } else if (sTagName.empty()) {
        message = "No Tag name was specified.";
      } else {
        MarkChanged(project_);
        result = DeleteTagRecord(sTagType, sTagName, bShowMsgs);
        // Deleting a tag of the current type reloads its tags and lets go of
        // the selection when the tag was in it.
        if (result == RETURN_OK && EqualsNoCase(sTagType, Trim(def_tag_type_))) {
          if (!LoadUnitTagsCollection(def_tag_type_, *unit_tags_)) {
            result = RETURN_ERROR;
          } else if (selected_tags_->Item(sTagName)) {
            selected_tags_->Clear();
          }
        }
      }
    }
  })) {
    result = RETURN_ERROR;
  }
  if (result != RETURN_OK) ReportIf(bShowMsgs, message, vbCritical, "DeleteTag()");
  Ui().SetWaitCursor(false);
  return result;
}

eProjectReturnCode TagStore::SaveTag(RsHandle& rsTag, std::string& sTagName) {
  ClearError();
  eProjectReturnCode result = RETURN_ERROR;
  try {
    // Only a tag with the provisional name needs one; every other tag is
    // stored row by row already.
    if (EqualsNoCase(Trim(sTagName), "Untitled")) {
      std::string new_name = sTagName;
      result = PromptForNewTagName(new_name, "Save Tag", true);
      if (result != RETURN_OK) return result;
      std::string type = def_tag_type_;
      std::string old_name = sTagName;
      result = RenameTag(type, old_name, new_name, rsTag, false);
      if (result != RETURN_OK) return result;
      if (CheckRecordsetValid(rsTag, false) && !rsTag->Eof()) {
        const auto id = static_cast<std::int32_t>(rsTag->Fields("lTagId").Value().AsLong());
        if (!unit_tags_->Item(new_name)) unit_tags_->Add(new_name, id);
      }
      sTagName = new_name;
    }
    app_dirty_ = true;
    result = RETURN_OK;
  } catch (...) {
    CatchToPending();
    ShowError("", vbCritical, "SaveTag()");
    result = RETURN_ERROR;
  }
  return result;
}

eProjectReturnCode TagStore::SaveAllTags(RsHandle& rsTag) {
  ClearError();
  if (read_only_) {
    // Shown whatever the application asked for.
    Ui().MsgBox("Database is ReadOnly, record changes are not allowed.", vbOKOnly, DefaultMsgBoxTitle());
    return RETURN_ERROR;
  }
  eProjectReturnCode result = RETURN_ERROR;
  try {
    if (!InitTagData() || !CheckRecordsetValid(rsTag, false)) return RETURN_ERROR;
    bool saved = false;
    // Saving renames the tag and reopens it, which refills SelectedTags: the
    // count is taken once, and positions past the new end find nothing.
    const long count = selected_tags_->Count();
    for (long i = 1; i <= count; ++i) {
      const UnitTagRef tag = selected_tags_->Item(i);
      if (!ValidTag(tag) || tag->Name() != "Untitled" || !tag->Dirty()) continue;
      std::string name = tag->Name();
      const eProjectReturnCode saved_one = SaveTag(rsTag, name);
      if (saved_one == RETURN_USER_CANCEL) return RETURN_USER_CANCEL;
      if (saved_one != RETURN_OK) {
        ShowError("", vbCritical, "SaveAllTags()");
        return saved_one;
      }
      tag->SetDirty(false);
      saved = true;
    }
    rsTag->Requery();
    app_dirty_ = saved;
    result = RETURN_OK;
  } catch (...) {
    CatchToPending();
    ShowError("", vbCritical, "SaveAllTags()");
    result = RETURN_ERROR;
  }
  return result;
}

}  // namespace pds
