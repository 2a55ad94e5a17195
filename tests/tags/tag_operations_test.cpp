// The tag operations on the Pump Designer sample's tag database (create, open,
// copy, rename, delete, save the provisional "Untitled" tag), and tag names:
// their rules and messages, automatic numbering, the name dialog, repairs.
#include "pds/Controls.h"
#include "pds/UiHost.h"
#include "tests/tags/tag_fixture.h"

namespace pds::test {
namespace {

class TagOpsTest : public TagTest {
 protected:
  void SetUp() override {
    StartWithNewProject();
    Execute(WorkTagDb(), {"DELETE * FROM TagData"});
  }

  eProjectReturnCode New(std::string name, bool show = true, std::string type = "TagData") {
    return server().NewTag(type, name, rs_, show);
  }
  eProjectReturnCode Open(std::string name) { return server().OpenTag(type_, name, rs_); }
  eProjectReturnCode Delete(std::string name, bool show = true) { return server().DeleteTag(type_, name, show); }
  eProjectReturnCode Rename(std::string name, std::string new_name, bool show = true) {
    return server().RenameTag(type_, name, new_name, rs_, show);
  }
  // The name of the tag the record set stands on.
  std::string RsName() { return rs_->Fields("TagName").Value().AsString(); }
  // Every column of the tag's first row, by column name; empty when there is none.
  std::map<std::string, std::string> Row(const std::string& name) {
    std::map<std::string, std::string> row;
    auto db = db::DBEngine().OpenDatabase(WorkTagDb(), false, true);
    auto rs = db->OpenRecordset("SELECT * FROM TagData WHERE TagName='" + FixSqlQuotes(name) + "'", db::dbOpenSnapshot);
    for (int i = 0; !rs->Eof() && i < rs->Fields().Count(); ++i) {
      const Variant v = rs->Fields(i).Value();
      row[rs->Fields(i).Name()] = v.IsNull() ? std::string("<null>") : v.AsString();
    }
    rs->Close();
    db->Close();
    return row;
  }
  // The definitions of TagData (field, default) in the order creation reads them.
  std::vector<std::vector<std::string>> Definitions() {
    return Rows(server().AppDbName(), "SELECT FieldName, [Default] FROM DataDef WHERE DataDef.TableName='TagData'");
  }

  std::string type_ = "TagData";
  RsHandle rs_;
};

TEST_F(TagOpsTest, NewTagNumbersUntitledAndStoresEveryDefaultInThreeBatches) {
  EXPECT_EQ(New(""), RETURN_OK);
  std::string second;
  EXPECT_EQ(server().NewTag(type_, second, rs_), RETURN_OK);
  EXPECT_EQ(second, "Untitled2");
  EXPECT_THAT(TagNames(), ElementsAre("Untitled1", "Untitled2"));
  EXPECT_TRUE(server().Project()->ProjectDirty());
  // The new tag is open: selected, current, and its row in the record set.
  ASSERT_NE(server().SelectedTags().CurrentTag(), nullptr);
  EXPECT_EQ(server().SelectedTags().CurrentTag()->Name(), "Untitled2");
  EXPECT_EQ(RsName(), "Untitled2");
  EXPECT_EQ(server().UnitTags().Count(), 2);

  // 300 definitions: batches of 125, 125 and 50; each one's fields are set.
  const auto defs = Definitions();
  ASSERT_EQ(defs.size(), 300u);
  const auto row = Row("Untitled2");
  for (const auto& def : defs) {
    const std::string& field = def[0];
    if (field == "lTagId" || field == "TagName") continue;
    const std::string& got = row.at(field);
    if (def[1].empty()) {
      EXPECT_NE(got, "<null>") << field;  // dates: the time of creation
    } else if (IsNumericText(def[1])) {
      EXPECT_DOUBLE_EQ(std::stod(got), std::stod(def[1])) << field;
    } else {
      EXPECT_EQ(got, def[1]) << field;
    }
  }
}

TEST_F(TagOpsTest, NewTagOfATakenNameAnswersUserCancel) {
  ASSERT_EQ(New("Pump"), RETURN_OK);
  host_->ExpectMsgBox("CreateNewTagRecord()", "A Tag with this name already exists.  [PUMP]");
  EXPECT_EQ(New(" PUMP "), RETURN_USER_CANCEL);
  EXPECT_EQ(New("Pump", false), RETURN_USER_CANCEL);
  EXPECT_THAT(TagNames(), ElementsAre("Pump"));
}

TEST_F(TagOpsTest, ApostropheNamesAndDefaultsAreStoredAsTheyAre) {
  Execute(server().AppDbName(),
          {"UPDATE DataDef SET [Default]='O''Brien' WHERE TableName='TagData' AND FieldName='sService'",
           "UPDATE DataDef SET [Default]='x'', sModel=''pwned' WHERE TableName='TagData' AND FieldName='sFluid'",
           "UPDATE DataDef SET [Default]='1, lStages=99' WHERE TableName='TagData' AND FieldName='lSpeed'"});
  ASSERT_EQ(New("O'Hara"), RETURN_OK);
  const auto row = Row("O'Hara");
  EXPECT_EQ(row.at("sService"), "O'Brien");
  EXPECT_EQ(row.at("sFluid"), "x', sModel='pwned");
  EXPECT_EQ(row.at("sModel"), "TBD");
  EXPECT_EQ(row.at("lSpeed"), "0");
  EXPECT_EQ(row.at("lStages"), "1");
  EXPECT_EQ(Open("o'hara"), RETURN_OK);
  EXPECT_EQ(RsName(), "O'Hara");
}

TEST_F(TagOpsTest, ADefinitionOfAMissingFieldFailsCreationAndTheNamedRowStays) {
  Execute(server().AppDbName(), {"INSERT INTO DataDef (TableName, FieldName, [Default], Unit, DisplayNever) "
                                 "VALUES ('TagData', 'sNoSuchField', 'x', 0, 0)"});
  host_->ExpectMsgBox("CreateNewTagRecord()", "Item not found in this collection.");
  EXPECT_EQ(New("Broken"), RETURN_ERROR);
  EXPECT_THAT(TagNames(), ElementsAre("Broken"));
}

TEST_F(TagOpsTest, CopyTagNumbersTheCopiesAndTakesOverEveryOtherField) {
  ASSERT_EQ(New("Pump"), RETURN_OK);
  Execute(WorkTagDb(), {"UPDATE TagData SET sModel='X9', lSpeed=2900, bStandby=True WHERE TagName='Pump'"});
  std::string name = "Pump", new_name;
  ASSERT_EQ(server().CopyTag(type_, name, new_name, rs_), RETURN_OK);
  EXPECT_EQ(new_name, "Pump(1)");
  new_name.clear();
  ASSERT_EQ(server().CopyTag(type_, name, new_name, rs_), RETURN_OK);
  EXPECT_EQ(new_name, "Pump(2)");
  EXPECT_EQ(server().SelectedTags().CurrentTag()->Name(), "Pump(2)");

  auto source = Row("Pump"), copy = Row("Pump(2)");
  EXPECT_NE(copy.at("lTagId"), source.at("lTagId"));
  EXPECT_EQ(copy.at("sModel"), "X9");
  source.erase("lTagId"), source.erase("TagName"), copy.erase("lTagId"), copy.erase("TagName");
  EXPECT_EQ(copy, source);

  host_->ExpectMsgBox("CopyTag()", "A Tag with this name already exists.  [pump(1)]");
  new_name = "pump(1)";
  EXPECT_EQ(server().CopyTag(type_, name, new_name, rs_), kReturnTagAlreadyExists);
  host_->ExpectMsgBox("CopyTag()", "The Tag specified does not exist.  [Nope]");
  name = "Nope";
  EXPECT_EQ(server().CopyTag(type_, name, new_name, rs_), kReturnNoTags);
  // Read-only: the plain message box shows even when messages are off.
  server().SetReadOnly(true);
  host_->ExpectMsgBox(DefaultMsgBoxTitle(), "Database is ReadOnly, Record Creation not Allowed");
  EXPECT_EQ(server().CopyTag(type_, name, new_name, rs_, false), RETURN_ERROR);
  EXPECT_THAT(TagNames(), ElementsAre("Pump", "Pump(1)", "Pump(2)"));
}

TEST_F(TagOpsTest, RenameTagRefusesTakenAndMissingNamesAndACancelIsSilent) {
  AddTagRows({"Pump", "Motor"});
  host_->ExpectMsgBox("RenameTag()", "A Tag with this name already exists:  [motor]");
  EXPECT_EQ(Rename("Pump", "motor"), kReturnTagAlreadyExists);
  EXPECT_EQ(Rename("Nope", "motor", false), kReturnNoTags);
  host_->ExpectDialog("frmNew", [](Dialog& d) { d.ClickButton("cmdCancel"); });
  EXPECT_EQ(Rename("Pump", ""), RETURN_USER_CANCEL);
  EXPECT_EQ(Rename("Pump", "P-101"), RETURN_OK);
  EXPECT_THAT(TagNames(), ElementsAre("P-101", "Motor"));
  EXPECT_NE(server().UnitTags().Item("P-101"), nullptr);
  EXPECT_EQ(server().UnitTags().Item("Pump"), nullptr);
}

TEST_F(TagOpsTest, DeleteTagRemovesOneRowAndLetsGoOfTheSelection) {
  AddTagRows({"Pump", "Motor", "Pump"});
  ASSERT_EQ(Open("Motor"), RETURN_OK);
  EXPECT_EQ(Delete("Motor"), RETURN_OK);
  EXPECT_EQ(server().SelectedTags().Count(), 0);
  EXPECT_EQ(server().UnitTags().Item("Motor"), nullptr);
  EXPECT_EQ(Delete("pump"), RETURN_OK);
  EXPECT_THAT(TagNames(), ElementsAre("Pump"));

  host_->ExpectMsgBox("DeleteTagRecord()", "Tag does not exist.  [Nope]");
  EXPECT_EQ(Delete("Nope"), kReturnNoTags);
  server().SetReadOnly(true);
  host_->ExpectMsgBox("DeleteTag()", "Database is ReadOnly,  Record Deletion not Allowed.");
  EXPECT_EQ(Delete("Pump"), RETURN_ERROR);
  EXPECT_EQ(Delete("Pump", false), RETURN_ERROR);
  EXPECT_THAT(TagNames(), ElementsAre("Pump"));
}

TEST_F(TagOpsTest, SaveTagNamesTheProvisionalTagButNotOverATakenName) {
  AddTagRows({"Untitled", "Pump"});
  std::string name = "Untitled";
  ASSERT_EQ(server().OpenTag(type_, name, rs_), RETURN_OK);
  host_->ExpectDialog("frmNew", TypeAndOk("txtName", "P-7"));
  EXPECT_EQ(server().SaveTag(rs_, name), RETURN_OK);
  EXPECT_EQ(name, "P-7");
  EXPECT_TRUE(server().AppDirty());
  EXPECT_THAT(TagNames(), ElementsAre("P-7", "Pump"));
  EXPECT_EQ(RsName(), "P-7");
  // A name that is not provisional is saved as it is.
  EXPECT_EQ(server().SaveTag(rs_, name), RETURN_OK);

  // Overwriting a taken name is refused silently.
  AddTagRows({"Untitled"});
  name = "Untitled";
  ASSERT_EQ(server().OpenTag(type_, name, rs_), RETURN_OK);
  host_->ExpectDialog("frmNew", TypeAndOk("txtName", "Pump"));
  host_->ExpectMsgBox("Duplicate Tag Name Found", "OK to Overwrite Pump?", vbYes);
  EXPECT_EQ(server().SaveTag(rs_, name), kReturnTagAlreadyExists);
  EXPECT_EQ(name, "Untitled");
  EXPECT_THAT(TagNames(), ElementsAre("P-7", "Pump", "Untitled"));
}

TEST_F(TagOpsTest, SaveAllTagsSavesOnlyDirtySelectedUntitledTags) {
  AddTagRows({"Untitled", "Pump"});
  ASSERT_EQ(Open("Pump"), RETURN_OK);
  server().SetAppDirty(true);
  EXPECT_EQ(server().SaveAllTags(rs_), RETURN_OK);  // nothing to save
  EXPECT_FALSE(server().AppDirty());

  server().SelectedTags().CurrentTag()->SetDirty(true);  // dirty, but named
  server().SelectedTags().Add("Untitled", 1)->SetDirty(true);
  host_->ExpectDialog("frmNew", TypeAndOk("txtName", "P-8"));
  EXPECT_EQ(server().SaveAllTags(rs_), RETURN_OK);
  EXPECT_TRUE(server().AppDirty());
  EXPECT_THAT(TagNames(), ElementsAre("P-8", "Pump"));

  server().SetReadOnly(true);
  host_->ExpectMsgBox(DefaultMsgBoxTitle(), "Database is ReadOnly, record changes are not allowed.");
  EXPECT_EQ(server().SaveAllTags(rs_), RETURN_ERROR);
}

// Names and types that would change a statement if they went in as text.
class HostileTagTextTest : public TagOpsTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(HostileTagTextTest, ChangesNoOtherRow) {
  AddTagRows({"Keep"});
  const auto before = Row("Keep");
  const std::string text = GetParam();

  // As a name: created, renamed and deleted as that one row (a name longer than the field is refused).
  const bool fits = text.size() < 255;
  ASSERT_EQ(New(text, false) == RETURN_OK, fits);
  if (fits) {
    EXPECT_THAT(TagNames(), ElementsAre("Keep", text));
    EXPECT_EQ(Rename(text, text + "2", false), RETURN_OK);
    EXPECT_EQ(Delete(text + "2", false), RETURN_OK);
  }
  // As a type: no such table, which the record set's report always shows.
  host_->ExpectMsgBoxContaining(text.find(']') == std::string::npos ? "CreateRecordset()" : "CreateTagRecordset()",
                                "cannot find the input table");
  std::string hostile_type = text, keep = "Keep";
  EXPECT_EQ(server().DeleteTag(hostile_type, keep, false), RETURN_ERROR);
  EXPECT_NE(New("T1", false, text), RETURN_OK);

  EXPECT_THAT(TagNames(), ElementsAre("Keep"));
  EXPECT_EQ(Row("Keep"), before);
}

INSTANTIATE_TEST_SUITE_P(Texts, HostileTagTextTest,
                         ::testing::Values("a'; DELETE * FROM TagData; --", "x' OR '1'='1", "\"quoted\"",
                                           "TagData] SET sModel='x' WHERE 1=1 OR [TagData", "--", ";", "Ünïcødé",
                                           std::string(300, 'n')),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           const std::string& text = info.param;
                           if (text.size() > 40) return "Longer" + std::to_string(text.size());
                           if (text == "--") return std::string("CommentMark");
                           if (text == ";") return std::string("Semicolon");
                           if (static_cast<unsigned char>(text[0]) >= 0x80) return std::string("NonAscii");
                           return CaseName(text);
                         });

const std::string kUntitledMsg = "Invalid Tag name.  Untitled is not allowed as a Tag name.";
const std::string kEmptyMsg = "Invalid Tag name.  Please enter a longer name.";
const std::string kTooLongMsg = "Invalid Tag name.  The name is too long.  Please enter a shorter name.";
const std::string kPeriodMsg = "Invalid Tag name.  A Tag name cannot begin or end with a period(.).";
const std::string kCharsMsg =
    "Invalid Tag name.  One or more invalid characters were used.  \r\n\r\n"
    "The following are invalid characters:  \"<>:/|\\#!()[]{}'";

struct NameCase {
  const char* label;
  std::string name;
  int limit;
  std::string message;  // empty: valid
};

class ValidateTagNameTest : public ::testing::TestWithParam<NameCase> {
 protected:
  void TearDown() override { EXPECT_TRUE(host_->Problems().empty()); }
  ScopedScriptedHost host_;
  clsProjectDataServer server_;
};

TEST_P(ValidateTagNameTest, AppliesTheRulesInOrder) {
  const NameCase& c = GetParam();
  server_.SetTagNameLengthLimit(static_cast<std::int16_t>(c.limit));
  if (!c.message.empty()) host_->ExpectMsgBox("ValidateTagName()", c.message);
  host_->SetWaitCursor(true);
  EXPECT_EQ(server_.ValidateTagName(c.name), c.message.empty() ? -1 : 0);
  EXPECT_FALSE(host_->wait_cursor());
  if (!c.message.empty()) {
    EXPECT_EQ(host_->shown().back().style, vbExclamation);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ValidateTagNameTest,
    ::testing::Values(NameCase{"Punctuation", "Pump-1_A & B", 255, ""}, NameCase{"InnerPeriod", "  P.ump  ", 255, ""},
                      NameCase{"AtLimitAfterTrim", "  ABCDE  ", 5, ""}, NameCase{"OverLimit", "ABCDEF", 5, kTooLongMsg},
                      // Five letters of two bytes each are five characters.
                      NameCase{"MultiByteAtLimit", "\xC3\x84\xC3\x96\xC3\x9C\xC3\x89\xC3\x9F", 5, ""},
                      NameCase{"MultiByteOverLimit", "\xC3\x84\xC3\x96\xC3\x9C\xC3\x89\xC3\x9Fx", 5, kTooLongMsg},
                      NameCase{"Untitled", "UNTITLED", 255, kUntitledMsg}, NameCase{"UntitledNumbered", "Untitled1", 255, ""},
                      NameCase{"Blank", "   ", 255, kEmptyMsg}, NameCase{"LeadingPeriod", ".Pump", 255, kPeriodMsg},
                      NameCase{"TrailingPeriod", "Pump.", 255, kPeriodMsg}, NameCase{"Apostrophe", "O'Hara", 255, kCharsMsg},
                      NameCase{"DoubleQuote", "Say \"Hi\"", 255, kCharsMsg}, NameCase{"Hash", "No#1", 255, kCharsMsg},
                      NameCase{"Backslash", "a\\b", 255, kCharsMsg}),
    ByLabel());

// Tag tables arranged row by row behind the service's back, then reloaded.
class TagNamesTest : public TagTest {
 protected:
  void SetUp() override { StartWithNewProject(); }
  void SetTags(const std::vector<std::string>& names, const std::string& table = "TagData") {
    Execute(WorkTagDb(), {"DELETE * FROM " + table});
    if (!names.empty()) AddTagRows(names, table);
    ASSERT_TRUE(server().ResetTagType());
  }
  std::vector<std::string> SortedTagNames() {
    std::vector<std::string> names = TagNames();
    std::sort(names.begin(), names.end());
    return names;
  }
};

struct AutoNameCase {
  const char* label;
  std::vector<std::string> existing;
  std::string type;
  std::string name;
  bool parens;
  std::string expected;
};

class AutoNewTagNameTest : public TagNamesTest, public ::testing::WithParamInterface<AutoNameCase> {};

TEST_P(AutoNewTagNameTest, ProposesTheFirstFreeName) {
  const AutoNameCase& c = GetParam();
  SetTags({});
  SetTags(c.existing, c.type.empty() ? "TagData" : c.type);
  EXPECT_EQ(server().GetAutoNewTagName(c.type, c.name, c.parens), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Numbering, AutoNewTagNameTest,
    ::testing::Values(AutoNameCase{"FirstUntitled", {}, "", "Untitled", false, "Untitled1"},
                      AutoNameCase{"TakenAnyCase", {"untitled1", "Untitled2"}, "", "Untitled", false, "Untitled3"},
                      AutoNameCase{"NumberedBase", {"Untitled5"}, "", "Untitled5", false, "Untitled6"},
                      AutoNameCase{"TrimmedInParentheses", {}, "", "  Pump ", true, "Pump(1)"},
                      AutoNameCase{"NextInParentheses", {"Pump(1)"}, "TagData", "Pump", true, "Pump(2)"},
                      AutoNameCase{"NumberedInParentheses", {"Pump(3)"}, "", "Pump(3)", false, "Pump(4)"},
                      AutoNameCase{"LeadingZeros", {"Unit007", "Unit8"}, "", "Unit007", false, "Unit9"},
                      AutoNameCase{"OpenParenthesis", {}, "", "Pump(", true, "Pump((1)"},
                      // Only the other tag type's table counts.
                      AutoNameCase{"OtherTagType", {"M(1)"}, "Motor", "M", true, "M(2)"},
                      // A number too long for 32 bits stays text of the base.
                      AutoNameCase{"NumberPast32Bits", {}, "", "Tag12345678901", false, "Tag123456789011"}),
    ByLabel());

TEST_F(TagNamesTest, OnlyTheProvisionalTagLeavesNothingToSelect) {
  SetTags({"Untitled"});
  EXPECT_EQ(server().AnyTagsToSelect(), 0);
  EXPECT_EQ(server().AnyTagsToSelect(false, true), 1);
  host_->ExpectMsgBox("AnyTagsToSelect()", "There are no Tags to select.");
  EXPECT_EQ(server().AnyTagsToSelect(true), 0);
  EXPECT_EQ(host_->shown().back().style, vbInformation);

  SetTags({"Untitled", "Pump", "Valve"});
  EXPECT_EQ(server().AnyTagsToSelect(true), 3);
}

TEST_F(TagNamesTest, DialogRefusesInvalidNamesAndATakenOneUnlessOverwriteIsConfirmed) {
  SetTags({"Pump"});
  host_->ExpectDialog("frmNew", [](Dialog& d) {
    EXPECT_EQ(d.Caption(), "Rename Tag");
    EXPECT_EQ(d.Find<Label>("lblName")->Caption().rfind("Enter Tag Name:", 0), 0u);
    auto* box = d.Find<TextBox>("txtName");
    EXPECT_EQ(box->Text(), "Start");
    d.TypeText("txtName", " pump ");
    d.ClickButton("cmdOK");
    EXPECT_TRUE(d.visible());
    EXPECT_EQ(box->SelLength(), CharCount(box->Text()));
    d.TypeText("txtName", "Bad#");
    d.ClickButton("cmdOK");
    EXPECT_TRUE(d.visible());
    d.TypeText("txtName", " Valve ");
    d.ClickButton("cmdOK");
  });
  host_->ExpectMsgBox("Invalid Tag Name", "A Tag with this name already exists:  [pump]\r\nPlease enter a different name.");
  host_->ExpectMsgBox("ValidateTagName()", kCharsMsg);
  std::string name = "Start";
  EXPECT_EQ(ServerOf(server()).PromptForNewTagName(name, "Rename Tag", false), RETURN_OK);
  EXPECT_EQ(name, "Valve");

  // With overwrite allowed, the dialog asks before it takes an existing name.
  host_->ExpectDialog("frmNew", [](Dialog& d) {
    EXPECT_EQ(d.Caption(), "New Name");
    d.TypeText("txtName", "PUMP");
    d.ClickButton("cmdOK");
    EXPECT_TRUE(d.visible());
    d.ClickButton("cmdOK");
  });
  host_->ExpectMsgBox("Duplicate Tag Name Found", "OK to Overwrite PUMP?", vbNo);
  host_->ExpectMsgBox("Duplicate Tag Name Found", "OK to Overwrite PUMP?", vbYes);
  name.clear();
  EXPECT_EQ(ServerOf(server()).PromptForNewTagName(name, "", true), RETURN_OK);
  EXPECT_EQ(name, "PUMP");

  // Cancel in the question acts as the dialog's Cancel.
  host_->ExpectDialog("frmNew", TypeAndOk("txtName", "Pump"));
  host_->ExpectMsgBox("Duplicate Tag Name Found", "OK to Overwrite Pump?", vbCancel);
  EXPECT_EQ(ServerOf(server()).PromptForNewTagName(name, "Save Tag", true), RETURN_USER_CANCEL);
  EXPECT_EQ(name, "");
}

TEST_F(TagNamesTest, RepeatedNameIsRenamedOnceWithNoticeAndAnUnnamedRowIsLeft) {
  SetTags({"A", "B", "A"});
  host_->ExpectMsgBox("Rename Duplicate Tag",
                      "A duplicate Tag name was encountered in project " + server().Project()->JobName() +
                          ".\r\nThe duplicate Tag name has been changed:\r\n\r\n     Old Name:  A\r\n     New Name:  A(1)");
  EXPECT_TRUE(ServerOf(server()).CheckRenameDuplicateTags(""));
  EXPECT_EQ(host_->shown().back().style, vbExclamation);
  EXPECT_EQ(SortedTagNames(), (std::vector<std::string>{"A", "A(1)", "B"}));
  // Repaired names stay repaired.
  EXPECT_TRUE(ServerOf(server()).CheckRenameDuplicateTags("TagData"));

  // An unnamed row fails its rename, but the check succeeds.
  SetTags({"A", ""});
  host_->ExpectMsgBox("CreateTagRecordset()", "No Tag name was specified.");
  host_->ExpectMsgBox("clsProjectDataServer.RenameDuplicateTags", "Error renaming duplicate Tag.");
  EXPECT_TRUE(ServerOf(server()).CheckRenameDuplicateTags(""));
  EXPECT_EQ(SortedTagNames(), (std::vector<std::string>{"", "A"}));
}

}  // namespace
}  // namespace pds::test
