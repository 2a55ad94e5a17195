
#include "pds/PendingError.h"
#include "pds/UiHost.h"
#include "files/file_routines.h"
#include "tests/support/case_names.h"
#include "tests/support/test_support.h"

namespace pds {
namespace {

using namespace std::string_literals;

class NameRulesTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearError(); }
  void TearDown() override { EXPECT_TRUE(host_->Problems().empty()) << ::testing::PrintToString(host_->Problems()); }

  test::ScopedScriptedHost host_;
};

// ---- project names

TEST_F(NameRulesTest, ProjectNameAcceptsBlanksParenthesesAndLowerCase) {
  EXPECT_TRUE(ValidCharsInProjectName("Main plant (phase 2) $%`-@{}~!#._", 0));
  // Only the text before a NUL is the name.
  EXPECT_TRUE(ValidCharsInProjectName("Good\0bad'"s, 0));
}

TEST_F(NameRulesTest, ProjectNameListsEachRefusedCharacterPerOccurrence) {
  const std::string title = "ValidCharsInProjectName()";
  const std::string lead = "Invalid project name.  The following characters cannot be used in a project name:  ";
  host_->ExpectMsgBox(title, lead + "('&,,)").ExpectMsgBox(title, lead + "(é)");
  EXPECT_FALSE(ValidCharsInProjectName("Bob's & Sons, Inc, Ltd", 0));
  EXPECT_FALSE(ValidCharsInProjectName("Café", 0));  // a non-ASCII letter is shown whole
}

TEST_F(NameRulesTest, ProjectNameLengthLimitIsInclusive) {
  const std::string title = "ValidCharsInProjectName()";
  const std::string too_long = "Invalid project name.  The project name is too long.  Please enter a shorter project name.";
  host_->ExpectMsgBox(title, too_long).ExpectMsgBox(title, too_long);
  EXPECT_TRUE(ValidCharsInProjectName(std::string(10, 'A'), 10));
  EXPECT_FALSE(ValidCharsInProjectName(std::string(11, 'A'), 10));

  const int saved = JobNameLengthLimit();
  SetJobNameLengthLimit(12);
  EXPECT_TRUE(ValidCharsInProjectName(std::string(12, 'b'), 0));
  EXPECT_FALSE(ValidCharsInProjectName(std::string(13, 'b'), 0));
  SetJobNameLengthLimit(saved);
}

TEST_F(NameRulesTest, ProjectNameRefusesEmptyAndLeadingPeriod) {
  const std::string title = "ValidCharsInProjectName()";
  host_->ExpectMsgBox(title, "Invalid project name.  The project name is too short.  Please enter a longer project name.")
      .ExpectMsgBox(title, "Invalid project name.  A project name cannot begin with a period.");
  EXPECT_FALSE(ValidCharsInProjectName("\0abc"s, 0));
  EXPECT_FALSE(ValidCharsInProjectName(".hidden", 0));
}

TEST_F(NameRulesTest, CheckProjectNameRefusesEmptyAndUntitled) {
  host_->ExpectMsgBox("Invalid Project Name", "Invalid project name.")
      .ExpectMsgBox("Invalid Project Name", "Invalid project name.  [ untitled ]");
  EXPECT_FALSE(CheckProjectName(""));
  EXPECT_FALSE(CheckProjectName(" untitled "));
  EXPECT_TRUE(CheckProjectName("Untitled 2"));
}

// ---- file and folder names

struct NameCase {
  std::string name;
  std::string message;  // empty: accepted
};

std::string NameOfCase(const ::testing::TestParamInfo<NameCase>& info) { return test::CaseName(info.param.name); }

class ShortFileNameTest : public NameRulesTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(ShortFileNameTest, AppliesEightDotThreeRules) {
  const NameCase& c = GetParam();
  if (!c.message.empty()) host_->ExpectMsgBox("ValidateShortFileName()", c.message);
  EXPECT_EQ(ValidateShortFileName(c.name), c.message.empty());
}

const std::string kTooLong = "Invalid file or folder name.  This name is too long.  Please enter a shorter name.";

INSTANTIATE_TEST_SUITE_P(
    Names, ShortFileNameTest,
    ::testing::Values(
        NameCase{"PROJECT1.QVP", ""}, NameCase{"ABCDEFGH", ""}, NameCase{"lower.txt", ""},
        NameCase{"A'B&C.TX", ""},  // the apostrophe and ampersand project names refuse
        NameCase{"ABCDEFGHI", kTooLong}, NameCase{"ABCDEFGHI.TXT", kTooLong},
        NameCase{".ABC", "Invalid file or folder name.  Period is out of place."},
        NameCase{"NAME.ABCD", "Invalid file or folder name.  Too many characters after the period."},
        NameCase{"NAME.", "Invalid file or folder name.  Period cannot be last character in name."},
        NameCase{"A.B.C", "Invalid file or folder name.  Cannot have multiple periods in a name."},
        NameCase{"MY FILE",
                 "Invalid File or Folder name.  Spaces are invalid in file and folder names on the drive you have "
                 "selected."},
        NameCase{"A+B", "Invalid File or Folder name.  (+)  is not a valid character."}),
    NameOfCase);

class LongFileNameTest : public NameRulesTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(LongFileNameTest, AppliesLongNameRules) {
  const NameCase& c = GetParam();
  if (!c.message.empty()) host_->ExpectMsgBox("ValidateLongFileName()", c.message);
  EXPECT_EQ(ValidateLongFileName(c.name, 12), c.message.empty());
}

const std::string kPeriodEnds =
    "Invalid file or folder name.  A file or folder name cannot begin or end with a period(.).";

INSTANTIATE_TEST_SUITE_P(
    Names, LongFileNameTest,
    ::testing::Values(
        NameCase{"report*?.txt", ""}, NameCase{"My Project &", ""},
        NameCase{"", "Invalid file or folder name.  Please enter a longer name."},
        NameCase{"thirteen_char", "Invalid file or folder name.  The name is too long.  Please enter a shorter name."},
        NameCase{".hidden", kPeriodEnds}, NameCase{"name.", kPeriodEnds},
        NameCase{"a:b", "Invalid file or folder name.  An invalid character(s) was used.  The following are invalid "
                        "characters:  '<>:/|\\\""}),
    NameOfCase);

}  // namespace
}  // namespace pds
