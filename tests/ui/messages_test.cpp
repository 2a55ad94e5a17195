// Messages as the user sees them: error reports, quoting and line breaks; text printed by the hosts, control
// characters and bytes that are not UTF-8 escaped; and the boundary public members run behind, reporting what
// a body raises under the member's title and returning its failure value.
#include <stdexcept>

#include "pds/PendingError.h"
#include "pds/UiHost.h"
#include "pds/VisibleText.h"
#include "platform/errors.h"
#include "tests/support/test_support.h"
#include "ui/boundary_guard.h"
#include "ui/messages.h"

namespace pds {
namespace {

// What the common reporter shows for a message, the pending error and the last system error code; both
// errors are cleared when something was shown, and left alone when nothing was.
struct ShowErrorCase {
  const char* label;
  std::string message;
  std::string title;
  long number;  // the pending error, with its description
  std::string description;
  int os_error;
  std::string shown_title;  // empty: nothing is shown
  std::string shown_text;   // "{}" stands for the system's text of os_error
};

class ShowErrorTest : public ::testing::TestWithParam<ShowErrorCase> {
 protected:
  void TearDown() override { ClearError(); }
  test::ScopedScriptedHost host_;
};

TEST_P(ShowErrorTest, ShowsMessageAndErrorTextsAndClearsWhatItShowed) {
  const ShowErrorCase& c = GetParam();
  ClearError();
  SetLastOsError(c.os_error);
  Err().number = c.number;
  Err().description = c.description;
  const std::string system_text = c.os_error ? platform::SystemErrorMessage(c.os_error) : "";
  ASSERT_EQ(system_text.empty(), c.os_error == 0) << "the system has a text for error " << c.os_error;
  if (!c.shown_title.empty()) host_->ExpectMsgBox(c.shown_title, test::Fill(c.shown_text, system_text));
  ShowError(c.message, vbExclamation, c.title);
  EXPECT_TRUE(host_->Problems().empty());
  if (c.shown_title.empty()) {
    EXPECT_TRUE(host_->shown().empty());
    EXPECT_EQ(Err().description, c.description);
  } else {
    EXPECT_EQ(host_->shown().at(0).style, vbExclamation);
    EXPECT_EQ(Err().number, 0);
    EXPECT_EQ(Err().last_os_error, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShowErrorTest,
    ::testing::Values(
        // A description without a number is not an error.
        ShowErrorCase{"NothingToShow", "", "Proc()", 0, "kept", 0, "", ""},
        ShowErrorCase{"OnlyTheDescription", "", "Proc()", 5, "Invalid procedure call or argument", 0, "Proc()",
                      "Invalid procedure call or argument"},
        ShowErrorCase{"SystemCodeAndText", "Copy failed.", "CopyFile()", 0, "", 5, "CopyFile()",
                      "Copy failed.\r\n\nError 5  -  {}"},
        ShowErrorCase{"PendingNumberWinsOverSystemCode", "", "X", 3356, "Database is in use.", 2, "X",
                      "Database is in use."},
        ShowErrorCase{"EmptyTitle", "Something happened.", "", 0, "", 0, "Error Message", "Something happened."}),
    pds::test::ByLabel());

struct QuoteCase {
  const char* label;
  std::string in;
  std::string single_quoted;
  std::string double_quoted;
};

class QuoteTest : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(QuoteTest, QuotesOnceAfterTrimming) {
  EXPECT_EQ(InSingleQuotes(GetParam().in), GetParam().single_quoted);
  EXPECT_EQ(InDoubleQuotes(GetParam().in), GetParam().double_quoted);
}

INSTANTIATE_TEST_SUITE_P(Edges, QuoteTest,
                         ::testing::Values(QuoteCase{"Plain", "abc", "'abc'", "\"abc\""},
                                           QuoteCase{"AlreadySingleQuoted", "'abc'", "'abc'", "\"'abc'\""},
                                           QuoteCase{"BlanksAround", "  abc  ", "'abc'", "\"abc\""},
                                           QuoteCase{"Empty", "", "", ""},
                                           QuoteCase{"OnlyBlanks", "   ", "", ""},
                                           QuoteCase{"LeadingQuote", "'abc", "'abc'", "\"'abc\""},
                                           QuoteCase{"TrailingQuote", "abc'", "'abc'", "\"abc'\""},
                                           QuoteCase{"LoneSingleQuote", "'", "''", "\"'\""},
                                           QuoteCase{"LoneDoubleQuote", "\"", "'\"'", "\"\""},
                                           QuoteCase{"TabIsNotTrimmed", "\tabc", "'\tabc'", "\"\tabc\""}),
                         test::ByLabel());

TEST(MessagePiecesTest, LineBreaksAreOneCarriageReturnAndNLineFeeds) {
  EXPECT_EQ(LineBreaks(0), "\r");
  EXPECT_EQ(LineBreaks(-3), "\r");
  EXPECT_EQ(LineBreaks(1), "\r\n");
  EXPECT_EQ(LineBreaks(2), "\r\n\n");
}

struct VisibleCase {
  const char* label;
  std::string text;
  bool keep_layout;
  std::string shown;
  std::string first_control;  // what FirstControlCharacter finds
};

class VisibleTextTest : public ::testing::TestWithParam<VisibleCase> {};

TEST_P(VisibleTextTest, EscapesEveryControlCharacter) {
  const VisibleCase& c = GetParam();
  EXPECT_EQ(VisibleText(c.text, c.keep_layout), c.shown);
  EXPECT_EQ(FirstControlCharacter(c.text), c.first_control);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, VisibleTextTest,
    ::testing::Values(
        VisibleCase{"PlainAsciiAndUtf8Unchanged", "Pump \xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x94\xa7", false,
                    "Pump \xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x94\xa7", ""},
        VisibleCase{"NulInTheMiddle", std::string("Pl\0nt", 5), false, "Pl\\x00nt", "\\x00"},
        VisibleCase{"EscapeSequence", "Evil\x1b[2J", false, "Evil\\x1b[2J", "\\x1b"},
        VisibleCase{"LineBreaksOnOneLine", "a\r\nb\tc", false, "a\\r\\nb\\tc", "\\r"},
        VisibleCase{"LineBreaksKeptInMessages", "a\nb\tc\r", true, "a\nb\tc\\r", "\\n"},
        VisibleCase{"Delete", "x\x7f", false, "x\\x7f", "\\x7f"},
        // U+009B is a control sequence introducer to some terminals.
        VisibleCase{"C1Control", "x\xc2\x9b" "2J", false, "x\\u009b2J", "\\u009b"},
        // Not UTF-8: shown by value, but a file system takes such names.
        VisibleCase{"InvalidByte", "Pl\xff" "ant", false, "Pl\\xffant", ""},
        VisibleCase{"TruncatedSequence", "ab\xe2\x82", false, "ab\\xe2\\x82", ""},
        VisibleCase{"OverlongSlash", "\xc0\xaf", false, "\\xc0\\xaf", ""},
        VisibleCase{"Surrogate", "\xed\xa0\x80", false, "\\xed\\xa0\\x80", ""}), pds::test::ByLabel());

class BoundaryGuardTest : public ::testing::Test {
 protected:
  void TearDown() override { ClearError(); }
  test::ScopedScriptedHost host_;
};

TEST_F(BoundaryGuardTest, RaisedErrorIsReportedUnderTitleAndIconAndGivesFailureValue) {
  host_->ExpectMsgBoxContaining("LockProject()", "Item not found in this collection.");
  const int rc =
      Guarded("LockProject()", vbCritical, -1, []() -> int { Raise(3265, "Item not found in this collection."); });
  EXPECT_EQ(rc, -1);
  EXPECT_TRUE(host_->Problems().empty());
  ASSERT_EQ(host_->shown().size(), 1u);
  EXPECT_EQ(host_->shown()[0].style, vbCritical);
  EXPECT_EQ(Err().number, 0) << "the reporter clears what it showed";
}

TEST_F(BoundaryGuardTest, CompletedBodyKeepsItsResultAndShowsNothing) {
  const std::string name =
      Guarded("GetAutoNewTagName()", vbExclamation, std::string(), [] { return std::string("P-2"); });
  EXPECT_EQ(name, "P-2");
  EXPECT_TRUE(host_->shown().empty());
}

TEST_F(BoundaryGuardTest, QuietFormKeepsAnyFailurePendingForTheCaller) {
  const bool ok = GuardedQuiet(true, []() -> bool { throw std::runtime_error("disk on fire"); });
  EXPECT_TRUE(ok) << "the failure value is what the caller chose";
  EXPECT_TRUE(host_->shown().empty());
  EXPECT_EQ(Err().number, 5);
  EXPECT_EQ(Err().description, "disk on fire");
}

}  // namespace
}  // namespace pds
