// Dialogs shown through the scripted host, driven by test code or by answer scripts, and through the batch
// host, which has no user to ask.
#include <cstdio>

#include "pds/BatchHost.h"
#include "tests/support/dialog_steps.h"
#include "tests/support/test_support.h"
#include "tests/ui/test_dialogs.h"

namespace pds {
namespace {

using test::TestDialog;

class ScriptedDialogTest : public ::testing::Test {
 protected:
  // Adds the steps of an answer script; a script that does not read fails the test.
  void AddScript(const std::string& text) {
    std::string error;
    EXPECT_TRUE(host_->AddScript(text, &error)) << error;
  }
  test::ScopedScriptedHost host_;
};

TEST_F(ScriptedDialogTest, UnexpectedMessageIsAFailureAnsweredWithTheDefaultButton) {
  int answer = Ui().MsgBox("Overwrite?", vbYesNo | vbQuestion | vbDefaultButton2, "Confirm");
  EXPECT_EQ(answer, vbNo);
  EXPECT_THAT(host_->failures(), ElementsAre(HasSubstr("unexpected msgbox [Confirm] Overwrite?")));
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
  EXPECT_THAT(host_->Problems(), IsEmpty());
  EXPECT_EQ(loads_seen, 1);
  EXPECT_EQ(activations_seen, 1);
  EXPECT_TRUE(dlg.accepted);
  EXPECT_EQ(dlg.txtName.Text(), "Job 1") << "a hidden dialog keeps its state for the caller";
  ASSERT_EQ(host_->shown().size(), 1u);
  EXPECT_EQ(host_->shown()[0].kind, "dialog");
  EXPECT_EQ(host_->shown()[0].title, "Test frmTest");
  EXPECT_THAT(host_->shown()[0].text, HasSubstr("cmdOK CommandButton \"OK\" default [disabled]"));
}

TEST_F(ScriptedDialogTest, DialogLeftOpenIsAFailureAndIsClosedByItsCancelButton) {
  TestDialog dlg;
  host_->ExpectDialog("frmTest", [](Dialog& d) { d.TypeText("txtName", "x"); });
  dlg.Show();
  EXPECT_THAT(host_->failures(), ElementsAre("dialog frmTest left open by the script"));
  EXPECT_FALSE(dlg.visible());
  EXPECT_FALSE(dlg.accepted);
  EXPECT_TRUE(dlg.loaded()) << "closed by Cancel, which only hides";
}

TEST_F(ScriptedDialogTest, UnexpectedOrMisnamedDialogIsAFailureAndIsCancelled) {
  TestDialog dlg;
  host_->ExpectDialog("frmOther", [](Dialog& d) { d.ClickButton("cmdOK"); });
  dlg.Show();
  EXPECT_THAT(host_->failures(), ElementsAre(HasSubstr("expected dialog [frmOther]")));
  EXPECT_FALSE(dlg.visible());
  EXPECT_FALSE(dlg.accepted);

  TestDialog again;
  again.Show();
  EXPECT_THAT(host_->failures().back(), HasSubstr("unexpected dialog [frmTest]"));
}

TEST_F(ScriptedDialogTest, RefusedActionsInCodeOrScriptAreFailures) {
  TestDialog dlg;
  host_->ExpectDialog("frmTest", test::Press({"cmdOK", "cmdCancel"}));  // OK is still disabled
  dlg.Show();
  EXPECT_THAT(host_->failures(), ElementsAre("refused: frmTest: click cmdOK: the control is disabled"));
  // A refused action of a text script names its line.
  TestDialog scripted;
  AddScript("dialog frmTest\n  click cmdOK\n  escape\n");
  scripted.Show();
  EXPECT_THAT(host_->failures(),
              ElementsAre(::testing::_, "refused (click cmdOK): frmTest: click cmdOK: the control is disabled"));
}

TEST_F(ScriptedDialogTest, OwnerIsActivatedAgainWhenANestedDialogCloses) {
  TestDialog outer;
  TestDialog inner("frmInner");
  outer.on_ok = [&] { inner.Show(); };
  host_->ExpectDialog("frmTest", test::TypeAndOk("txtName", "x"));
  host_->ExpectDialog("frmInner", [](Dialog& d) { d.PressEscape(); });
  outer.Show();
  EXPECT_THAT(host_->Problems(), IsEmpty());
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
  AddScript(
      "dialog frmTest\n"
      "  type txtName \"outer\"\n"
      "  click cmdOK\n"
      "dialog frmInner\n"
      "  type txtName \"inner\"\n"
      "  enter\n"
      "msgbox \"Result\" \"Inner said: inner\" -> OK\n");
  outer.Show();
  EXPECT_THAT(host_->Problems(), IsEmpty());
  EXPECT_TRUE(outer.accepted);
  EXPECT_TRUE(inner.accepted);
  EXPECT_EQ(host_->pending_steps(), 0u);
}

TEST_F(ScriptedDialogTest, ActionNamingAnOuterDialogEndsTheInnerOneAsLeftOpen) {
  TestDialog outer;
  TestDialog inner("frmInner");
  outer.on_ok = [&] { inner.Show(); };
  AddScript(
      "dialog frmTest\n"
      "  type txtName \"x\"\n"
      "  click cmdOK\n"
      "dialog frmInner\n"
      "  @frmTest click cmdCancel\n");
  outer.Show();
  EXPECT_THAT(host_->failures(), ElementsAre("dialog frmInner left open by the script"));
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
  EXPECT_THAT(host_->shown()[1].text, HasSubstr("prgFiles ProgressBar 40 of 0..100"));
  EXPECT_TRUE(host_->failures().empty());
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
