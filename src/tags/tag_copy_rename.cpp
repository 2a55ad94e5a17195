// Copying and renaming tags, and saving a tag under a new name. Each looks
// the source up in a private collection of the table's tags (names compared
// without regard to case), refuses a new name that is taken, changes the
// table, and leaves the resulting tag open through OpenTag.
#include <cstdint>
#include <string>

#include "pds/db/dao_constants.h"
#include "pds/db/db_helpers.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "tags/tag_store.h"
#include "pds/clsUnitTags.h"
#include "tags/tag_statements.h"

namespace pds {

using tags::ReportIf;

namespace {

eProjectReturnCode AsReturnCode(std::int32_t code) { return static_cast<eProjectReturnCode>(code); }

void MarkChanged(const ProjectRef& project) {
  if (project) project->SetProjectDirty(true);
}

// Whether a field is one a copy or rename never takes over from another row.
bool IsKeyField(const std::string& name) {
  const std::string upper = UCase(Trim(name));
  return upper == "LTAGID" || upper == "TAGNAME";
}

// The texts of the checks below that differ from one operation to the next.
struct SourceCheckTexts {
  const char* no_type;
  const char* no_name;
};

// The checks copy, rename and save-as start with: the type and the source
// name trimmed in place and given, the type's tags loaded into tags, and the
// source among them (RETURN_NO_TAGS when it is not). The failure's message,
// if it has one of its own, goes to message.
eProjectReturnCode FindSourceTag(TagStore& server, std::string& type, std::string& name,
                                 clsUnitTags& tags, const SourceCheckTexts& texts, std::string& message) {
  type = Trim(type);
  name = Trim(name);
  if (type.empty()) {
    message = texts.no_type;
    return RETURN_ERROR;
  }
  if (name.empty()) {
    message = texts.no_name;
    return RETURN_ERROR;
  }
  if (!server.LoadUnitTagsCollection(type, tags)) return RETURN_ERROR;
  if (!tags.Item(name)) {
    message = "The Tag specified does not exist.  " + InBrackets(name);
    return AsReturnCode(kReturnNoTags);
  }
  return RETURN_OK;
}

}  // namespace

eProjectReturnCode TagStore::CopyTag(std::string& sTagType, std::string& sTagName,
                                                 std::string& sNewTagName, RsHandle& rsTag, bool bShowMsgs) {
  ClearError();
  if (read_only_) {
    // Shown whatever bShowMsgs says.
    Ui().MsgBox("Database is ReadOnly, Record Creation not Allowed", vbOKOnly, DefaultMsgBoxTitle());
    return RETURN_ERROR;
  }
  std::string message;
  clsUnitTags tags;
  RsHandle source;
  const auto copy = [&]() -> eProjectReturnCode {
    const eProjectReturnCode found = FindSourceTag(
        *this, sTagType, sTagName, tags,
        {"Could not copy Tag.  No Tag type was specified.", "Could not copy Tag.  No Tag name was specified."},
        message);
    if (found != RETURN_OK) return found;
    sNewTagName = Trim(sNewTagName);
    if (const std::size_t nul = sNewTagName.find('\0'); nul != std::string::npos) sNewTagName.resize(nul);
    if (sNewTagName.empty()) {
      sNewTagName = GetAutoNewTagName(sTagType, sTagName, true);
      // GetAutoNewTagName has reported why it found no name.
      if (sNewTagName.empty()) return RETURN_ERROR;
    }
    if (DoesTagExist(&tags, sNewTagName)) {
      message = "A Tag with this name already exists.  " + InBrackets(sNewTagName);
      return AsReturnCode(kReturnTagAlreadyExists);
    }
    tags.Clear();
    if (!CreateTagRecordset(sTagType, sTagName, source) || !CreateTagRecordset(sTagType, sTagName, rsTag)) {
      return RETURN_ERROR;
    }

    // Field by position: the new row's field i takes the source's field i.
    rsTag->AddNew();
    (void)rsTag->Fields("lTagId").Value();  // numbered already, before the row is stored
    rsTag->Fields("TagName").SetValue(Variant(sNewTagName));
    db::FieldCollection& from = source->Fields();
    const int count = from.Count();
    for (int i = 0; i < count; ++i) {
      const std::shared_ptr<db::Field> field = from.Item(i);
      if (!IsKeyField(field->Name())) rsTag->Fields(i).SetValue(field->Value());
    }
    rsTag->Update();

    MarkChanged(project_);
    if (OpenTag(sTagType, sNewTagName, rsTag, true) == RETURN_ERROR) return RETURN_ERROR;
    return RETURN_OK;
  };

  const eProjectReturnCode result = GuardedQuiet(RETURN_ERROR, copy);
  CloseRecordset(source);
  tags.Clear();
  if (result != RETURN_OK) ReportIf(bShowMsgs, message, vbCritical, "CopyTag()");
  return result;
}

eProjectReturnCode TagStore::RenameTag(std::string& sTagType, std::string& sTagName,
                                                   std::string& sNewTagName, RsHandle& rsTag, bool bShowMsgs) {
  ClearError();
  std::string message;
  clsUnitTags tags;
  bool quiet = false;  // a cancelled name dialog answers without a word
  const auto rename = [&]() -> eProjectReturnCode {
    const eProjectReturnCode found = FindSourceTag(
        *this, sTagType, sTagName, tags, {"Cannot rename Tag.  No Tag type was specified.", "No Tag name was specified."},
        message);
    if (found != RETURN_OK) return found;
    sNewTagName = Trim(sNewTagName);
    if (sNewTagName.empty()) {
      sNewTagName = sTagName;
      const eProjectReturnCode asked = PromptForNewTagName(sNewTagName, "Rename Tag", false);
      if (asked == RETURN_USER_CANCEL) quiet = true;
      if (asked != RETURN_OK) return asked;
    }
    if (DoesTagExist(&tags, sNewTagName)) {
      message = "A Tag with this name already exists:  " + InBrackets(sNewTagName);
      return AsReturnCode(kReturnTagAlreadyExists);
    }
    tags.Clear();
    if (!CreateTagRecordset(sTagType, sTagName, rsTag)) return RETURN_ERROR;
    if (rsTag->Eof()) {
      message = "Tag to rename could not be found.  " + InBrackets(sTagName);
      return RETURN_ERROR;
    }
    (void)rsTag->Fields("lTagId").Value();
    rsTag->Edit();
    rsTag->Fields("TagName").SetValue(Variant(sNewTagName));
    rsTag->Update();
    MarkChanged(project_);
    CloseRecordset(rsTag);
    if (OpenTag(sTagType, sNewTagName, rsTag, true) == RETURN_ERROR) return RETURN_ERROR;
    return RETURN_OK;
  };

  const eProjectReturnCode result = GuardedQuiet(RETURN_ERROR, rename);
  tags.Clear();
  if (result != RETURN_OK) ReportIf(bShowMsgs && !quiet, message, vbCritical, "RenameTag()");
  return result;
}

eProjectReturnCode TagStore::SaveTagAs(std::string& sTagType, const std::string& sTagName,
                                                   std::string& sNewTagName, RsHandle& rsTag, bool bShowMsgs) {
  ClearError();
  std::string message;
  std::string name = Trim(sTagName);
  // Checked here; what follows (the name dialog, the copy) reports for itself.
  const auto check = [&]() -> bool {
    clsUnitTags tags;
    // A missing source is a plain failure here, not RETURN_NO_TAGS.
    return FindSourceTag(*this, sTagType, name, tags, {"No Tag type was specified.", "No Tag name was specified."},
                         message) == RETURN_OK;
  };

  bool checked = false;
  TryStatement([&] {
    checked = check();
  });
  if (!checked) {
    ReportIf(bShowMsgs, message, vbCritical, "SaveTagAs()");
    return RETURN_ERROR;
  }

  sNewTagName = Trim(sNewTagName);
  if (sNewTagName.empty()) {
    sNewTagName = name;
    const eProjectReturnCode asked = PromptForNewTagName(sNewTagName, "Save Tag As", false);
    if (asked != RETURN_OK) return asked;
  }
  const eProjectReturnCode result = CopyTag(sTagType, name, sNewTagName, rsTag, bShowMsgs);
  if (result == RETURN_OK) MarkChanged(project_);
  return result;
}

}  // namespace pds
