// The terminal host with its output in a string and its keys from a text: message and input boxes, dialog
// models drawn as forms and driven by keys, nested boxes and dialogs, progress lines.
#include <gmock/gmock.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <vector>

#include "tests/support/case_names.h"
#include "tests/terminal/text_matchers.h"
#include "tests/ui/test_dialogs.h"
#include "ui/terminal/form_view.h"
#include "ui/terminal/styled_text.h"
#include "ui/terminal/terminal_host.h"

namespace pds::terminal {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using test::HasAll;

class TerminalHostTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(false); }
  void TearDown() override {
    SetUiHost(previous_);
    host_.reset();
    if (log_) std::fclose(log_);
  }
  // Installs a new host; the host the test found is put back at the end.
  void Start(bool draw_progress) {
    const bool first = !host_;
    if (!log_) log_ = std::tmpfile();
    TerminalOptions options;
    options.size = [](int* width, int* height) {
      *width = 80;
      *height = 24;
    };
    options.draw_progress = draw_progress;
    options.fallback_log = log_;
    host_ = std::make_shared<TerminalHost>(out_, keys_, options);
    std::shared_ptr<UiHost> replaced = SetUiHost(host_);
    if (first) previous_ = replaced;
  }
  std::string Screen() const { return StripAnsi(out_.str()); }
  // The full-screen frames drawn so far, each without attributes.
  std::vector<std::string> Frames() const {
    std::vector<std::string> frames;
    const std::string all = out_.str();
    for (std::size_t at = all.find(ansi::kClearScreen); at != std::string::npos;) {
      const std::size_t next = all.find(ansi::kClearScreen, at + 1);
      frames.push_back(StripAnsi(all.substr(at, next == std::string::npos ? std::string::npos : next - at)));
      at = next;
    }
    return frames;
  }
  // The index of the last frame showing text; frames.size() when none does.
  static std::size_t LastFrameWith(const std::vector<std::string>& frames, const std::string& text) {
    std::size_t found = frames.size();
    for (std::size_t i = 0; i < frames.size(); ++i) {
      if (frames[i].find(text) != std::string::npos) found = i;
    }
    return found;
  }
  // The dialog drawn once at the given size, as plain lines.
  static std::string Render(test::TestDialog& dialog, int width, int height) {
    FormView view;
    std::string text;
    for (const StyledLine& line : RenderDialog(dialog, view, width, height).lines) text += line.Plain() + "\n";
    return text;
  }
  void AddItems(test::TestDialog& dialog, const std::vector<std::string>& names) {
    for (const std::string& name : names) dialog.lvwItems.AddItem("", name)->SetSubItem(1, "/p/" + name);
  }

  std::ostringstream out_;
  TextKeySource keys_;
  std::FILE* log_ = nullptr;
  std::shared_ptr<TerminalHost> host_;
  std::shared_ptr<UiHost> previous_;
};

// ---- message boxes

struct MsgBoxCase {
  const char* name;
  int style;
  const char* keys;
  int answer;
};

class MsgBoxAnswerTest : public TerminalHostTest, public ::testing::WithParamInterface<MsgBoxCase> {};

TEST_P(MsgBoxAnswerTest, KeysGiveTheAnswer) {
  keys_.Type(GetParam().keys);
  EXPECT_EQ(Ui().MsgBox("Question", GetParam().style, "Title"), GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, MsgBoxAnswerTest,
    ::testing::Values(MsgBoxCase{"LetterOfAButton", vbYesNoCancel, "n", vbNo},
                      MsgBoxCase{"UpperCaseLetter", vbRetryCancel, "R", vbRetry},
                      MsgBoxCase{"LetterOfNoButtonIsIgnored", vbOKCancel, "yo", vbOK},
                      MsgBoxCase{"EnterTakesTheDefaultButton", vbYesNo | vbDefaultButton2, "\r", vbNo},
                      MsgBoxCase{"ArrowsMoveTheHighlight", vbYesNoCancel, "\x1b[C\x1b[C\r", vbCancel},
                      MsgBoxCase{"HighlightWrapsAround", vbYesNo, "\x1b[D\r", vbNo},
                      MsgBoxCase{"EscapeCancels", vbYesNoCancel | vbQuestion, "\x1b", vbCancel},
                      MsgBoxCase{"EscapeOnYesNoSaysNo", vbYesNo, "\x1b", vbNo},
                      MsgBoxCase{"EscapeOnAbortRetryIgnoreAborts", vbAbortRetryIgnore, "\x1b", vbAbort},
                      MsgBoxCase{"NoKeysLeftGivesTheDefault", vbYesNo | vbDefaultButton2, "", vbNo},
                      MsgBoxCase{"KeysEndingMidBoxGiveTheDefault", vbYesNo, "\x1b[C", vbYes}), pds::test::ByName());

TEST_F(TerminalHostTest, MessageBoxShowsIconTitleParagraphsAndButtons) {
  keys_.Type("y");
  Ui().MsgBox("Save changes to [Alpha]?\r\n\nThe project was changed.", vbYesNoCancel | vbQuestion, "Save Project");
  EXPECT_THAT(Screen(), HasSubstr("(?) Save Project\n  Save changes to [Alpha]?\n\n  The project was changed.\n\n"
                                  "  [Y]es [N]o [C]ancel\n"));
}

// A name in a message may carry an escape sequence (here one clearing the screen): the terminal gets its visible form.
TEST_F(TerminalHostTest, ControlCharactersInAMessageAreShownEscaped) {
  keys_.Type("\n");
  Ui().MsgBox("Project [Evil\x1b[2J\xc2\x9b" "5m\xff] was not found.\r\nFrom:\tsource", vbOKOnly, "Ti\x07tle");
  const std::string raw = out_.str();
  EXPECT_THAT(raw, HasAll({"Project [Evil\\x1b[2J\\u009b5m\\xff] was not found.", "From:  source", "Ti\\x07tle"}));
  EXPECT_THAT(raw, Not(HasSubstr("\x1b[2J\xc2")));
  EXPECT_THAT(raw, Not(HasSubstr("\x07")));
  EXPECT_THAT(raw, Not(HasSubstr("\xff")));
}

// ---- line prompts

TEST_F(TerminalHostTest, InputBoxEditsTheDefaultTextOrCancels) {
  std::string answer;
  keys_.Type("\x7fx\r");
  EXPECT_TRUE(Ui().InputBox("Your user ID:", "Application Startup", "abc", &answer));
  EXPECT_EQ(answer, "abx");
  EXPECT_THAT(Screen(), HasSubstr("Application Startup\n  Your user ID:\n"));
  keys_.Type("zz\x1b");
  EXPECT_FALSE(Ui().InputBox("Your user ID:", "Application Startup", "abc", &answer));
  EXPECT_EQ(answer, "");
}

TEST_F(TerminalHostTest, FileDialogStartsInTheInitialFolderAndAddsTheDefaultExtension) {
  FileDialogRequest request;
  request.title = "Archive Project";
  request.filter = "Archive Files (*.QVA)|*.QVA|All Files (*.*)|*.*";
  request.initial_folder = "/data";
  request.file_name = "plant";
  request.default_ext = "QVA";
  std::string chosen;
  keys_.Type("\r");
  EXPECT_TRUE(Ui().FileDialog(request, &chosen));
  EXPECT_EQ(chosen, "/data/plant.QVA");
  EXPECT_THAT(Screen(), HasSubstr("Files: Archive Files (*.QVA), All Files (*.*)"));
  // A relative name is taken in the initial folder; an extension typed stays.
  keys_.Type("\x15other.zip\r");
  EXPECT_TRUE(Ui().FileDialog(request, &chosen));
  EXPECT_EQ(chosen, "/data/other.zip");
  keys_.Type("\x1b");
  EXPECT_FALSE(Ui().BrowseForFolder("Choose the project folder", "/data/", &chosen));
  keys_.Type("sub/\r");
  EXPECT_TRUE(Ui().BrowseForFolder("Choose the project folder", "/data/", &chosen));
  EXPECT_EQ(chosen, "/data/sub");
}

// ---- forms

TEST_F(TerminalHostTest, FormShowsDisabledButtonsCheckedRowsAndTheSelectionScrolledIntoView) {
  test::TestDialog dialog;
  dialog.Load();
  dialog.lblName.SetCaption("Name:");
  AddItems(dialog, {"Alpha", "Beta"});
  dialog.lvwItems.Item(1)->SetChecked(true);
  dialog.lvwItems.SetHideSelection(false);
  dialog.lvwItems.SetSelectedItem(dialog.lvwItems.Item(2));
  dialog.cboType.AddItem("All projects");
  dialog.cboType.AddItem("Pumps" + std::string(100, ' ') + "PMP10");
  dialog.cboType.SetListIndex(1);
  // "&" marks a desktop access key and is not drawn; "&&" is one "&".
  dialog.cmdCancel.SetCaption("&Cancel && Close");
  const std::string text = Render(dialog, 70, 20);
  // A combo box shows the start of its entry; what lies far to the right stays out of sight.
  EXPECT_THAT(text, HasAll({" Test frmTest\n", " Name: [", "  [x] Alpha   /p/Alpha\n", "> [ ] Beta    /p/Beta",
                            "[Pumps ", " ( OK )  [ Cancel & Close ]\n"}));
  EXPECT_THAT(text, Not(HasSubstr("PMP10")));

  // A long list scrolls to the selected row.
  test::TestDialog long_list;
  for (int i = 1; i <= 50; ++i) long_list.lvwItems.AddItem("", "Item " + std::to_string(i));
  long_list.lvwItems.SetHideSelection(false);
  long_list.lvwItems.SetSelectedItem(long_list.lvwItems.Item(40));
  const std::string scrolled = Render(long_list, 60, 20);
  EXPECT_THAT(scrolled, HasAll({"> [ ] Item 40", " of 50)"}));
  EXPECT_THAT(scrolled, Not(HasSubstr("Item 1 ")));
}

TEST_F(TerminalHostTest, TypingEnablesOkEnterPressesTheDefaultButtonAndEscapeIsTheCloseBox) {
  test::TestDialog dialog;
  keys_.Type("Bobx\x7f\r");
  dialog.Show();
  EXPECT_TRUE(dialog.accepted);
  EXPECT_EQ(dialog.txtName.Text(), "Bob");
  EXPECT_FALSE(dialog.visible());
  // The screen is the terminal's own again once the last dialog closed.
  EXPECT_THAT(out_.str(), HasSubstr(ansi::kEnterAltScreen));
  EXPECT_EQ(out_.str().rfind(ansi::kLeaveAltScreen) + 8, out_.str().size());

  // Escape closes a dialog as its close box does.
  test::TestDialog escaped;
  keys_.Type("\x1b");
  escaped.Show();
  EXPECT_EQ(escaped.last_unload_mode, vbFormControlMenu);
  EXPECT_FALSE(escaped.visible());
  EXPECT_FALSE(escaped.accepted);
}

TEST_F(TerminalHostTest, ListKeysFilterSelectCheckAndSortThroughTheModel) {
  test::TestDialog dialog;
  AddItems(dialog, {"Alpha", "Beta", "Gamma"});
  std::vector<std::string> clicked, checked;
  int column_clicked = 0;
  dialog.lvwItems.ItemClick = [&](ListItem& item) { clicked.push_back(item.Text()); };
  dialog.lvwItems.ItemCheck = [&](ListItem& item) { checked.push_back(item.Text()); };
  dialog.lvwItems.ColumnClick = [&](ColumnHeader& column) { column_clicked = column.Index(); };
  // Tab past the name box and Cancel (OK is disabled), filter, check, sort, close.
  keys_.Type("\t\t/GA\r 2\x1b[A\x1b");
  dialog.Show();
  EXPECT_EQ(clicked, std::vector<std::string>{"Gamma"});  // Up stays on the only row the filter shows
  EXPECT_EQ(checked, std::vector<std::string>{"Gamma"});
  EXPECT_TRUE(dialog.lvwItems.Item(3)->Checked());
  EXPECT_EQ(column_clicked, 2);
  const std::vector<std::string> frames = Frames();
  ASSERT_FALSE(frames.empty());
  EXPECT_THAT(frames.back(), HasSubstr("/GA   (1 of 3)"));
  EXPECT_THAT(frames.back(), Not(HasSubstr("Beta")));
}

TEST_F(TerminalHostTest, SpaceDoubleClicksTheSelectedRowOfAListWithoutCheckBoxes) {
  test::TestDialog dialog;
  dialog.lvwItems.SetCheckboxes(false);
  AddItems(dialog, {"Alpha", "Beta"});
  std::string double_clicked;
  dialog.lvwItems.DblClick = [&] { double_clicked = dialog.lvwItems.PointerItem()->Text(); };
  keys_.Type("\t\t\x1b[B\x1b[B \x1b");
  dialog.Show();
  EXPECT_EQ(double_clicked, "Beta");
}

TEST_F(TerminalHostTest, DisabledButtonRefusesAndTheRefusalIsShown) {
  test::TestDialog dialog;
  // With the name box empty, OK is disabled: Enter goes to it and is refused.
  keys_.Type("\r\x1b");
  dialog.Show();
  EXPECT_FALSE(dialog.accepted);
  const std::vector<std::string> frames = Frames();
  ASSERT_GE(frames.size(), 2u);
  EXPECT_THAT(frames[1], HasSubstr("! frmTest: click cmdOK: the control is disabled"));
}

TEST_F(TerminalHostTest, OuterDialogIsDrawnAgainWhenABoxOverItCloses) {
  test::TestDialog dialog;
  dialog.cboType.AddItem("One");
  int answer = 0;
  dialog.cboType.Click = [&] { answer = Ui().MsgBox("Switch the type?", vbYesNo | vbQuestion, "Confirm"); };
  keys_.Type("\t\t\t\x1b[By\x1b");  // to the combo box, Down selects "One", Yes, then close
  dialog.Show();
  EXPECT_EQ(answer, vbYes);
  const std::vector<std::string> frames = Frames();
  const std::size_t box_frame = LastFrameWith(frames, "Switch the type?");
  ASSERT_LT(box_frame + 1, frames.size());
  EXPECT_THAT(frames[box_frame], HasAll({"Test frmTest", "[Y]es [N]o"})) << "the box is drawn over the form";
  EXPECT_THAT(frames[box_frame + 1], HasSubstr("Test frmTest"));
  EXPECT_THAT(frames[box_frame + 1], Not(HasSubstr("Switch the type?")));
}

TEST_F(TerminalHostTest, NestedDialogReturnsToTheOuterOneAndTheScreenIsLeftOnce) {
  test::TestDialog outer("frmOuter");
  test::TestDialog inner("frmInner");
  outer.cboType.AddItem("One");
  outer.cboType.Click = [&] { inner.Show(); };
  keys_.Type("\t\t\t\x1b[B\x1b\x1b");  // opens the inner dialog, closes it, then the outer one
  outer.Show();
  EXPECT_EQ(inner.last_unload_mode, vbFormControlMenu);
  EXPECT_EQ(outer.last_unload_mode, vbFormControlMenu);
  const std::vector<std::string> frames = Frames();
  const std::size_t last_inner = LastFrameWith(frames, "Test frmInner");
  ASSERT_GT(last_inner, 0u);
  ASSERT_LT(last_inner + 1, frames.size());
  EXPECT_THAT(frames[last_inner + 1], HasSubstr("Test frmOuter"));
  const std::string all = out_.str();
  EXPECT_EQ(all.find(ansi::kLeaveAltScreen), all.rfind(ansi::kLeaveAltScreen));
}

TEST_F(TerminalHostTest, KeysTypedDuringALongLoopReachTheForm) {
  test::TestDialog dialog;
  bool cancelled = false;
  int rounds = 0;
  dialog.cmdCancel.Click = [&] { cancelled = true; };
  // OK runs a loop that yields to pending keys until Cancel is pressed.
  dialog.on_ok = [&] {
    while (!cancelled && rounds < 100) {
      ++rounds;
      Ui().ProcessEvents();
    }
  };
  keys_.Type("x\r\t\r");  // name, OK; then Tab from OK to Cancel and press it while the loop runs
  dialog.Show();
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(rounds, 1);
}

TEST_F(TerminalHostTest, ProgressLineIsDrawnOnlyWhenAskedForAndShowsAZipRunsStatusFrame) {
  Dialog progress("frmProgress");
  progress.SetCaption("Archiving");
  auto& bar = progress.Add<ProgressBar>("prgBar");
  auto& label = progress.Add<Label>("lblFile");
  bar.SetValue(50);
  label.SetCaption("Project.mdb");
  EXPECT_EQ(ProgressLine(progress, 80), "Archiving  [##########..........] 50%  Project.mdb");
  progress.ShowModeless();
  progress.Refresh();
  progress.Hide();
  EXPECT_EQ(out_.str(), "");

  Start(true);
  progress.ShowModeless();
  bar.SetValue(75);
  progress.Refresh();
  progress.Hide();
  EXPECT_THAT(out_.str(), HasSubstr("75%  Project.mdb"));
  EXPECT_EQ(out_.str().substr(out_.str().size() - 4), std::string("\r") + ansi::kClearToEnd);

  // A zip run's line shows its status frame.
  Dialog zip("frmArchive");
  zip.SetCaption("Archiving to /p/a.qva ...");
  zip.Add<Frame>("fraProgress").SetCaption("Archiving...");
  zip.Add<Label>("Label1").SetCaption("Project.mdb");
  zip.Add<ProgressBar>("ProgressBar1").SetValue(100);
  zip.Add<ProgressBar>("ProgressBar2").SetValue(10);
  EXPECT_EQ(ProgressLine(zip, 200),
            "Archiving to /p/a.qva ...  Archiving...  [####################] 100%  Project.mdb");
}

}  // namespace
}  // namespace pds::terminal
