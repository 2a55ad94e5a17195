// Tag names: the validation rules and their messages, the automatic
// numbering against a real tag table, the count of selectable tags, the name
// dialog in tag-name mode, and the repair of duplicate names.

#include "pds/Controls.h"
#include "pds/UiHost.h"
#include "tests/support/case_names.h"
#include "tests/support/dialog_steps.h"
#include "tests/support/test_support.h"
#include "tests/tags/tag_fixture.h"

namespace pds::test {
namespace {

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
  StartWithNewProject();
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
  StartWithNewProject();
  SetTags({"Untitled"});
  EXPECT_EQ(server().AnyTagsToSelect(), 0);
  EXPECT_EQ(server().AnyTagsToSelect(false, true), 1);
  host_->ExpectMsgBox("AnyTagsToSelect()", "There are no Tags to select.");
  EXPECT_EQ(server().AnyTagsToSelect(true), 0);
  EXPECT_EQ(host_->shown().back().style, vbInformation);

  SetTags({"Untitled", "Pump", "Valve"});
  EXPECT_EQ(server().AnyTagsToSelect(true), 3);
}

TEST_F(TagNamesTest, DialogWithoutOverwriteRefusesTakenAndInvalidNames) {
  StartWithNewProject();
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
}

TEST_F(TagNamesTest, DialogWithOverwriteAsksBeforeTakingAnExistingName) {
  StartWithNewProject();
  SetTags({"Pump"});
  host_->ExpectDialog("frmNew", [](Dialog& d) {
    EXPECT_EQ(d.Caption(), "New Name");
    d.TypeText("txtName", "PUMP");
    d.ClickButton("cmdOK");
    EXPECT_TRUE(d.visible());
    d.ClickButton("cmdOK");
  });
  host_->ExpectMsgBox("Duplicate Tag Name Found", "OK to Overwrite PUMP?", vbNo);
  host_->ExpectMsgBox("Duplicate Tag Name Found", "OK to Overwrite PUMP?", vbYes);
  std::string name;
  EXPECT_EQ(ServerOf(server()).PromptForNewTagName(name, "", true), RETURN_OK);
  EXPECT_EQ(name, "PUMP");

  // Cancel in the question acts as the dialog's Cancel.
  host_->ExpectDialog("frmNew", TypeAndOk("txtName", "Pump"));
  host_->ExpectMsgBox("Duplicate Tag Name Found", "OK to Overwrite Pump?", vbCancel);
  EXPECT_EQ(ServerOf(server()).PromptForNewTagName(name, "Save Tag", true), RETURN_USER_CANCEL);
  EXPECT_EQ(name, "");
}

TEST_F(TagNamesTest, RepeatedNameIsRenamedOnceWithNotice) {
  StartWithNewProject();
  SetTags({"A", "B", "A"});
  host_->ExpectMsgBox("Rename Duplicate Tag",
                      "A duplicate Tag name was encountered in project " + server().Project()->JobName() +
                          ".\r\nThe duplicate Tag name has been changed:\r\n\r\n     Old Name:  A\r\n     New Name:  A(1)");
  EXPECT_TRUE(ServerOf(server()).CheckRenameDuplicateTags(""));
  EXPECT_EQ(host_->shown().back().style, vbExclamation);
  EXPECT_EQ(SortedTagNames(), (std::vector<std::string>{"A", "A(1)", "B"}));
  // Repaired names stay repaired.
  EXPECT_TRUE(ServerOf(server()).CheckRenameDuplicateTags("TagData"));
}

TEST_F(TagNamesTest, UnnamedRowFailsItsRenameButTheCheckSucceeds) {
  StartWithNewProject();
  SetTags({"A", ""});
  host_->ExpectMsgBox("CreateTagRecordset()", "No Tag name was specified.");
  host_->ExpectMsgBox("clsProjectDataServer.RenameDuplicateTags", "Error renaming duplicate Tag.");
  EXPECT_TRUE(ServerOf(server()).CheckRenameDuplicateTags(""));
  EXPECT_EQ(SortedTagNames(), (std::vector<std::string>{"", "A"}));
}

}  // namespace
}  // namespace pds::test
