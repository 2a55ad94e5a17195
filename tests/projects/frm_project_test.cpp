// The archive information dialog on its own, driven through the scripted
// host: what it shows, how its pages switch, what each way out answers, and
// how the item-data page reuses its entries.
#include <gmock/gmock.h>


#include "dialogs/frm_project.h"
#include "pds/PendingError.h"
#include "pds/clsProject.h"
#include "ui/dialog_messages.h"
#include "tests/support/test_support.h"

namespace pds {
namespace {

class ArchiveInfoDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearError(); }
  void TearDown() override { EXPECT_THAT(host_->Problems(), ::testing::IsEmpty()); }

  // Shows the dialog with the user's part given; returns its result.
  int Run(std::function<void(frmProject&)> user) {
    host_->ExpectDialog("frmProject", [user](Dialog& d) { user(static_cast<frmProject&>(d)); });
    dialog_.Show();
    return dialog_.Result();
  }

  test::ScopedScriptedHost host_;
  frmProject dialog_;
};

TEST_F(ArchiveInfoDialogTest, ShowsThreeApplicationsInArchiveOrderAndTheRecord) {
  auto record = std::make_shared<clsProject>();
  record->SetJobName("Demo Plant");
  record->SetJobNumber("J-7");
  record->SetSalesPerson("Ann");
  dialog_.SetProject(record);
  dialog_.ClearApps();
  for (const char* app : {"Pump Designer v1.0", "Layout Planner v1.0", "Calc 3"}) dialog_.AddApp(app, app);
  dialog_.SetArchiveVersion("AR002");
  EXPECT_EQ(Run([](frmProject& f) {
              EXPECT_EQ(f.tabPages.TabCount(), 3);
              EXPECT_EQ(f.tabPages.GetTab("TAB3")->Caption(), "&Item Data");
              EXPECT_EQ(f.lstApps.ListCount(), 3);
              EXPECT_EQ(f.lstApps.List(0) + "|" + f.lstApps.List(1) + "|" + f.lstApps.List(2),
                        "Pump Designer v1.0|Layout Planner v1.0|Calc 3");
              EXPECT_EQ(f.txtGenName.Text(), "Demo Plant");
              EXPECT_EQ(f.txtArchiveVersion.Text(), "AR002");
              EXPECT_EQ(f.txtProjectManager.Text(), "Ann");
              EXPECT_EQ(f.lblProjectManager.Caption(), "Project Manager:");
              EXPECT_EQ(f.cmdBrowse.ToolTipText(), "Select a different project to retrieve.");
              f.ClickButton("cmdRetrieve");
            }),
            kProjectInfoRetrieve);
}

// Every way out of the dialog and the result the retrieve reads.
struct WayOut {
  const char* name;
  std::function<void(frmProject&)> act;
  int result;
  int apps_left;
};

class ArchiveInfoWayOutTest : public ArchiveInfoDialogTest, public ::testing::WithParamInterface<WayOut> {};

TEST_P(ArchiveInfoWayOutTest, AnswersItsResultAndHides) {
  dialog_.AddApp("Pump Designer v1.0", "PMP10");
  EXPECT_EQ(Run(GetParam().act), GetParam().result);
  EXPECT_FALSE(dialog_.visible());
  EXPECT_EQ(dialog_.AppCount(), GetParam().apps_left);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, ArchiveInfoWayOutTest,
    ::testing::Values(WayOut{"Retrieve", [](frmProject& f) { f.ClickButton("cmdRetrieve"); }, 2, 1},
                      WayOut{"Browse", [](frmProject& f) { f.ClickButton("cmdBrowse"); }, 3, 1},
                      WayOut{"Cancel", [](frmProject& f) { f.ClickButton("cmdCancel"); }, 1, 1},
                      WayOut{"Escape", [](frmProject& f) { f.PressEscape(); }, 1, 1},
                      WayOut{"CloseBoxIsCancelAndEmptiesTheList", [](frmProject& f) { f.CloseByUser(); }, 1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ArchiveInfoDialogTest, SelectingATabShowsOnlyItsPage) {
  EXPECT_EQ(Run([](frmProject& f) {
              EXPECT_TRUE(f.lstApps.Visible());
              EXPECT_FALSE(f.txtJobNumber.Visible());
              f.SelectTab("tabPages", 2);
              EXPECT_EQ(f.CurrentPage(), 2);
              EXPECT_TRUE(f.txtJobNumber.Visible());
              EXPECT_FALSE(f.lstApps.Visible());
              EXPECT_FALSE(f.lstProperty.Visible());
              f.SelectTab("tabPages", 3);
              EXPECT_TRUE(f.lstProperty.Visible());
              EXPECT_FALSE(f.txtJobNumber.Visible());
              f.SelectTab("tabPages", 1);
              EXPECT_TRUE(f.txtArchiveVersion.Visible());
              EXPECT_FALSE(f.txtValue.Visible());
              f.ClickButton("cmdCancel");
            }),
            kProjectInfoCancel);
}

TEST_F(ArchiveInfoDialogTest, ItemDataReusesTheNamedEntryThenAnEmptyOneThenAppends) {
  dialog_.SetItemData("Flow", "10");
  dialog_.SetItemData("", "");
  dialog_.SetItemData("Head", "5");       // takes the empty entry
  dialog_.SetItemData("FLOW", "12");      // same property, other case
  dialog_.SetItemData("Speed", "1450");   // appended
  ASSERT_EQ(dialog_.ItemData().size(), 3u);
  EXPECT_EQ(dialog_.lstProperty.List(0) + "|" + dialog_.lstProperty.List(1) + "|" + dialog_.lstProperty.List(2),
            "FLOW|Head|Speed");
  EXPECT_EQ(Run([](frmProject& f) {
              f.SelectTab("tabPages", 3);
              f.SelectItem("lstProperty", 0);
              EXPECT_EQ(f.txtValue.Text(), "12");
              f.SelectItem("lstProperty", 2);
              EXPECT_EQ(f.txtValue.Text(), "1450");
              f.ClearItemData();
              EXPECT_EQ(f.lstProperty.ListCount(), 0);
              EXPECT_EQ(f.txtValue.Text(), "");
              f.ClickButton("cmdCancel");
            }),
            kProjectInfoCancel);
  EXPECT_TRUE(dialog_.ItemData().empty());
}

}  // namespace
}  // namespace pds
