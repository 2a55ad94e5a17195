// The name entry dialog, the folder dialog and the archive information dialog
// on their own, driven through the scripted host with the exact texts the
// user sees: what they show and accept, how they refuse, their help topics,
// and how the archive information's pages switch and reuse their entries.
#include <algorithm>

#include "config/process_state.h"
#include "dialogs/frm_folder.h"
#include "dialogs/frm_new.h"
#include "dialogs/frm_project.h"
#include "dialogs/frm_properties.h"
#include "dialogs/frm_save_project_as.h"
#include "pds/PendingError.h"
#include "pds/Types.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "tests/support/dialog_steps.h"
#include "tests/support/test_support.h"
#include "tests/support/volume_env.h"
#include "ui/dialog_messages.h"

namespace pds::test {
namespace {

class FormsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearError();
    saved_projects_folder_ = Shared().default_projects_folder;
    saved_help_file_ = HelpFile();
    Shared().default_projects_folder = temp_ / "Projects";
    fs::create_directory(temp_ / "Projects");
  }
  void TearDown() override {
    Shared().default_projects_folder = saved_projects_folder_;
    SetHelpFile(saved_help_file_);
    EXPECT_THAT(host_->Problems(), IsEmpty());
  }

  test::TempFolder temp_;
  test::ScopedScriptedHost host_;
  std::string saved_projects_folder_;
  std::string saved_help_file_;
};

using NameEntryTest = FormsTest;

TEST_F(NameEntryTest, PlainModeEnablesOkWithTextAcceptsItTrimmedAndCapsTheLength) {
  frmNew dialog;
  dialog.SetMode(0);
  host_->ExpectDialog("frmNew", [](Dialog& d) {
    auto& f = static_cast<frmNew&>(d);
    EXPECT_EQ(f.Caption(), "New Name");
    EXPECT_EQ(f.lblName.Caption(), "Name:");
    EXPECT_FALSE(f.txtCurrentFolder.Visible());
    EXPECT_FALSE(f.cmdOK.Enabled());
    d.TypeText("txtName", "x");
    EXPECT_TRUE(f.cmdOK.Enabled());
    d.TypeText("txtName", "  a:b/c  ");
    d.ClickButton("cmdOK");
  });
  dialog.Show();
  EXPECT_TRUE(dialog.Accepted());
  EXPECT_EQ(dialog.EnteredName(), "a:b/c");
  // The limit is capped at 237; values that are not positive leave it as it was.
  dialog.SetMaxLength(500);
  EXPECT_EQ(dialog.MaxLength(), 237);
  dialog.SetMaxLength(12);
  EXPECT_EQ(dialog.MaxLength(), 12);
  dialog.SetMaxLength(0);
  dialog.SetMaxLength(-4);
  EXPECT_EQ(dialog.MaxLength(), 12);
}

TEST_F(NameEntryTest, CancelAfterTypingLeavesNoNameAndNotAccepted) {
  frmNew dialog;
  dialog.SetInitialName("Start");
  host_->ExpectDialog("frmNew", [](Dialog& d) {
    EXPECT_EQ(static_cast<frmNew&>(d).txtName.SelText(), "Start") << "the initial name is selected";
    d.TypeText("txtName", "Typed");
    d.ClickButton("cmdCancel");
  });
  dialog.Show();
  EXPECT_FALSE(dialog.Accepted());
  EXPECT_EQ(dialog.EnteredName(), "");
}

TEST_F(NameEntryTest, FolderModeRefusesAnInvalidNameKeepingItSelectedThenAcceptsAValidOne) {
  frmNew dialog;
  dialog.SetMode(frmNew::kFolderNameMode);
  dialog.SetCurrentFolder(temp_.path());
  host_->ExpectDialog("frmNew", [](Dialog& d) {
    auto& f = static_cast<frmNew&>(d);
    d.TypeText("txtName", ".hidden");
    d.ClickButton("cmdOK");
    EXPECT_TRUE(f.visible());
    EXPECT_EQ(f.ActiveControl(), &f.txtName);
    EXPECT_EQ(f.txtName.SelText(), ".hidden");
    d.TypeText("txtName", "Good Name");
    d.ClickButton("cmdOK");
  });
  host_->ExpectMsgBox("ValidateLongFileName()",
                      "Invalid file or folder name.  A file or folder name cannot begin or end with a period(.).");
  dialog.Show();
  EXPECT_TRUE(dialog.Accepted());
  EXPECT_EQ(dialog.EnteredName(), "Good Name");
  EXPECT_EQ(dialog.MaxLength(), 237) << "the volume's 255 is capped";
  EXPECT_EQ(host_->shown()[1].style, vbExclamation);
}

struct VolumeCase {
  const char* label;
  int volume_limit;
  std::string name;
  std::string title;  // empty: accepted
  std::string text;
};

class NameEntryVolumeTest : public FormsTest, public ::testing::WithParamInterface<VolumeCase> {};

TEST_P(NameEntryVolumeTest, VolumeLimitChoosesBetweenShortAndLongRules) {
  const VolumeCase& c = GetParam();
  VolumeEnv env(c.volume_limit);
  platform::ScopedEnv scoped(&env);
  frmNew dialog;
  dialog.SetMode(frmNew::kFolderNameMode);
  dialog.SetCurrentFolder(temp_.path());
  host_->ExpectDialog("frmNew", [&](Dialog& d) {
    EXPECT_EQ(static_cast<frmNew&>(d).MaxLength(), std::min(c.volume_limit, 237));
    d.TypeText("txtName", c.name);
    d.ClickButton("cmdOK");
    if (!c.title.empty()) d.ClickButton("cmdCancel");
  });
  if (!c.title.empty()) host_->ExpectMsgBox(c.title, c.text);
  dialog.Show();
  EXPECT_EQ(dialog.Accepted(), c.title.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rules, NameEntryVolumeTest,
    ::testing::Values(
        VolumeCase{"ShortTooLong", 12, "NINECHARS", "ValidateShortFileName()",
                   "Invalid file or folder name.  This name is too long.  Please enter a shorter name."},
        VolumeCase{"ShortValid", 12, "JOB'S&1.TXT", "", ""},
        VolumeCase{"LongAtThirteen", 13, "NINECHARS", "", ""},
        VolumeCase{"LongInvalidCharacter", 13, "a|b", "ValidateLongFileName()",
                   "Invalid file or folder name.  An invalid character(s) was used.  The following are invalid "
                   "characters:  '<>:/|\\\""}), ByLabel());

class FolderDialogTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    root_ = temp_ / "root";
    fs::create_directories(root_ + "/Beta/Inner");
    fs::create_directories(root_ + "/alpha");
    temp_.Write("root/file.txt", "not a folder");
  }
  // The folder dialog in save mode, starting at start (the root when empty).
  std::unique_ptr<frmFolder> MakeDialog(const std::string& start = "") {
    auto dialog = std::make_unique<frmFolder>();
    dialog->SetMode(SAVE_MODE);
    dialog->SetStartFolder(start.empty() ? root_ : start);
    return dialog;
  }
  std::string root_;
};

TEST_F(FolderDialogTest, BrowsingListsSubfoldersAndClickChoosesDoubleClickOpens) {
  auto dialog = MakeDialog();
  host_->ExpectDialog("frmFolder", [&](Dialog& d) {
    auto& f = static_cast<frmFolder&>(d);
    EXPECT_EQ(f.Caption(), "Save Project As");
    ASSERT_EQ(f.dirFolder.ListCount(), 3);
    EXPECT_EQ(f.dirFolder.List(0), "..");
    EXPECT_EQ(f.dirFolder.List(1), "alpha");
    EXPECT_EQ(f.dirFolder.List(2), "Beta");
    EXPECT_EQ(f.txtProjectFolder.Text(), root_);
    EXPECT_GE(f.drvDrive.ListIndex(), 0) << "the drive list shows the folder's mount point";
    d.SelectItem("dirFolder", 2);
    EXPECT_EQ(f.txtProjectFolder.Text(), root_ + "/Beta");
    d.DoubleClick("dirFolder");
    EXPECT_EQ(f.ShownFolder(), root_ + "/Beta");
    EXPECT_EQ(f.dirFolder.List(1), "Inner");
    d.SelectItem("dirFolder", 0);
    d.DoubleClick("dirFolder");
    EXPECT_EQ(f.ShownFolder(), root_);
    d.SelectItem("dirFolder", 1);
    d.ClickButton("cmdOK");
  });
  dialog->Show();
  EXPECT_TRUE(dialog->Accepted());
  EXPECT_EQ(dialog->Folder(), root_ + "/alpha");
}

TEST_F(FolderDialogTest, StartFolderThatDoesNotExistYetStartsAtItsNearestParent) {
  auto dialog = MakeDialog(root_ + "/Beta/NotYet/Deeper");
  host_->ExpectDialog("frmFolder", Press({"cmdCancel"}));
  dialog->Show();
  EXPECT_EQ(dialog->ShownFolder(), root_ + "/Beta");
  EXPECT_FALSE(dialog->Accepted());
  EXPECT_EQ(dialog->Folder(), "");
}

// A refused folder: the message ("{}" stands for the text typed), the dialog still open.
struct PathCase {
  std::string label;
  std::string (*typed)(const std::string& temp);
  std::string message;
};

class ValidateProjectPathTest : public FolderDialogTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(ValidateProjectPathTest, RefusesWithItsMessageAndStaysOpen) {
  const std::string typed = GetParam().typed(temp_.path());
  auto dialog = MakeDialog();
  host_->ExpectDialog("frmFolder", RefusedThenCancel("txtProjectFolder", typed));
  host_->ExpectMsgBox("ValidateProjectPath()", Fill(GetParam().message, typed));
  dialog->Show();
  EXPECT_FALSE(dialog->Accepted());
  EXPECT_EQ(host_->shown()[1].style, vbCritical);
}

const std::string kFolderNotFound = "Folder was not found.\r[{}]\rPlease choose a different folder name.";

INSTANTIATE_TEST_SUITE_P(
    Rules, ValidateProjectPathTest,
    ::testing::Values(
        PathCase{"Empty", [](const std::string&) { return std::string(); },
                 "Invalid Project Folder.\r\n[{}]\r\nThere is no folder selected."},
        PathCase{"TooLong", [](const std::string& temp) { return temp + "/" + std::string(237 - temp.size(), 'x'); },
                 "Invalid Project Path.\r\n[{}]\r\nThe project path is too long.  Please choose a different project "
                 "folder."},
        PathCase{"DefaultProjectsFolderInOtherCase", [](const std::string& temp) { return temp + "/PROJECTS/"; },
                 "This folder is restricted.  [{}]\r\n\nPlease click [New Folder...] button or choose a different "
                 "folder."},
        PathCase{"Missing", [](const std::string& temp) { return temp + "/root/missing"; }, kFolderNotFound},
        PathCase{"AFileNotAFolder", [](const std::string& temp) { return temp + "/root/file.txt"; },
                 kFolderNotFound}), ByLabel());

TEST_F(FolderDialogTest, NewFolderCancelledDoesNothingAndANamedOneIsCreatedAndAccepted) {
  auto dialog = MakeDialog();
  host_->ExpectDialog("frmFolder", [](Dialog& d) {
    d.ClickButton("cmdNewFolder");
    EXPECT_TRUE(d.visible());
    d.ClickButton("cmdNewFolder");
  });
  host_->ExpectDialog("frmNew", [](Dialog& d) {
    d.TypeText("txtName", "Never");
    d.ClickButton("cmdCancel");
  });
  host_->ExpectDialog("frmNew", [&](Dialog& d) {
    auto& f = static_cast<frmNew&>(d);
    EXPECT_EQ(f.Caption(), "New Folder Name");
    EXPECT_EQ(f.lblName.Caption(), "Folder Name:");
    EXPECT_EQ(f.CurrentFolder(), root_);
    d.TypeText("txtName", "Job A");
    d.ClickButton("cmdOK");
  });
  dialog->Show();
  EXPECT_FALSE(fs::exists(root_ + "/Never"));
  EXPECT_TRUE(dialog->Accepted());
  EXPECT_EQ(dialog->Folder(), root_ + "/Job A");
  EXPECT_TRUE(fs::is_directory(root_ + "/Job A"));
}

// A refused new folder: the message ("{}": the new folder's path), nothing made, the dialog still open.
struct NewFolderCase {
  std::string label;
  std::string name;
  bool refuse_create;
  std::string message;
};

class NewFolderRefusedTest : public FolderDialogTest, public ::testing::WithParamInterface<NewFolderCase> {};

TEST_P(NewFolderRefusedTest, ShowsItsMessageAndCreatesNothing) {
  const NewFolderCase& c = GetParam();
  VolumeEnv env(255, c.refuse_create);
  platform::ScopedEnv scoped(&env);
  // A shown folder deep enough that a long new name crosses the path limit.
  const std::string deep = root_ + "/" + std::string(200 - root_.size(), 'd');
  fs::create_directories(deep + "/Existing");
  auto dialog = MakeDialog(deep);
  const std::string path = deep + "/" + c.name;
  const bool existed = fs::exists(path);
  host_->ExpectDialog("frmFolder", [](Dialog& d) {
    d.ClickButton("cmdNewFolder");
    EXPECT_TRUE(d.visible());
    d.ClickButton("cmdCancel");
  });
  host_->ExpectDialog("frmNew", TypeAndOk("txtName", c.name));
  host_->ExpectMsgBox("Invalid Project Folder", Fill(c.message, path));
  dialog->Show();
  EXPECT_EQ(fs::exists(path), existed);
  EXPECT_EQ(host_->shown().back().style, vbInformation);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NewFolderRefusedTest,
    ::testing::Values(
        // The new path is exactly 238 characters long.
        NewFolderCase{"PathTooLong", std::string(36, 'n'), false,
                      "Invalid New Project Folder.\r[{}]\r\nThe new project folder PATH is too long.  Please create "
                      "or choose another folder with a shorter path."},
        NewFolderCase{"AlreadyThere", "Existing", false,
                      "Cannot create new folder:\r[{}]\r\nA file or folder with the name you specified already "
                      "exists.  Specify a different folder name."},
        NewFolderCase{"CreationFails", "Job", true,
                      "Error creating new project folder.\r[{}]\r\nPlease choose a different folder name."}),
    ByLabel());

struct HelpCase {
  std::string label;
  std::function<std::unique_ptr<Dialog>()> make;
  std::string request;  // "command:context" as the host received it
};

class HelpButtonTest : public FormsTest, public ::testing::WithParamInterface<HelpCase> {};

TEST_P(HelpButtonTest, AsksForItsTopic) {
  SetHelpFile("/opt/tvx/KOVRA.HLP");
  auto dialog = GetParam().make();
  host_->ExpectDialog(dialog->FormName(), Press({"cmdHelp", "cmdCancel"}));
  dialog->Show();
  ASSERT_EQ(host_->shown().size(), 2u);
  EXPECT_EQ(host_->shown()[1].kind, "help");
  EXPECT_EQ(host_->shown()[1].title, "/opt/tvx/KOVRA.HLP");
  EXPECT_EQ(host_->shown()[1].text, GetParam().request);
}

template <class D>
std::function<std::unique_ptr<Dialog>()> Make(std::function<void(D&)> configure = nullptr) {
  return [configure]() -> std::unique_ptr<Dialog> {
    auto dialog = std::make_unique<D>();
    dialog->Load();
    if (configure) configure(*dialog);
    return dialog;
  };
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, HelpButtonTest,
    ::testing::Values(
        HelpCase{"NameEntryFolderMode", Make<frmNew>([](frmNew& d) { d.SetMode(frmNew::kFolderNameMode); }),
                 "1:10146"},
        HelpCase{"NameEntryPlainMode", Make<frmNew>(), "11:0"},
        HelpCase{"SaveAs", Make<frmSaveProjectAs>(), "1:10142"},
        HelpCase{"FolderSaveMode", Make<frmFolder>([](frmFolder& d) { d.SetMode(SAVE_MODE); }), "1:10144"},
        HelpCase{"FolderRetrieveMode", Make<frmFolder>([](frmFolder& d) { d.SetMode(RETRIEVE_PREV_MODE); }),
                 "1:10192"},
        HelpCase{"FolderExportMode", Make<frmFolder>([](frmFolder& d) { d.SetMode(EXPORT_PREV_MODE); }),
                 "1:10202"},
        HelpCase{"FolderOtherMode", Make<frmFolder>([](frmFolder& d) { d.SetMode(OPEN_MODE); }), "11:0"},
        HelpCase{"Properties", Make<frmProperties>(), "1:10160"},
        HelpCase{"ArchiveInformation", Make<frmProject>(), "1:10182"}), ByLabel());

class ArchiveInfoDialogTest : public FormsTest {
 protected:
  // Shows the dialog with the user's part given; returns its result.
  int Run(std::function<void(frmProject&)> user) {
    host_->ExpectDialog("frmProject", [user](Dialog& d) { user(static_cast<frmProject&>(d)); });
    dialog_.Show();
    return dialog_.Result();
  }

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
    ByName());

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
}  // namespace pds::test
