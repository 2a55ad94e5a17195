// The select-project dialog and the project-not-found handling behind its OK
// button: the application filter, what the list shows and preselects, the
// mode-dependent texts and help topics, the New button, the existence check
// of a chosen project, and Close and Remove in the not-found dialog. Every
// dialog and message is driven through the scripted host with exact texts.

#include "ui/dialog_messages.h"
#include "dialogs/frm_select.h"
#include "dialogs/project_search.h"
#include "pds/UiHost.h"
#include "tests/support/dialog_steps.h"
#include "tests/support/fault_env.h"
#include "tests/support/installed_test.h"

namespace pds::test {
namespace {

const std::string kGone =
    "The project you selected cannot be opened because its project folder no longer exists.  If the project folder "
    "was moved, renamed or remapped, press Find to locate the folder and reconnect the project.  If the project "
    "folder was deleted, press Remove to remove the project from your projects list.";
const std::string kEmpty =
    "The project you selected cannot be opened because its project folder is empty.  If the project was moved, press "
    "Find to locate the project and reconnect it.  If the project was deleted, press Remove to remove the project "
    "from your projects list.";
const std::string kOther =
    "The project you selected cannot be opened because its project folder contains a different project.  If the "
    "project was moved, press Find to locate the project and reconnect it.  If the project was deleted, press Remove "
    "to remove the project from your projects list.";
const std::string kPad(100, ' ');

// PMP10 started on an installation of all three applications; the tests fill its projects list.
class SelectDialogTest : public InstalledTest {
 protected:
  void SetUp() override {
    help_file_ = HelpFile();
    Install();
    ASSERT_EQ(Init(server_, "PMP10"), RETURN_OK);
  }
  void TearDown() override {
    SetHelpFile(help_file_);
    InstalledTest::TearDown();
  }

  std::string Folder(const std::string& name) const { return temp_ / ("projects/" + name); }
  // Lists a project, with a folder holding its project file unless told otherwise.
  void AddProject(const std::string& name, const std::vector<std::string>& apps, bool with_folder = true) {
    if (with_folder) {
      fs::create_directories(Folder(name));
      temp_.Write("projects/" + name + "/PROJECT.QVP", "[Project]\r\nProject Name=" + name + "\r\n");
    }
    AddJob(name, Folder(name), apps);
  }
  std::vector<std::string> JobNames() {
    std::vector<std::string> names;
    for (const auto& row : Rows(ProjectsDbPath(), "SELECT sJobName FROM Job ORDER BY sJobName")) names.push_back(row[0]);
    return names;
  }
  // The dialog as SelectProject prepares it.
  void Prepare(frmSelect& dialog, eProjectOperationMode mode = SELECT_MODE, const std::string& type = "") {
    dialog.SetProjectMode(mode);
    dialog.SetDefaultType(type);
    dialog.SetServer(&ServerOf(server_));
    dialog.SetProjectsDb(server_.ProjectDb());
  }
  // Shows the dialog so prepared with the user's part given.
  void Show(frmSelect& dialog, eProjectOperationMode mode, DialogActions user, const std::string& type = "") {
    Prepare(dialog, mode, type);
    host_->ExpectDialog("frmSelect", std::move(user));
    dialog.Show();
  }

  clsProjectDataServer server_;
  std::string help_file_;
};

std::vector<std::string> Names(const ListView& list) {
  std::vector<std::string> names;
  for (int i = 1; i <= list.ItemCount(); ++i) names.push_back(list.Item(i)->Text());
  return names;
}

ListView& Projects(Dialog& d) { return *d.Find<ListView>("lvwProjects"); }

// ---- the list and its filter

TEST_F(SelectDialogTest, FilterOffersApplicationsWithProjectSupportAndTheListFollowsIt) {
  Shared().installed_apps.push_back({"XXXYY", "Shared Data", "1.0", 2});
  AddProject("Alpha", {"PMP10"});
  AddProject("Beta", {"LAY10", "PMP10"});
  AddProject("Gamma", {});
  // A default application that has no entry lists every project.
  frmSelect unknown;
  Show(unknown, OPEN_MODE, [](Dialog& d) {
    const ComboBox& types = *d.Find<ComboBox>("cboType");
    std::vector<std::string> entries;
    for (int i = 0; i < types.ListCount(); ++i) entries.push_back(types.List(i));
    EXPECT_THAT(entries, ElementsAre("Show All Projects (*.*)", "Pump Designer  1.0" + kPad + "PMP10",
                                     "Layout Planner  1.0" + kPad + "LAY10"));
    EXPECT_EQ(types.ListIndex(), 0);
    EXPECT_THAT(Names(Projects(d)), ElementsAre("Alpha", "Beta", "Gamma"));
    d.ClickButton("cmdCancel");
  }, "CAL10");

  frmSelect dialog;
  Show(dialog, OPEN_MODE, [this](Dialog& d) {
    EXPECT_THAT(Names(Projects(d)), ElementsAre("Beta"));
    EXPECT_EQ(Projects(d).Item(1)->SubItem(1), Folder("Beta"));
    d.SelectItem("cboType", 0);
    EXPECT_THAT(Names(Projects(d)), ElementsAre("Alpha", "Beta", "Gamma"));
    d.SelectItem("cboType", 1);
    EXPECT_THAT(Names(Projects(d)), ElementsAre("Alpha", "Beta"));
    d.ClickButton("cmdCancel");
  }, " lay10 ");
}

TEST_F(SelectDialogTest, CurrentProjectIsPreselectedElseTheFirstEntry) {
  AddProject("Alpha", {});
  AddProject("Beta", {});
  for (const std::string& current : {std::string(" beta "), std::string("Missing")}) {
    frmSelect dialog;
    dialog.SetCurrentProjectName(current);
    const std::string expected = current == "Missing" ? "Alpha" : "Beta";
    Show(dialog, SELECT_MODE, [&](Dialog& d) {
      ASSERT_NE(Projects(d).SelectedItem(), nullptr);
      EXPECT_EQ(Projects(d).SelectedItem()->Text(), expected);
      EXPECT_EQ(Projects(d).VisibleItem(), Projects(d).SelectedItem());
      EXPECT_TRUE(d.Find<CommandButton>("cmdOK")->Enabled());
      d.ClickButton("cmdCancel");
    });
  }
}

TEST_F(SelectDialogTest, ColumnClickSortsAndASecondClickReverses) {
  AddProject("Beta", {});
  AddProject("alpha", {});
  AddProject("Gamma", {});
  server_.SetSortProjectsList(false);
  frmSelect dialog;
  Show(dialog, SELECT_MODE, [](Dialog& d) {
    EXPECT_THAT(Names(Projects(d)), ElementsAre("Beta", "alpha", "Gamma"));
    d.ClickColumn("lvwProjects", 1);
    EXPECT_THAT(Names(Projects(d)), ElementsAre("alpha", "Beta", "Gamma"));
    d.ClickColumn("lvwProjects", 1);
    EXPECT_THAT(Names(Projects(d)), ElementsAre("Gamma", "Beta", "alpha"));
    // The sort stays on when the list is loaded again.
    d.SelectItem("cboType", 0);
    EXPECT_THAT(Names(Projects(d)), ElementsAre("Gamma", "Beta", "alpha"));
    d.ClickButton("cmdCancel");
  });
  EXPECT_TRUE(dialog.SortProjectsList());
}

// Held by another process: refused exclusively though a shared probe opens it, on a clock moved only by sleeps.
TEST_F(SelectDialogTest, BusyProjectsDatabaseLeavesAnEmptyListAndOkDisabled) {
  AddProject("Alpha", {});
  FakeClockEnv env;
  env.Fail(Call::kLockExclusive, 32, [db = server_.ProjectDb()](const std::string& p) { return p == db; });
  platform::ScopedEnv scoped(&env);
  frmSelect dialog;
  Prepare(dialog);
  host_->ExpectDialog("frmSelect", [](Dialog& d) {
    EXPECT_EQ(Projects(d).ItemCount(), 0);
    EXPECT_FALSE(d.Find<CommandButton>("cmdOK")->Enabled());
    d.ClickButton("cmdCancel");
  });
  host_->ExpectMsgBoxContaining("LoadProjectList()", "Database File " + server_.ProjectDb() +
                                                         " is currently in use.  Please try again later.\r\n\n");
  dialog.Show();
  EXPECT_FALSE(dialog.Accepted());
}

// ---- mode-dependent texts, help and the New button

struct ModeCase {
  const char* label;
  eProjectOperationMode mode;
  const char* caption;
  const char* ok;
  const char* tool_tip;
  long help_context;
  bool network_user = false;  // started for jsmith, whom the heading names
};

class SelectDialogModeTest : public SelectDialogTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(SelectDialogModeTest, CaptionOkButtonAndHelpFollowTheMode) {
  const ModeCase c = GetParam();
  AddProject("Alpha", {});
  SetHelpFile("/opt/help/KOVRA.HLP");
  frmSelect dialog;
  if (c.network_user) dialog.SetUserName("jsmith");
  Show(dialog, c.mode, [&](Dialog& d) {
    EXPECT_EQ(d.Caption(), c.caption);
    EXPECT_EQ(d.Find<CommandButton>("cmdOK")->Caption(), c.ok);
    EXPECT_EQ(d.Find<CommandButton>("cmdOK")->ToolTipText(), c.tool_tip);
    EXPECT_EQ(d.Find<Label>("lblHeading")->Caption(),
              c.network_user ? "Select Project:    [User:  jsmith]" : "Select Project:  ");
    Press({"cmdHelp", "cmdCancel"})(d);
  });
  const ui::ShownItem& help = host_->shown().back();
  EXPECT_EQ(help.kind, "help");
  EXPECT_EQ(help.text, c.help_context ? "1:" + std::to_string(c.help_context) : std::string("11:0"));
}

INSTANTIATE_TEST_SUITE_P(
    SelectModes, SelectDialogModeTest,
    ::testing::Values(ModeCase{"Open", OPEN_MODE, "Open Project", "Open", "Open the selected project", 10122},
                      ModeCase{"DeleteForANetworkUser", DELETE_MODE, "Delete Project", "Delete",
                               "Delete the selected project", 10152, true},
                      ModeCase{"Archive", ARCHIVE_MODE, "Archive Project", "OK", "", 0},
                      ModeCase{"Select", SELECT_MODE, "Select Project", "OK", "", 0},
                      ModeCase{"Save", SAVE_MODE, "Select Project", "OK", "", 0}), ByLabel());

struct NewButtonCase {
  const char* label;
  eProjectOperationMode mode;
  bool asked;
  bool visible;
};

class SelectDialogNewButtonTest : public SelectDialogTest, public ::testing::WithParamInterface<NewButtonCase> {};

TEST_P(SelectDialogNewButtonTest, NewButtonOnlyInOpenModeWhenAskedFor) {
  const NewButtonCase c = GetParam();
  frmSelect dialog;
  dialog.SetShowNewButton(c.asked);
  Show(dialog, c.mode, [&](Dialog& d) {
    EXPECT_EQ(d.Find<CommandButton>("cmdNew")->Visible(), c.visible);
    d.ClickButton(c.visible ? "cmdNew" : "cmdCancel");
  });
  EXPECT_EQ(dialog.NewPressed(), c.visible);
  EXPECT_FALSE(dialog.Accepted());
}

INSTANTIATE_TEST_SUITE_P(SelectModes, SelectDialogNewButtonTest,
                         ::testing::Values(NewButtonCase{"OpenAsked", OPEN_MODE, true, true},
                                           NewButtonCase{"OpenNotAsked", OPEN_MODE, false, false},
                                           NewButtonCase{"SelectAsked", SELECT_MODE, true, false},
                                           NewButtonCase{"DeleteAsked", DELETE_MODE, true, false}), ByLabel());

// ---- OK, the existence check and the not-found dialog

TEST_F(SelectDialogTest, OkOnAProjectThatIsThereReturnsItsNameFolderAndKeyAndCancelOrCloseReturnNone) {
  AddProject("Alpha", {});
  AddProject("Beta", {});
  std::int32_t id = 0;
  std::string path;
  ASSERT_TRUE(server_.GetProjectInfo("Beta", id, path));
  frmSelect dialog;
  Show(dialog, OPEN_MODE, [](Dialog& d) {
    d.DoubleClick("lvwProjects", 0);  // empty space: no choice
    EXPECT_TRUE(d.visible());
    d.DoubleClick("lvwProjects", 2);
  });
  EXPECT_TRUE(dialog.Accepted());
  EXPECT_FALSE(dialog.NewPressed());
  EXPECT_EQ(dialog.SelectedName(), "Beta");
  EXPECT_EQ(dialog.SelectedPath(), Folder("Beta"));
  EXPECT_EQ(dialog.SelectedJobID(), id);

  for (const char* how : {"cancel", "close"}) {
    frmSelect dialog;
    Show(dialog, SELECT_MODE,
         [&](Dialog& d) { std::string(how) == "cancel" ? d.ClickButton("cmdCancel") : d.CloseByUser(); });
    EXPECT_FALSE(dialog.Accepted()) << how;
    EXPECT_FALSE(dialog.NewPressed()) << how;
    EXPECT_EQ(dialog.SelectedName(), "") << how;
  }
}

TEST_F(SelectDialogTest, VanishedFolderShowsNotFoundWhereCloseKeepsTheProjectListedAndRemoveTakesItOff) {
  AddProject("Alpha", {});
  AddProject("Beta", {}, /*with_folder=*/false);
  frmSelect dialog;
  Prepare(dialog, OPEN_MODE);
  dialog.SetCurrentProjectName("Beta");
  host_->ExpectDialog("frmSelect", [](Dialog& d) {
    d.ClickButton("cmdOK");
    EXPECT_TRUE(d.visible());
    EXPECT_THAT(Names(Projects(d)), ElementsAre("Alpha", "Beta"));
    EXPECT_EQ(Projects(d).SelectedItem()->Text(), "Beta");
    d.ClickButton("cmdCancel");
  });
  host_->ExpectDialog("frmProjectNotFound", [&](Dialog& d) {
    EXPECT_EQ(d.Find<Label>("lblMessage")->Caption(), kGone);
    EXPECT_EQ(d.Find<Label>("lblProjectName")->Caption(), "Beta");
    EXPECT_EQ(d.Find<Label>("lblProjectPath")->Caption(), Folder("Beta"));
    EXPECT_EQ(d.HelpContextID(), 10124);
    d.ClickButton("cmdClose");
  });
  dialog.Show();
  EXPECT_FALSE(dialog.Accepted());
  EXPECT_THAT(JobNames(), ElementsAre("Alpha", "Beta"));

  frmSelect again;
  Prepare(again);
  host_->ExpectDialog("frmSelect", [](Dialog& d) {
    d.SelectItem("lvwProjects", 2);
    d.ClickButton("cmdOK");
    EXPECT_TRUE(d.visible());
    EXPECT_THAT(Names(Projects(d)), ElementsAre("Alpha"));
    EXPECT_EQ(Projects(d).SelectedItem(), Projects(d).Item(1));
    d.ClickButton("cmdOK");
  });
  host_->ExpectDialog("frmProjectNotFound", Press({"cmdRemove"}));
  host_->ExpectMsgBox("Project Removed From List", "Project [Beta] has been removed from the projects list.");
  again.Show();
  EXPECT_TRUE(again.Accepted());
  EXPECT_EQ(again.SelectedName(), "Alpha");
  EXPECT_THAT(JobNames(), ElementsAre("Alpha"));
}

TEST_F(SelectDialogTest, NotFoundCloseBoxOnlyHidesAndAnswersClosed) {
  bool changed = false;
  host_->ExpectDialog("frmProjectNotFound", [](Dialog& d) {
    d.CloseByUser();
    EXPECT_TRUE(d.loaded());
  });
  EXPECT_EQ(ShowProjectNotFoundDialog("Beta", Folder("Beta"), kGone, changed), kProjectNotFoundClosed);
  EXPECT_FALSE(changed);
}

TEST_F(SelectDialogTest, RemoveReportsAProjectsDatabaseThatCannotBeOpened) {
  AddProject("Alpha", {});
  fs::remove(server_.ProjectDb());
  bool changed = false;
  host_->ExpectMsgBoxContaining("ProjectDataServer.modBrowse.RemoveProjectFromList", "");
  EXPECT_FALSE(RemoveProjectFromList("Alpha", changed));
  EXPECT_FALSE(changed);
  EXPECT_EQ(host_->shown().back().style, vbCritical);
}

struct ExistenceCase {
  const char* label;
  const char* file;     // the project file's name in projects/Alpha; null: no folder
  const char* content;  // null: no project file
  bool exists;
  const std::string* message;
};

class ProjectExistenceTest : public SelectDialogTest, public ::testing::WithParamInterface<ExistenceCase> {};

TEST_P(ProjectExistenceTest, ChecksFolderProjectFileAndName) {
  const ExistenceCase c = GetParam();
  if (c.file) fs::create_directories(Folder("Alpha"));
  if (c.file && c.content) temp_.Write(std::string("projects/Alpha/") + c.file, c.content);
  SetError(3021, "stale");
  std::string message = "previous";
  EXPECT_EQ(DoesProjectExistInFolder(" Alpha ", Folder("Alpha") + "/", message), c.exists);
  EXPECT_EQ(message, c.message ? *c.message : std::string());
  // The check leaves the caller's pending error alone.
  EXPECT_EQ(Err().number, 3021);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, ProjectExistenceTest,
    ::testing::Values(
        ExistenceCase{"Gone", nullptr, nullptr, false, &kGone},
        ExistenceCase{"NoProjectFile", "PROJECT.QVP", nullptr, false, &kEmpty},
        ExistenceCase{"OtherProject", "PROJECT.QVP", "[Project]\r\nProject Name=Beta\r\n", false, &kOther},
        ExistenceCase{"SameNameOtherCase", "project.qvp", "[project]\nproject name=ALPHA\n", true, nullptr},
        ExistenceCase{"NoNameInFile", "PROJECT.QVP", "[Properties]\r\nProject Number=7\r\n", false, nullptr}),
    ByLabel());

}  // namespace
}  // namespace pds::test
