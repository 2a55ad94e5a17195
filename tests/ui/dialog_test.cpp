// Dialogs driven as a user drives them: actions on controls, keys, focus and validation, the close box, list
// views and combo boxes; and the dialogs' shared routines: the help button, unloading, column widths and file dates.
#include <stdlib.h>

#include <clocale>
#include <ctime>

#include "pds/PendingError.h"
#include "pds/Types.h"
#include "platform/env.h"
#include "tests/support/test_support.h"
#include "tests/ui/test_dialogs.h"
#include "ui/dialog_messages.h"

namespace pds {
namespace {

using test::TestDialog;

// The dialog is shown modelessly, so the test can act on it directly.
class DialogActionTest : public ::testing::Test {
 protected:
  void SetUp() override { dlg_.ShowModeless(); }
  void TearDown() override { ClearError(); }
  test::ScopedScriptedHost host_;
  TestDialog dlg_;
};

TEST_F(DialogActionTest, ActionsOnDisabledHiddenOrMissingControlsAreRefusedAndKept) {
  EXPECT_FALSE(dlg_.ClickButton("cmdOK"));
  EXPECT_FALSE(dlg_.accepted);
  dlg_.txtName.SetVisible(false);
  EXPECT_FALSE(dlg_.TypeText("txtName", "abc"));
  EXPECT_EQ(dlg_.txtName.Text(), "");
  EXPECT_FALSE(dlg_.ClickButton("cmdNope"));
  EXPECT_FALSE(dlg_.PressEnter()) << "the default button is disabled";
  std::vector<std::string> refusals = dlg_.TakeRefusals();
  ASSERT_EQ(refusals.size(), 4u);
  EXPECT_EQ(refusals[0], "frmTest: click cmdOK: the control is disabled");
  EXPECT_EQ(refusals[1], "frmTest: type txtName: the control is not visible");
  EXPECT_EQ(refusals[2], "frmTest: click cmdNope: no such control");
  EXPECT_TRUE(dlg_.refusals().empty());
}

TEST_F(DialogActionTest, ActionsOnAHiddenDialogAreRefused) {
  dlg_.Hide();
  EXPECT_FALSE(dlg_.TypeText("txtName", "x"));
  EXPECT_FALSE(dlg_.CloseByUser());
  EXPECT_EQ(dlg_.refusals().size(), 2u);
  EXPECT_EQ(dlg_.changes, 0);
}

TEST_F(DialogActionTest, TypingFiresKeyPressPerCharacterThenOneChange) {
  std::string seen;
  dlg_.txtName.KeyPress = [&](int& key) {
    seen.push_back(static_cast<char>(key));
    if (key == '!') key = 0;                 // swallowed
    if (key >= 'a' && key <= 'z') key -= 32;  // upper-cased
  };
  dlg_.txtName.SetMaxLength(5);
  ASSERT_TRUE(dlg_.TypeText("txtName", "ab!cdefg"));
  EXPECT_EQ(seen, "ab!cdefg");
  EXPECT_EQ(dlg_.txtName.Text(), "ABCDE") << "cut to MaxLength after filtering";
  EXPECT_EQ(dlg_.changes, 1);
  EXPECT_EQ(dlg_.txtName.SelStart(), 5);
  EXPECT_TRUE(dlg_.cmdOK.Enabled());
  EXPECT_EQ(dlg_.ActiveControl(), &dlg_.txtName);
}

TEST_F(DialogActionTest, MaxLengthCountsTypedCharactersAndProgramTextIsNotLimitedButALockedBoxRefuses) {
  dlg_.txtName.SetMaxLength(3);
  dlg_.TypeText("txtName", "\xC3\xA9t\xC3\xA9s");  // "étés"
  EXPECT_EQ(dlg_.txtName.Text(), "\xC3\xA9t\xC3\xA9");
  dlg_.txtName.SelectAll();
  EXPECT_EQ(dlg_.txtName.SelLength(), 3);

  dlg_.txtName.SetMaxLength(2);
  dlg_.txtName.SetText("longer");
  EXPECT_EQ(dlg_.txtName.Text(), "longer");
  dlg_.txtName.SetLocked(true);
  EXPECT_FALSE(dlg_.TypeText("txtName", "x"));
  EXPECT_EQ(dlg_.txtName.Text(), "longer");
}

TEST_F(DialogActionTest, EnterAndEscapeReachTheDefaultAndCancelButtons) {
  dlg_.TypeText("txtName", "abc");
  EXPECT_TRUE(dlg_.PressKey("txtName", vbKeyReturn));
  EXPECT_TRUE(dlg_.accepted);
  EXPECT_FALSE(dlg_.visible());

  TestDialog other;
  other.ShowModeless();
  EXPECT_TRUE(other.PressEscape());
  EXPECT_FALSE(other.accepted);
  EXPECT_FALSE(other.visible());
}

TEST_F(DialogActionTest, PrintableKeysAreTypedOverTheSelection) {
  dlg_.txtName.SetText("abcd");
  dlg_.txtName.SetSelStart(1);
  dlg_.txtName.SetSelLength(2);
  dlg_.PressKey("txtName", 'X');
  EXPECT_EQ(dlg_.txtName.Text(), "aXd");
  EXPECT_EQ(dlg_.txtName.SelStart(), 2);
}

TEST_F(DialogActionTest, FailedValidationKeepsTheFocusAndRefusesTheClick) {
  dlg_.txtName.Validate = [this](bool& cancel) { cancel = dlg_.txtName.Text() == "bad"; };
  dlg_.TypeText("txtName", "bad");
  EXPECT_FALSE(dlg_.ClickButton("cmdOK"));
  EXPECT_FALSE(dlg_.accepted);
  EXPECT_EQ(dlg_.ActiveControl(), &dlg_.txtName);
  EXPECT_TRUE(dlg_.ClickButton("cmdCancel")) << "Cancel does not cause validation";
}

TEST_F(DialogActionTest, CloseBoxAsksQueryUnloadWhichMayOnlyHideAndLoadingAgainRunsFormLoadAgain) {
  dlg_.keep_on_close = true;
  EXPECT_TRUE(dlg_.CloseByUser());
  EXPECT_EQ(dlg_.last_unload_mode, vbFormControlMenu);
  EXPECT_TRUE(dlg_.loaded());
  EXPECT_EQ(dlg_.unloads, 0);

  dlg_.keep_on_close = false;
  dlg_.ShowModeless();
  EXPECT_TRUE(dlg_.CloseByUser());
  EXPECT_FALSE(dlg_.loaded());
  EXPECT_EQ(dlg_.unloads, 1);
  // Unloaded by code, then shown again: Form_Load runs again.
  dlg_.ShowModeless();
  const int loads = dlg_.loads;
  EXPECT_TRUE(dlg_.Unload());
  EXPECT_EQ(dlg_.last_unload_mode, vbFormCode);
  dlg_.ShowModeless();
  EXPECT_EQ(dlg_.loads, loads + 1);
}

TEST_F(DialogActionTest, ARaisingHandlerIsReportedAndDoesNotPropagate) {
  dlg_.cmdCancel.Click = [] { Raise(3265, "Item not found in this collection."); };
  host_->ExpectMsgBox("frmTest.cmdCancel_Click", "Item not found in this collection.");
  EXPECT_TRUE(dlg_.ClickButton("cmdCancel"));
  EXPECT_TRUE(host_->Problems().empty());
  EXPECT_EQ(host_->shown().back().style, vbCritical);
}

TEST_F(DialogActionTest, CheckBoxAndOptionButtonClicks) {
  auto& chk = dlg_.Add<CheckBox>("chkAll");
  auto& opt1 = dlg_.Add<OptionButton>("opt1");
  auto& opt2 = dlg_.Add<OptionButton>("opt2");
  auto& other = dlg_.Add<OptionButton>("optOther");
  other.SetGroup("fraOther");
  int clicks = 0;
  chk.Click = [&] { ++clicks; };
  dlg_.ClickButton("chkAll");
  dlg_.ClickButton("chkAll");
  EXPECT_EQ(chk.Value(), vbUnchecked);
  EXPECT_EQ(clicks, 2);
  EXPECT_FALSE(chk.SetValue(3));

  other.SetValue(true);
  dlg_.ClickButton("opt1");
  dlg_.ClickButton("opt2");
  EXPECT_FALSE(opt1.Value());
  EXPECT_TRUE(opt2.Value());
  EXPECT_TRUE(other.Value()) << "another group is not touched";
}

class ListViewActionTest : public DialogActionTest {
 protected:
  void SetUp() override {
    DialogActionTest::SetUp();
    ListView& l = dlg_.lvwItems;
    l.AddItem("K1", "Beta")->SetSubItem(1, "/b");
    l.AddItem("K2", "alpha")->SetSubItem(1, "/z");
    l.AddItem("K3", "Gamma")->SetSubItem(1, "/a");
    l.ItemClick = [this](ListItem& i) { events_ += "itemclick " + i.Text() + ";"; };
    l.ItemCheck = [this](ListItem& i) { events_ += "itemcheck " + i.Text() + (i.Checked() ? "+;" : "-;"); };
    l.Click = [this] { events_ += "click;"; };
    l.DblClick = [this] { events_ += "dblclick;"; };
  }
  std::string Order() const {
    std::string s;
    for (int i = 1; i <= dlg_.lvwItems.ItemCount(); ++i) s += dlg_.lvwItems.Item(i)->Text() + " ";
    return s;
  }
  std::string events_;
};

TEST_F(ListViewActionTest, SelectingAnItemFiresItemClickThenClick) {
  EXPECT_TRUE(dlg_.SelectItem("lvwItems", 2));
  EXPECT_EQ(events_, "itemclick alpha;click;");
  EXPECT_EQ(dlg_.lvwItems.SelectedItem()->Key(), "K2");
  EXPECT_FALSE(dlg_.SelectItem("lvwItems", 4));
  EXPECT_EQ(dlg_.lvwItems.SelectedItem()->Key(), "K2");
}

TEST_F(ListViewActionTest, CheckFiresItemCheckOnlyOnAChange) {
  dlg_.Check("lvwItems", 3, true);
  dlg_.Check("lvwItems", 3, true);
  dlg_.Check("lvwItems", 3, false);
  EXPECT_EQ(events_, "itemcheck Gamma+;itemcheck Gamma-;");
  dlg_.lvwItems.Item(1)->SetChecked(true);
  EXPECT_EQ(dlg_.lvwItems.CheckedCount(), 1);
  EXPECT_EQ(events_, "itemcheck Gamma+;itemcheck Gamma-;") << "setting a check mark in code fires nothing";
  dlg_.lvwItems.SetCheckboxes(false);
  EXPECT_FALSE(dlg_.Check("lvwItems", 1, false));
}

TEST_F(ListViewActionTest, DoubleClickTellsWhichItemIsUnderThePointer) {
  dlg_.SelectItem("lvwItems", 1);
  events_.clear();
  dlg_.DoubleClick("lvwItems");
  EXPECT_EQ(events_, "dblclick;");
  EXPECT_EQ(dlg_.lvwItems.PointerItem(), nullptr);
  EXPECT_EQ(dlg_.lvwItems.SelectedItem()->Key(), "K1");
  events_.clear();
  dlg_.DoubleClick("lvwItems", 3);
  EXPECT_EQ(events_, "itemclick Gamma;click;dblclick;");
  EXPECT_EQ(dlg_.lvwItems.PointerItem(), dlg_.lvwItems.SelectedItem());
}

TEST_F(ListViewActionTest, SortingReordersWithoutCaseAndRenumbers) {
  ListView& l = dlg_.lvwItems;
  l.SetSorted(true);
  EXPECT_EQ(Order(), "alpha Beta Gamma ");
  EXPECT_EQ(l.Item("k1")->Index(), 2);
  l.SetSortKey(1);
  l.SetSortOrder(lvwDescending);
  EXPECT_EQ(Order(), "alpha Beta Gamma ") << "locations /z /b /a descending";
  l.AddItem("K4", "Delta")->SetSubItem(1, "/c");
  EXPECT_EQ(Order(), "alpha Delta Beta Gamma ") << "an added item goes to its sorted place";
}

class ComboBoxTest : public DialogActionTest {
 protected:
  void SetUp() override {
    DialogActionTest::SetUp();
    c_.Click = [this] { ++clicks_; };
    c_.Change = [this] { ++changes_; };
    c_.AddItem("(none)");
    c_.AddItem("Owner");
    c_.AddItem("Engineer");
  }
  ComboBox& c_ = dlg_.cboType;
  int clicks_ = 0;
  int changes_ = 0;
};

TEST_F(ComboBoxTest, ListIndexSetsTextAndFiresClickOnAChange) {
  EXPECT_TRUE(c_.SetListIndex(1));
  EXPECT_TRUE(c_.SetListIndex(1));
  EXPECT_EQ(c_.Text(), "Owner");
  EXPECT_EQ(clicks_, 1);
  EXPECT_FALSE(c_.SetListIndex(3));
  EXPECT_TRUE(dlg_.SelectItem("cboType", 1)) << "the user's click on the selected entry still counts";
  EXPECT_EQ(clicks_, 2);
  EXPECT_EQ(changes_, 0);
}

TEST_F(ComboBoxTest, DropDownListSelectsByTextWithoutCaseAndRefusesUnknownText) {
  c_.SetStyle(vbComboDropdownList);
  EXPECT_TRUE(c_.SetText("ENGINEER"));
  EXPECT_EQ(c_.ListIndex(), 2);
  EXPECT_EQ(c_.Text(), "Engineer");
  EXPECT_FALSE(c_.SetText("Client"));
  EXPECT_EQ(c_.ListIndex(), 2);
  EXPECT_FALSE(dlg_.TypeText("cboType", "x"));
}

TEST_F(ComboBoxTest, TypingIntoAnEditableComboFindsTheEntryOfThatText) {
  dlg_.TypeText("cboType", "Owner");
  EXPECT_EQ(c_.ListIndex(), 1);
  dlg_.TypeText("cboType", "Client");
  EXPECT_EQ(c_.ListIndex(), -1);
  EXPECT_EQ(changes_, 2);
  EXPECT_EQ(clicks_, 0);
}

TEST_F(ComboBoxTest, SortedInsertionAndRemovalKeepTheSelectionOnItsItem) {
  c_.SetListIndex(1);  // Owner
  c_.SetSorted(true);
  EXPECT_EQ(c_.List(0), "(none)");
  EXPECT_EQ(c_.List(1), "Engineer");
  EXPECT_EQ(c_.List(c_.ListIndex()), "Owner");
  EXPECT_EQ(c_.AddItem("client"), 1);
  EXPECT_EQ(c_.NewIndex(), 1);
  EXPECT_EQ(c_.Text(), "Owner");
  EXPECT_EQ(c_.List(c_.ListIndex()), "Owner");
  c_.RemoveItem(0);
  EXPECT_EQ(c_.List(c_.ListIndex()), "Owner");
  c_.RemoveItem(c_.ListIndex());
  EXPECT_EQ(c_.ListIndex(), -1);
  EXPECT_EQ(c_.Text(), "");
}

class HelpButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearError();
    dlg_.SetCaption("Project Properties");
  }
  void TearDown() override {
    SetHelpFile("");
    ClearError();
  }
  test::ScopedScriptedHost host_;
  TestDialog dlg_;
};

TEST_F(HelpButtonTest, WithoutHelpFileExplainsThereIsNoHelpElseShowsTheDialogsOwnTopic) {
  host_->ExpectMsgBox("Project Properties",
                      "Unable to display Help Contents.  There is no Help associated with this project.");
  ShowDialogHelp(dlg_, DialogHelpRequest(HelpDialog::kProjectProperties));
  EXPECT_TRUE(host_->Problems().empty());
  EXPECT_EQ(host_->shown().at(0).style, vbInformation);
  SetHelpFile("/opt/tvx/KOVRA.HLP");
  dlg_.SetHelpContextID(10146);
  ShowDialogHelp(dlg_);
  ASSERT_EQ(host_->shown().size(), 2u);
  EXPECT_EQ(host_->shown()[1].kind, "help");
  EXPECT_EQ(host_->shown()[1].text, "1:10146");
  EXPECT_TRUE(host_->failures().empty());
}

// A host whose help viewer cannot be started.
class NoViewerHost : public ui::ScriptedHost {
 public:
  bool ShowHelp(const std::string&, int, long) override { return false; }
};

TEST_F(HelpButtonTest, FailingHelpIsReportedWithTheCaption) {
  auto host = std::make_shared<NoViewerHost>();
  auto previous = SetUiHost(host);
  SetHelpFile("/opt/tvx/KOVRA.HLP");
  SetError(53, "stale error from before");
  host->ExpectMsgBox("Project Properties", "Unable to display Help Contents.  [/opt/tvx/KOVRA.HLP]");
  ShowDialogHelp(dlg_, kHelpContext, 10160);
  SetUiHost(previous);
  EXPECT_TRUE(host->Problems().empty());
  EXPECT_EQ(host->shown().at(0).style, vbInformation);
  EXPECT_EQ(Err().number, 0);
}

// Reports its unloading to the test, which outlives it.
class WatchedDialog : public TestDialog {
 public:
  WatchedDialog(std::string* log, bool refuse) : log_(log), refuse_(refuse) {}

 protected:
  void Form_QueryUnload(bool& cancel, int mode) override {
    *log_ += "query(" + std::to_string(mode) + ");";
    cancel = refuse_;
  }
  void Form_Unload(bool&) override { *log_ += "unload;"; }

 private:
  std::string* log_;
  bool refuse_;
};

TEST(UnloadDialogTest, UnloadsByCodeAndClearsTheReferenceEvenWhenTheDialogRefuses) {
  test::ScopedScriptedHost host;
  std::string log;
  auto dlg = std::make_unique<WatchedDialog>(&log, false);
  dlg->ShowModeless();
  UnloadDialog(dlg);
  EXPECT_EQ(dlg, nullptr);
  EXPECT_EQ(log, "query(1);unload;");

  log.clear();
  auto refusing = std::make_shared<WatchedDialog>(&log, true);
  refusing->Load();
  UnloadDialog(refusing);
  EXPECT_EQ(refusing, nullptr);
  EXPECT_EQ(log, "query(1);");
  std::unique_ptr<TestDialog> none;
  UnloadDialog(none);  // an unset reference is fine
}

TEST(AutoSizeListColumnsTest, EachColumnFitsTheLargerOfHeaderAndContents) {
  ListView list("lvwProjects");
  list.AddColumn("K0", "Name", 1);
  list.AddColumn("K1", "Location", 1);
  list.AddColumn("K2", "A long header text", 1);
  list.AddItem("K1", "Pump station")->SetSubItem(1, "/p");
  list.AddItem("K2", "B")->SetSubItem(1, "/projects/caf\xC3\xA9");  // 14 characters, 15 bytes
  AutoSizeListColumns(list);
  EXPECT_EQ(list.Column(1)->Width(), 12);
  EXPECT_EQ(list.Column(2)->Width(), 14);
  EXPECT_EQ(list.Column(3)->Width(), 18);
}

// Reports fixed file times, so the text does not depend on the file system.
class FixedTimesEnv : public platform::EnvWrapper {
 public:
  FixedTimesEnv() : EnvWrapper(platform::PosixEnv()) {}
  platform::Status GetFileTimes(const std::string&, platform::FileTimes* out) override {
    using std::chrono::system_clock;
    out->last_access = system_clock::from_time_t(1720096200);  // 2024-07-04 12:30:00 UTC
    out->creation = system_clock::from_time_t(1703980805);     // 2023-12-31 00:00:05 UTC
    out->last_write = system_clock::from_time_t(1709658429);   // 2024-03-05 17:07:09 UTC
    return platform::Status::Ok();
  }
};

class FileDateTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tz_.emplace("TZ", "UTC0");
    tzset();
    saved_locale_ = std::setlocale(LC_TIME, nullptr);
    std::setlocale(LC_TIME, "C");
    folder_.Write("Job1.QVA", "archive");
  }
  void TearDown() override {
    tz_.reset();
    tzset();
    std::setlocale(LC_TIME, saved_locale_.c_str());
  }
  test::TempFolder folder_;
  FixedTimesEnv env_;
  platform::ScopedEnv scoped_{&env_};
  std::optional<test::ScopedEnvVar> tz_;
  std::string saved_locale_;
};

TEST_F(FileDateTextTest, ChoosesTheTimeFormatsLongDateAndTimeFindsTheFirstMatchOfAPatternOrGivesEmptyText) {
  EXPECT_EQ(GetFileDateText(folder_ / "Job1.QVA", kFileLastWriteTime), "Tuesday, March 5, 2024, 5:07:09 PM");
  EXPECT_EQ(GetFileDateText(folder_ / "Job1.QVA", kFileCreationTime), "Sunday, December 31, 2023, 12:00:05 AM");
  EXPECT_EQ(GetFileDateText(folder_ / "Job1.QVA", kFileLastAccessTime), "Thursday, July 4, 2024, 12:30:00 PM");
  EXPECT_EQ(GetFileDateText(folder_ / "*.qva", kFileLastWriteTime), "Tuesday, March 5, 2024, 5:07:09 PM");
  // A missing file or an unknown choice gives empty text.
  EXPECT_EQ(GetFileDateText(folder_ / "Missing.QVA", kFileLastWriteTime), "");
  EXPECT_EQ(GetFileDateText(folder_ / "nofolder/Job1.QVA", kFileLastWriteTime), "");
  EXPECT_EQ(GetFileDateText(folder_ / "Job1.QVA", 4), "");
  EXPECT_EQ(GetFileDateText(folder_ / "Job1.QVA", 0), "");
}

}  // namespace
}  // namespace pds
