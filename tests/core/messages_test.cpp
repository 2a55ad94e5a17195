#include <gtest/gtest.h>

#include "core/messages/messages.h"
#include "core/messages/pending_error.h"
#include "platform/errors.h"
#include "tests/support/test_support.h"

namespace pds {
namespace {

class ShowErrorTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearError(); }
  void TearDown() override { ClearError(); }
  test::ScopedScriptedHost host_;
};

TEST_F(ShowErrorTest, EmptyMessageAndNothingPendingShowsNothingAndKeepsState) {
  SetLastOsError(0);
  Err().description = "kept";  // a description without a number is not an error
  ShowError("", vbCritical, "Proc()");
  EXPECT_TRUE(host_->shown().empty());
  EXPECT_EQ(Err().description, "kept");
}

TEST_F(ShowErrorTest, MessageThenBlankLineThenPendingDescription) {
  SetError(3044, "Not a valid path.");
  host_->ExpectMsgBox("OpenDb()", "Could not open.\r\n\nNot a valid path.");
  ShowError("Could not open.", vbExclamation, "OpenDb()");
  EXPECT_TRUE(host_->Problems().empty());
  EXPECT_EQ(host_->shown().at(0).style, vbExclamation);
  EXPECT_EQ(Err().number, 0) << "the reporter clears the error it showed";
}

TEST_F(ShowErrorTest, EmptyMessageShowsOnlyTheErrorText) {
  SetError(5, "Invalid procedure call or argument");
  host_->ExpectMsgBox("Proc()", "Invalid procedure call or argument");
  ShowError("", vbCritical, "Proc()");
  EXPECT_TRUE(host_->Problems().empty());
}

TEST_F(ShowErrorTest, FailedSystemCallReportsCodeAndSystemText) {
  SetLastOsError(5);
  std::string system_text = platform::SystemErrorMessage(5);
  ASSERT_FALSE(system_text.empty());
  host_->ExpectMsgBox("CopyFile()", "Copy failed.\r\n\nError 5  -  " + system_text);
  ShowError("Copy failed.", vbExclamation, "CopyFile()");
  EXPECT_TRUE(host_->Problems().empty());
  EXPECT_EQ(Err().last_os_error, 0);
}

TEST_F(ShowErrorTest, PendingNumberWinsOverSystemCode) {
  SetLastOsError(2);
  SetError(3356, "Database is in use.");
  host_->ExpectMsgBox("X", "Database is in use.");
  ShowError("", vbCritical, "X");
  EXPECT_TRUE(host_->Problems().empty());
}

TEST_F(ShowErrorTest, EmptyTitleBecomesErrorMessage) {
  host_->ExpectMsgBox("Error Message", "Something happened.");
  ShowError("Something happened.", vbInformation, "");
  EXPECT_TRUE(host_->Problems().empty());
}

struct QuoteCase {
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
                         ::testing::Values(QuoteCase{"abc", "'abc'", "\"abc\""},
                                           QuoteCase{"'abc'", "'abc'", "\"'abc'\""},
                                           QuoteCase{"  abc  ", "'abc'", "\"abc\""},
                                           QuoteCase{"", "", ""},
                                           QuoteCase{"   ", "", ""},
                                           QuoteCase{"'abc", "'abc'", "\"'abc\""},
                                           QuoteCase{"abc'", "'abc'", "\"abc'\""},
                                           QuoteCase{"'", "''", "\"'\""},
                                           QuoteCase{"\"", "'\"'", "\"\""},
                                           QuoteCase{"\tabc", "'\tabc'", "\"\tabc\""}));

TEST(MessagePiecesTest, LineBreaksAreOneCarriageReturnAndNLineFeeds) {
  EXPECT_EQ(LineBreaks(0), "\r");
  EXPECT_EQ(LineBreaks(-3), "\r");
  EXPECT_EQ(LineBreaks(1), "\r\n");
  EXPECT_EQ(LineBreaks(2), "\r\n\n");
}

}  // namespace
}  // namespace pds
