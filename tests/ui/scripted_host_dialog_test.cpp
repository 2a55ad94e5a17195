
#include <cstdio>

#include "pds/BatchHost.h"
#include "tests/ui/test_dialogs.h"
#include "tests/support/dialog_steps.h"
#include "tests/support/test_support.h"

namespace pds {
namespace {

using test::TestDialog;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class ScriptedDialogTest : public ::testing::Test {
 protected:
  std::string AllProblems() {
    std::string s;
    for (const std::string& p : host_->Problems()) s += p + "\n";
    return s;
  }
  test::ScopedScriptedHost host_;
};

TEST_F(ScriptedDialogTest, UnexpectedMessageIsAFailureAnsweredWithTheDefaultButton) {
  int answer = Ui().MsgBox("Overwrite?", vbYesNo | vbQuestion | vbDefaultButton2, "Confirm");
  EXPECT_EQ(answer, vbNo);
  ASSERT_EQ(host_->failures().size(), 1u);
  EXPECT_TRUE(Contains(host_->failures()[0], "unexpected msgbox [Confirm] Overwrite?"));
}

TEST_F(ScriptedDialogTest, DialogActionsRunAfterLoadAndActivation) {
  TestDialog dlg;
  int loads_seen = -1, activations_seen = -1;
  host_->ExpectDialog("frmTest", [&](Dialog&) {
    loads_seen = dlg.loads;
    activations_seen = dlg.activations;
    dlg.TypeText("txtName", "Job 1");
    dlg.ClickButton("cmdOK");
  });
  dlg.Show();
  EXPECT_EQ(AllProblems(), "");
  EXPECT_EQ(loads_seen, 1);
  EXPECT_EQ(activations_seen, 1);
  EXPECT_TRUE(dlg.accepted);
  EXPECT_EQ(dlg.txtName.Text(), "Job 1") << "a hidden dialog keeps its state for the caller";
  ASSERT_EQ(host_->shown().size(), 1u);
  EXPECT_EQ(host_->shown()[0].kind, "dialog");
  EXPECT_EQ(host_->shown()[0].title, "Test frmTest");
  EXPECT_TRUE(Contains(host_->shown()[0].text, "cmdOK CommandButton \"OK\" default [disabled]"));
}

TEST_F(ScriptedDialogTest, NestedMessageBoxFromOkTakesTheNextStep) {
  TestDialog dlg;
  dlg.on_ok = [] { Ui().MsgBox("Project  'A'  already exists.\r\nPlease enter a different name.", 64, "Invalid"); };
  host_->ExpectDialog("frmTest", test::TypeAndOk("txtName", "A"));
  host_->ExpectMsgBox("Invalid", "Project  'A'  already exists.\r\nPlease enter a different name.");
  dlg.Show();
  EXPECT_EQ(AllProblems(), "");
  ASSERT_EQ(host_->shown().size(), 2u);
  EXPECT_EQ(host_->shown()[1].kind, "msgbox");
}

TEST_F(ScriptedDialogTest, DialogLeftOpenIsAFailureAndIsClosedByItsCancelButton) {
  TestDialog dlg;
  host_->ExpectDialog("frmTest", [](Dialog& d) { d.TypeText("txtName", "x"); });
  dlg.Show();
  ASSERT_EQ(host_->failures().size(), 1u);
  EXPECT_EQ(host_->failures()[0], "dialog frmTest left open by the script");
  EXPECT_FALSE(dlg.visible());
  EXPECT_FALSE(dlg.accepted);
  EXPECT_TRUE(dlg.loaded()) << "closed by Cancel, which only hides";
}

TEST_F(ScriptedDialogTest, UnexpectedOrMisnamedDialogIsAFailureAndIsCancelled) {
  TestDialog dlg;
  host_->ExpectDialog("frmOther", [](Dialog& d) { d.ClickButton("cmdOK"); });
  dlg.Show();
  ASSERT_EQ(host_->failures().size(), 1u);
  EXPECT_TRUE(Contains(host_->failures()[0], "expected dialog [frmOther]"));
  EXPECT_FALSE(dlg.visible());
  EXPECT_FALSE(dlg.accepted);

  TestDialog again;
  again.Show();
  EXPECT_TRUE(Contains(host_->failures().back(), "unexpected dialog [frmTest]"));
}

TEST_F(ScriptedDialogTest, RefusedActionsInCodeOrScriptAreFailures) {
  TestDialog dlg;
  host_->ExpectDialog("frmTest", test::Press({"cmdOK", "cmdCancel"}));  // OK is still disabled
  dlg.Show();
  ASSERT_EQ(host_->failures().size(), 1u);
  EXPECT_EQ(host_->failures()[0], "refused: frmTest: click cmdOK: the control is disabled");
  // A refused action of a text script names its line.
  TestDialog scripted;
  std::string error;
  ASSERT_TRUE(host_->AddScript("dialog frmTest\n  click cmdOK\n  escape\n", &error)) << error;
  scripted.Show();
  ASSERT_EQ(host_->failures().size(), 2u);
  EXPECT_EQ(host_->failures()[1], "refused (click cmdOK): frmTest: click cmdOK: the control is disabled");
}

TEST_F(ScriptedDialogTest, OwnerIsActivatedAgainWhenANestedDialogCloses) {
  TestDialog outer;
  TestDialog inner("frmInner");
  outer.on_ok = [&] { inner.Show(); };
  host_->ExpectDialog("frmTest", test::TypeAndOk("txtName", "x"));
  host_->ExpectDialog("frmInner", [](Dialog& d) { d.PressEscape(); });
  outer.Show();
  EXPECT_EQ(AllProblems(), "");
  EXPECT_EQ(outer.activations, 2);
  EXPECT_EQ(inner.activations, 1);
  EXPECT_TRUE(Dialog::ModalStack().empty());
}

TEST_F(ScriptedDialogTest, TextScriptDrivesNestedDialogsAndMessages) {
  TestDialog outer;
  TestDialog inner("frmInner");
  outer.on_ok = [&] {
    inner.Show();
    Ui().MsgBox("Inner said: " + inner.txtName.Text(), 0, "Result");
  };
  std::string error;
  ASSERT_TRUE(host_->AddScript(
      "dialog frmTest\n"
      "  type txtName \"outer\"\n"
      "  click cmdOK\n"
      "dialog frmInner\n"
      "  type txtName \"inner\"\n"
      "  enter\n"
      "msgbox \"Result\" \"Inner said: inner\" -> OK\n",
      &error))
      << error;
  outer.Show();
  EXPECT_EQ(AllProblems(), "");
  EXPECT_TRUE(outer.accepted);
  EXPECT_TRUE(inner.accepted);
  EXPECT_EQ(host_->pending_steps(), 0u);
}

TEST_F(ScriptedDialogTest, ActionNamingAnOuterDialogEndsTheInnerOneAsLeftOpen) {
  TestDialog outer;
  TestDialog inner("frmInner");
  outer.on_ok = [&] { inner.Show(); };
  std::string error;
  ASSERT_TRUE(host_->AddScript(
      "dialog frmTest\n"
      "  type txtName \"x\"\n"
      "  click cmdOK\n"
      "dialog frmInner\n"
      "  @frmTest click cmdCancel\n",
      &error))
      << error;
  outer.Show();
  ASSERT_EQ(host_->failures().size(), 1u);
  EXPECT_EQ(host_->failures()[0], "dialog frmInner left open by the script");
  EXPECT_FALSE(inner.accepted);
  EXPECT_TRUE(outer.accepted) << "its OK handler finished after the inner dialog closed";
  EXPECT_EQ(host_->pending_steps(), 1u) << "the outer dialog was already hidden by its OK";
}

TEST_F(ScriptedDialogTest, ModelessDialogsAreRecordedAsProgressSnapshots) {
  TestDialog progress("frmProgress");
  auto& bar = progress.Add<ProgressBar>("prgFiles");
  progress.ShowModeless();
  bar.SetValue(40);
  progress.Refresh();
  progress.Hide();
  ASSERT_EQ(host_->shown().size(), 3u);
  for (const auto& item : host_->shown()) EXPECT_EQ(item.kind, "progress");
  EXPECT_TRUE(Contains(host_->shown()[1].text, "prgFiles ProgressBar 40 of 0..100"));
  EXPECT_TRUE(host_->failures().empty());
}

TEST_F(ScriptedDialogTest, ProcessEventsLetsATestActDuringALongLoop) {
  TestDialog dlg;
  int polls = 0;
  host_->OnProcessEvents([&] {
    if (++polls == 3) Dialog::InnermostModal()->PressEscape();
  });
  host_->ExpectDialog("frmTest", [](Dialog&) {
    while (Dialog::InnermostModal()->visible()) Ui().ProcessEvents();
  });
  dlg.Show();
  EXPECT_EQ(polls, 3);
  EXPECT_EQ(AllProblems(), "");
}

class BatchHostDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    out_ = std::tmpfile();
    previous_ = SetUiHost(std::make_shared<BatchHost>(out_));
  }
  void TearDown() override {
    SetUiHost(previous_);
    std::fclose(out_);
  }
  std::string Output() {
    std::fflush(out_);
    std::rewind(out_);
    std::string s;
    char buf[256];
    while (std::fgets(buf, sizeof buf, out_)) s += buf;
    return s;
  }
  std::FILE* out_ = nullptr;
  std::shared_ptr<UiHost> previous_;
};

TEST_F(BatchHostDialogTest, PressesCancelAndNamesTheDialog) {
  TestDialog dlg;
  int cancels = 0;
  dlg.cmdCancel.Click = [&] {
    ++cancels;
    dlg.Hide();
  };
  dlg.Show();
  EXPECT_EQ(cancels, 1);
  EXPECT_EQ(dlg.activations, 1);
  EXPECT_FALSE(dlg.visible());
  EXPECT_EQ(Output(), "[Test frmTest] dialog frmTest cancelled (no user to ask)\n");
}

TEST_F(BatchHostDialogTest, WithoutCancelButtonClosesByTheCloseBoxAndNeverHangs) {
  TestDialog dlg;
  dlg.cmdCancel.SetCancel(false);
  dlg.Show();
  EXPECT_EQ(dlg.last_unload_mode, vbFormControlMenu);
  EXPECT_FALSE(dlg.loaded());

  TestDialog stubborn;
  stubborn.cmdCancel.SetVisible(false);
  stubborn.refuse_close = true;
  stubborn.Show();
  EXPECT_FALSE(stubborn.visible());
}

}  // namespace
}  // namespace pds
