
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "platform/errors.h"
#include "tests/support/case_names.h"
#include "tests/support/test_support.h"

namespace pds {
namespace {

// What the common reporter shows for a message, the pending error and the
// last system error code; afterwards both errors are cleared when something
// was shown, and left alone when nothing was.
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
  if (c.os_error) {
    ASSERT_FALSE(system_text.empty());
  }
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
        ShowErrorCase{"MessageBlankLineDescription", "Could not open.", "OpenDb()", 3044, "Not a valid path.", 0,
                      "OpenDb()", "Could not open.\r\n\nNot a valid path."},
        ShowErrorCase{"OnlyTheDescription", "", "Proc()", 5, "Invalid procedure call or argument", 0, "Proc()",
                      "Invalid procedure call or argument"},
        ShowErrorCase{"SystemCodeAndText", "Copy failed.", "CopyFile()", 0, "", 5, "CopyFile()",
                      "Copy failed.\r\n\nError 5  -  {}"},
        ShowErrorCase{"PendingNumberWinsOverSystemCode", "", "X", 3356, "Database is in use.", 2, "X",
                      "Database is in use."},
        ShowErrorCase{"EmptyTitle", "Something happened.", "", 0, "", 0, "Error Message", "Something happened."}),
    [](const auto& info) { return std::string(info.param.label); });

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

}  // namespace
}  // namespace pds
