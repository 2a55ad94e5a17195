// Tag names: the rules a final tag name must satisfy, the automatic numbering
// that proposes a free name (Untitled1, Pump(2)), the existence tests, the
// count of selectable tags, the question for a new name, and the repair of
// duplicate names found when a project is opened.
//
// Names are compared without regard to case wherever they are looked up,
// because the tag collections key them that way; the rules count characters
// (UTF-8 code points), not bytes.
#include <cstdint>
#include <memory>
#include <string>

#include "pds/db/dao_constants.h"
#include "pds/db/db_helpers.h"
#include "pds/db/recordset.h"
#include "ui/dialog_messages.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "pds/Controls.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "tags/tag_store.h"
#include "pds/clsUnitTags.h"
#include "tags/tag_statements.h"
#include "ui/boundary_guard.h"

namespace pds {

namespace {

// The provisional name of a new tag: never valid as a final name.
constexpr const char* kUntitled = "Untitled";

// The characters a tag name may not hold; the message quotes this very text.
constexpr const char* kInvalidTagChars = "\"<>:/|\\#!()[]{}'";

// The longest run of trailing digits read as a number. A longer run (only in
// hostile or odd data) is left in the base as text and numbering starts at 1,
// so the number and its increments always fit in 32 bits.
constexpr std::size_t kMaxNumberDigits = 9;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A proposed name split into the parts the numbering rebuilds it from.
struct NumberedName {
  std::string base;
  std::string number_text;  // as written the first time: leading zeros survive
  std::int64_t number = 1;
  bool parens = false;

  std::string Candidate() const {
    return parens ? base + "(" + number_text + ")" : base + number_text;
  }
  void Increment() {
    ++number;
    number_text = std::to_string(number);
  }
};

// Splits a trimmed, non-empty name: a closing parenthesis asks for the
// parenthesised form; the trailing digits are the number, and an opening
// parenthesis right before them goes with it.
NumberedName SplitName(std::string name, bool with_parens) {
  NumberedName split;
  split.parens = with_parens;
  if (!name.empty() && name.back() == ')') {
    split.parens = true;
    name.pop_back();
  } else if (with_parens) {
    name += "(1";
  }
  std::size_t start = name.size();
  while (start > 0 && IsDigit(name[start - 1])) --start;
  const std::size_t digits = name.size() - start;
  if (digits == 0 || digits > kMaxNumberDigits) {
    split.base = name;
    split.number_text = "1";
    split.number = 1;
    return split;
  }
  split.number_text = name.substr(start);
  split.number = std::stoll(split.number_text);
  if (start > 0 && name[start - 1] == '(') --start;
  split.base = name.substr(0, start);
  return split;
}

}  // namespace

std::int32_t TagStore::ValidateTagName(const std::string& sTagName) {
  ClearError();
  std::int32_t result = 0;
  std::string message;
  if (!TryStatement([&] {
    const std::string name = Trim(sTagName);
    if (EqualsNoCase(name, kUntitled)) {
      message = "Invalid Tag name.  Untitled is not allowed as a Tag name.";
    } else if (name.empty()) {
      message = "Invalid Tag name.  Please enter a longer name.";
    } else if (CharCount(name) > TagNameLengthLimit()) {
      message = "Invalid Tag name.  The name is too long.  Please enter a shorter name.";
    } else if (name.front() == '.' || name.back() == '.') {
      message = "Invalid Tag name.  A Tag name cannot begin or end with a period(.).";
    } else if (UCase(name).find_first_of(kInvalidTagChars) != std::string::npos) {
      message = std::string("Invalid Tag name.  One or more invalid characters were used.  ") + "\r\n\r\n" +
                "The following are invalid characters:  " + kInvalidTagChars;
    } else {
      result = -1;
    }
    if (result == 0) ShowError(message, vbExclamation, "ValidateTagName()");
  })) {
    ShowError(message, vbExclamation, "ValidateTagName()");
    result = 0;
  }
  Ui().SetWaitCursor(false);
  return result;
}

std::string TagStore::GetAutoNewTagName(const std::string& sTagType, const std::string& sTagName,
                                                    bool bIncludeParens) {
  ClearError();
  clsUnitTags tags;
  return Guarded("GetAutoNewTagName()", vbExclamation, {}, [&]() -> std::string {
    std::string type = Trim(sTagType);
    if (type.empty()) type = DefTagType();
    const std::string name = Trim(sTagName);
    if (type.empty() || name.empty()) {
      ShowError("", vbExclamation, "GetAutoNewTagName()");
      return {};
    }
    NumberedName candidate = SplitName(name, bIncludeParens);
    if (!LoadUnitTagsCollection(type, tags)) {
      ShowError("", vbExclamation, "GetAutoNewTagName()");
      return {};
    }
    while (tags.Item(candidate.Candidate())) candidate.Increment();
    tags.Clear();
    return candidate.Candidate();
  });
}

bool TagStore::DoesTagExist(const clsUnitTags* Tags, const std::string& sTagName) {
  if (!Tags) return false;
  bool found = false;
  TryStatement([&] { found = Tags->Item(sTagName) != nullptr; });
  return found;
}

bool TagStore::ValidTag(const std::shared_ptr<clsUnitTag>& TagToValidate) {
  return TagToValidate != nullptr;
}

std::int32_t TagStore::AnyTagsToSelect(bool bShowNoTagsMsg, bool bUntitledOK) {
  ClearError();
  return Guarded("AnyTagsToSelect()", vbExclamation, 0, [&]() -> std::int32_t {
    const long count = UnitTags().Count();
    std::int32_t result = static_cast<std::int32_t>(count);
    if (count == 1 && !bUntitledOK) {
      const UnitTagRef only = UnitTags().Item(1L);
      result = only && only->Name() == kUntitled ? 0 : 1;
    }
    if (result == 0 && bShowNoTagsMsg) {
      Ui().MsgBox("There are no Tags to select.", vbInformation | vbOKOnly, "AnyTagsToSelect()");
    }
    return result;
  });
}

bool TagStore::CheckRenameDuplicateTags(const std::string& sTable) {
  ClearError();
  std::string message;
  try {
    std::string table = Trim(sTable);
    if (table.empty()) table = DefTagType();
    if (table.empty()) {
      message = "Default Tag Table was not specified.";
    } else if (InitTagData()) {
      RsHandle rs;
      if (CreateRecordset(dbTag(), rs, "SELECT * FROM " + tags::BracketedName(table) + " ORDER BY lOrder,lTagId",
                          db::dbOpenDynaset)) {
        // The names seen so far own the record set, which goes with them.
        clsUnitTags names;
        clsUnitTags duplicates;
        names.SetRecordset(rs);
        if (!(rs->Bof() && rs->Eof())) {
          for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            const std::string name = Trim(rs->Fields("TagName").Value().AsString());
            const auto id = static_cast<std::int32_t>(rs->Fields("lTagId").Value().AsLong());
            // An unnamed row cannot be told apart from another, so it counts as a duplicate too.
            clsUnitTags& into = name.empty() || names.Item(name) ? duplicates : names;
            into.Add(name, id)->SetTable(table);
          }
        }
        if (duplicates.Count() > 0) RenameDuplicateTags(&duplicates);
        return true;
      }
    }
  } catch (...) {
    CatchToPending();
  }
  ShowError(message, vbCritical, "clsProjectDataServer.CheckRenameDuplicateTags()");
  return false;
}

bool TagStore::RenameDuplicateTags(clsUnitTags* DuplicateTags) {
  ClearError();
  std::string message;
  RsHandle rs;
  try {
    if (!DuplicateTags) {
      message = "Invalid collection class objects.";
    } else {
      if (DuplicateTags->Count() == 0) return true;
      const std::string type = DefTagType();
      const std::string job_name = Project() ? Project()->JobName() : std::string();
      for (const UnitTagRef& entry : *DuplicateTags) {
        const std::string old_name = entry->Name();
        if (!CreateTagRecordset(type, old_name, rs)) {
          message = "Error renaming duplicate Tag.";
          break;
        }
        if (rs->Bof() || rs->Eof()) {
          message = "Error renaming duplicate Tag - Tag not found in recordset. " + old_name;
          break;
        }
        const std::string new_name = Trim(GetAutoNewTagName(type, old_name, true));
        if (new_name.empty()) {
          message = "Error renaming duplicate Tag - could not determine new Tag name.";
          break;
        }
        rs->Edit();
        rs->Fields("TagName").SetValue(new_name);
        rs->Update();
        CloseRecordset(rs);
        Ui().MsgBox("A duplicate Tag name was encountered in project " + job_name + "." + "\r\n" +
                        "The duplicate Tag name has been changed:" + "\r\n\r\n" + "     Old Name:  " + old_name +
                        "\r\n" + "     New Name:  " + new_name,
                    vbExclamation, "Rename Duplicate Tag");
        entry->SetName(new_name);
      }
      if (message.empty()) {
        DuplicateTags->Clear();
        return true;
      }
    }
  } catch (...) {
    CatchToPending();
  }
  CloseRecordset(rs);
  ShowError(message, vbExclamation, "clsProjectDataServer.RenameDuplicateTags");
  return false;
}

}  // namespace pds
