// Answer scripts read and written: every step's form, the escapes, the loose forms a person writes, and the
// line and reason of every refusal.
#include "tests/support/case_names.h"
#include "ui/scripted/answer_script.h"

namespace pds::ui {
namespace {

// The steps of a script that must read without an error.
std::vector<ScriptStep> Parse(const std::string& text) {
  std::vector<ScriptStep> steps;
  std::string error;
  EXPECT_TRUE(ParseAnswerScript(text, &steps, &error)) << error;
  return steps;
}

// Every form a step can take, written the way the formatter writes it.
const char* const kCanonical =
    "msgbox \"Save Project\" \"Save changes to\\r\\n[Job \\\"A\\\"]?\" -> Yes\n"
    "msgbox \"Error Message\" ~\"in use\" -> Cancel\n"
    "msgbox \"Odd\" \"tab\\there\\\\\" -> Abort\n"
    "input \"User ID\" -> \"jsmith\"\n"
    "input \"User ID\" -> cancel\n"
    "dialog frmSelect\n"
    "  type txtName \"New \\\"one\\\"\"\n"
    "  click cmdOK\n"
    "  dblclick lvwProjects\n"
    "  dblclick lvwProjects 2\n"
    "  check lvwProjects 2\n"
    "  check lvwProjects 3 off\n"
    "  select cboType 0\n"
    "  tab tabMain 2\n"
    "  column lvwProjects 1\n"
    "  key txtName 13\n"
    "  focus txtName\n"
    "  enter\n"
    "  escape\n"
    "  close\n"
    "  @frmSelect click cmdCancel\n"
    "folder \"/data/projects\"\n"
    "folder cancel\n"
    "file \"/tmp/a.QVA\"\n"
    "file cancel\n";

TEST(AnswerScriptTest, CanonicalTextRoundTripsWithEscapesRead) {
  const std::vector<ScriptStep> steps = Parse(kCanonical);
  ASSERT_EQ(steps.size(), 25u);
  EXPECT_EQ(FormatAnswerScript(steps), kCanonical);
  const std::vector<ScriptStep> again = Parse(FormatAnswerScript(steps));
  ASSERT_EQ(again.size(), steps.size());
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const ScriptStep& a = steps[i];
    const ScriptStep& b = again[i];
    EXPECT_TRUE(a.kind == b.kind && a.title == b.title && a.text == b.text && a.contains == b.contains &&
                a.answer == b.answer && a.cancel == b.cancel && a.verb == b.verb && a.control == b.control &&
                a.argument == b.argument && a.index == b.index && a.checked == b.checked && a.form == b.form)
        << "step " << i << ": " << FormatStep(a);
  }
  // Escapes become the characters they name.
  EXPECT_EQ(steps[0].text, "Save changes to\r\n[Job \"A\"]?");
  EXPECT_EQ(steps[0].answer, 6);
  EXPECT_TRUE(steps[1].contains);
  EXPECT_EQ(steps[2].text, "tab\there\\");
  EXPECT_TRUE(steps[4].cancel);
  EXPECT_EQ(steps[6].argument, "New \"one\"");
  EXPECT_FALSE(steps[11].checked);
  EXPECT_EQ(steps[20].form, "frmSelect");
  EXPECT_EQ(steps[22].text, "") << "cancel is an empty answer";
}

TEST(AnswerScriptTest, LooseFormsAndNumericAnswersAreAccepted) {
  const std::vector<ScriptStep> steps = Parse(
      "# comment\r\n\r\nMSGBOX \"T\" \"x\"\r\n  # indented comment\r\nclick cmdOK\r\nuncheck lvw 1\r\n"
      "msgbox \"T\" \"y\" -> no\r\nmsgbox \"T\" \"x\" -> 3\nmsgbox \"T\" \"x\" -> 42\n");
  ASSERT_EQ(steps.size(), 6u);
  EXPECT_EQ(steps[4].answer, 3);
  EXPECT_EQ(FormatStep(steps[5]), "msgbox \"T\" \"x\" -> 42");
  EXPECT_EQ(steps[0].answer, 1) << "no answer means OK";
  EXPECT_EQ(steps[1].kind, "action") << "the verb, not the indentation, makes an action";
  EXPECT_EQ(steps[2].verb, "check");
  EXPECT_FALSE(steps[2].checked);
  EXPECT_EQ(steps[3].answer, 7);
}

TEST(AnswerScriptTest, CarriageReturnsSeparateWordsAndWrittenScriptsReadBackAlike) {
  const std::vector<ScriptStep> steps = Parse("dialog frmA\r\r\n  click cmdOK\r\r\n\r\r\n  type\rtxtName \"a\rb\"\n");
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_EQ(steps[0].title, "frmA");
  EXPECT_EQ(steps[1].control, "cmdOK");
  EXPECT_EQ(steps[2].argument, "a\rb");
  EXPECT_EQ(FormatAnswerScript(Parse(FormatAnswerScript(steps))), FormatAnswerScript(steps));
}

struct BadLine {
  const char* label;
  std::string text;
  std::string error;
};

class AnswerScriptErrorTest : public ::testing::TestWithParam<BadLine> {};

TEST_P(AnswerScriptErrorTest, ReportsTheLineAndAddsNothing) {
  std::vector<ScriptStep> steps(1);
  std::string error;
  EXPECT_FALSE(ParseAnswerScript(GetParam().text, &steps, &error));
  EXPECT_EQ(error, GetParam().error);
  EXPECT_EQ(steps.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, AnswerScriptErrorTest,
    ::testing::Values(
        BadLine{"ActionWithoutControl", "dialog frmA\n  click\n", "line 2: click: a control name is needed"},
        BadLine{"TextNotClosed", "msgbox \"T\" \"open\n", "line 1: text not closed by a double quote"},
        BadLine{"UnknownEscape", "msgbox \"T\" \"a\\qb\"\n", "line 1: unknown escape \\q"},
        BadLine{"UnknownAnswer", "msgbox \"T\" \"x\" -> Maybe\n",
                "line 1: msgbox: \"-> answer\" expected after the text"},
        BadLine{"InputAnswerUnquoted", "input \"T\" -> answer\n",
                "line 1: input: the answer must be in double quotes, or cancel"},
        BadLine{"UnknownStep", "\n\nwave cmdOK\n", "line 3: unknown step wave"},
        BadLine{"CheckWithoutNumber", "check lvw two\n", "line 1: check: a number is needed"},
        BadLine{"CheckNeitherOnNorOff", "check lvw 2 maybe\n", "line 1: check: on or off expected"},
        BadLine{"TypeTextUnquoted", "type txtName abc\n", "line 1: type: the text is needed in double quotes"},
        BadLine{"TextAfterAction", "click cmdOK now\n", "line 1: click: unexpected text after the action"},
        BadLine{"FormPrefixOnMessage", "@frmA msgbox \"T\" \"x\"\n", "line 1: an action is expected after @frmA"},
        BadLine{"FolderUnquoted", "folder /tmp\n", "line 1: folder: a path in double quotes, or cancel, expected"},
        BadLine{"FormNameQuoted", "dialog \"frm A\"\n", "line 1: dialog: one form name expected"}),
    test::ByLabel());

}  // namespace
}  // namespace pds::ui
