// Keys decoded from a terminal's bytes, the line editor the prompt, the input
// box and the path prompts share, and a playing animation area (the project
// search's) drawn as a spinner that turns from one drawing of the form to the
// next and is not drawn at all once it stops.
#include <gtest/gtest.h>

#include <string>

#include "pds/Controls.h"
#include "pds/Dialog.h"
#include "tests/support/case_names.h"
#include "ui/terminal/form_view.h"
#include "ui/terminal/keys.h"
#include "ui/terminal/line_editor.h"
#include "ui/terminal/styled_text.h"

namespace pds::terminal {
namespace {

struct DecodeCase {
  const char* name;
  std::string bytes;
  KeyCode code;
  std::size_t used;
  std::string text = {};
  char ctrl = 0;
};

class DecodeKeyTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeKeyTest, DecodesOneKeyAndCountsItsBytes) {
  const DecodeCase& c = GetParam();
  Key key;
  std::size_t used = 0;
  // Whatever follows the key must not change what it is.
  ASSERT_EQ(DecodeKey(c.bytes + "z", false, &key, &used), DecodeResult::kKey);
  EXPECT_EQ(key.code, c.code);
  EXPECT_EQ(used, c.used);
  EXPECT_EQ(key.text, c.text);
  EXPECT_EQ(key.ctrl, c.ctrl);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, DecodeKeyTest,
    ::testing::Values(DecodeCase{"Up", "\x1b[A", KeyCode::kUp, 3}, DecodeCase{"DownSs3", "\x1bOB", KeyCode::kDown, 3},
                      DecodeCase{"Delete", "\x1b[3~", KeyCode::kDelete, 4},
                      DecodeCase{"CtrlRightCountsAsRight", "\x1b[1;5C", KeyCode::kRight, 6},
                      DecodeCase{"HomeTilde", "\x1b[1~", KeyCode::kHome, 4},
                      DecodeCase{"ShiftTab", "\x1b[Z", KeyCode::kBackTab, 3},
                      DecodeCase{"EscapeBeforeLetter", "\x1b", KeyCode::kEscape, 1},
                      DecodeCase{"CrLfIsOneEnter", "\r\n", KeyCode::kEnter, 2},
                      DecodeCase{"Backspace", "\x7f", KeyCode::kBackspace, 1},
                      DecodeCase{"CtrlA", "\x01", KeyCode::kCtrl, 1, "", 'A'},
                      DecodeCase{"Tab", "\t", KeyCode::kTab, 1},
                      DecodeCase{"MultiByteCharacter", "\xc3\xa9", KeyCode::kChar, 2, "\xc3\xa9"}),
    pds::test::ByName());

TEST(DecodeKeyWaitTest, IncompleteSequenceWaitsWhileMoreMayCome) {
  Key key;
  std::size_t used = 0;
  EXPECT_EQ(DecodeKey("\x1b", true, &key, &used), DecodeResult::kNeedMore);
  EXPECT_EQ(DecodeKey("\x1b[1", true, &key, &used), DecodeResult::kNeedMore);
  EXPECT_EQ(DecodeKey("\xc3", true, &key, &used), DecodeResult::kNeedMore);
  // Once nothing more comes, a lone Escape is the Escape key.
  ASSERT_EQ(DecodeKey("\x1b", false, &key, &used), DecodeResult::kKey);
  EXPECT_EQ(key.code, KeyCode::kEscape);
}

class LineEditorTest : public ::testing::Test {
 protected:
  // Types bytes into the editor; returns the last action.
  LineEditor::Action Type(const std::string& bytes) {
    TextKeySource keys(bytes);
    LineEditor::Action last = LineEditor::Action::kIgnored;
    Key key;
    while (keys.Next(&key)) last = editor_.Apply(key);
    return last;
  }
  History history_;
  LineEditor editor_{&history_};
};

TEST_F(LineEditorTest, EditsAtTheCaret) {
  editor_.Reset();
  Type("helo\x1b[Dl");  // Left, then the missing letter
  EXPECT_EQ(editor_.text(), "hello");
  Type("\x01X\x05!");  // Ctrl-A, Ctrl-E
  EXPECT_EQ(editor_.text(), "Xhello!");
  Type("\x1b[D\x1b[D\x0b");  // Ctrl-K cuts to the end
  EXPECT_EQ(editor_.text(), "Xhell");
  Type("\x1b[D\x15");  // Ctrl-U cuts to the start
  EXPECT_EQ(editor_.text(), "l");
  EXPECT_EQ(editor_.caret(), 0);
}

TEST_F(LineEditorTest, DeletesWholeCharactersAndWords) {
  editor_.Reset("open caf\xc3\xa9");
  Type("\x7f");
  EXPECT_EQ(editor_.text(), "open caf");
  Type("  \x17");  // Ctrl-W takes the word and the blanks after it
  EXPECT_EQ(editor_.text(), "open ");
  Type("\x1b[H\x1b[3~");  // Home, Delete
  EXPECT_EQ(editor_.text(), "pen ");
}

TEST_F(LineEditorTest, EnterAcceptsEscapeCancelsCtrlDEndsOnlyAnEmptyLine) {
  editor_.Reset("x");
  EXPECT_EQ(Type("\r"), LineEditor::Action::kAccept);
  EXPECT_EQ(Type("\x1b"), LineEditor::Action::kCancel);
  EXPECT_EQ(Type("\x04"), LineEditor::Action::kEdited);  // deletes nothing at the end, but is not the end
  editor_.Reset();
  EXPECT_EQ(Type("\x04"), LineEditor::Action::kEndOfInput);
}

TEST_F(LineEditorTest, HistoryRecallsOlderLinesAndKeepsTheDraft) {
  history_.Add("open");
  history_.Add("status");
  history_.Add("status");  // a repeat is kept once
  history_.Add("   ");     // blanks are not kept
  ASSERT_EQ(history_.size(), 2u);
  editor_.Reset();
  Type("sa");
  Type("\x1b[A");
  EXPECT_EQ(editor_.text(), "status");
  Type("\x1b[A\x1b[A");  // stops at the oldest
  EXPECT_EQ(editor_.text(), "open");
  Type("\x1b[B\x1b[B");
  EXPECT_EQ(editor_.text(), "sa");
}

TEST(HistoryTest, FileTextRoundTripsAndKeepsOnlyTheNewestLines) {
  History history;
  for (std::size_t i = 0; i < History::kMaxLines + 5; ++i) history.Add("line " + std::to_string(i));
  History loaded;
  loaded.FromText(history.ToText());
  ASSERT_EQ(loaded.size(), History::kMaxLines);
  EXPECT_EQ(loaded.at(0), "line 5");
  loaded.FromText("a\r\nb\n");
  EXPECT_EQ(loaded.size(), 2u);
  EXPECT_EQ(loaded.at(0), "a");
}

TEST(LineEditorRenderTest, LongLineScrollsSoTheCaretStaysVisible) {
  LineEditor editor;
  editor.Reset(std::string(50, 'a') + "XYZ");
  int caret = 0;
  const std::string shown = editor.Render("> ", 20, &caret);
  // The text ends at the caret, which takes the next cell.
  EXPECT_EQ(CharCount(shown), 18);
  EXPECT_EQ(shown.substr(shown.size() - 3), "XYZ");
  EXPECT_EQ(caret, 18);
  editor.Apply(Key::Of(KeyCode::kHome));
  EXPECT_EQ(editor.Render("> ", 20, &caret).substr(0, 4), "> aa");
  EXPECT_EQ(caret, 2);
}

TEST(MessageTextTest, LineBreakPiecesBecomeLinesAndLongLinesWrapAtBlanks) {
  EXPECT_EQ(MessageLines("One.\r\n\nTwo\rThree"), (std::vector<std::string>{"One.", "", "Two", "Three"}));
  EXPECT_EQ(WrapLine("the quick brown fox", 10), (std::vector<std::string>{"the quick", "brown fox"}));
  EXPECT_EQ(WrapLine("abcdefghijkl", 5), (std::vector<std::string>{"abcde", "fghij", "kl"}));
  EXPECT_EQ(StripAnsi("\x1b[1mBold\x1b[0m\r\n\x1b]0;t\aX"), "Bold\nX");
}

std::string Draw(const Dialog& dialog, FormView& view) {
  std::string text;
  for (const StyledLine& line : RenderDialog(dialog, view, 60, 12).lines) text += line.Plain() + "\n";
  return text;
}

TEST(AnimationRenderTest, PlayingAnimationTurnsBetweenDrawingsAndStoppedOneIsHidden) {
  Dialog dialog("frmSearching");
  auto& animation = dialog.Add<Animation>("aniSearch");
  animation.Open("/opt/pds/Search.avi");
  animation.Play();
  FormView view;
  const std::string first = Draw(dialog, view);
  const std::string second = Draw(dialog, view);
  EXPECT_NE(first.find("| working"), std::string::npos) << first;
  EXPECT_NE(second.find("/ working"), std::string::npos) << second;
  animation.Stop();
  EXPECT_EQ(Draw(dialog, view).find("working"), std::string::npos);
}

}  // namespace
}  // namespace pds::terminal
