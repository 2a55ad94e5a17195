// The service object's prompts for a new project's name and folder and its
// properties editor, on a freshly built installation, driven through the
// scripted host with the exact texts the user sees.

#include "dialogs/frm_properties.h"
#include "dialogs/frm_new.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "dialogs/frm_save_project_as.h"
#include "tests/support/dialog_steps.h"
#include "tests/support/installed_test.h"
#include "tests/support/volume_env.h"

namespace pds::test {
namespace {

// The layout planner started for the network user jsmith.
class PromptsTest : public InstalledTest {
 protected:
  void SetUp() override {
    Install(false, {"LAY10"});
    ASSERT_EQ(Init(server_, "LAY10", "/U jsmith"), RETURN_OK);
    projects_ = RemoveBackslash(Shared().default_projects_folder);
  }

  clsProjectDataServer server_;
  std::string projects_;
};

using SaveAsDialogTest = PromptsTest;

TEST_F(SaveAsDialogTest, FolderFollowsTheNameAndOkCreatesIt) {
  std::string folder = "Untitled", name;
  host_->ExpectDialog("frmSaveProjectAs", [&](Dialog& d) {
    auto& f = static_cast<frmSaveProjectAs&>(d);
    EXPECT_EQ(f.Caption(), "Save Project As");
    EXPECT_EQ(f.lblName.Caption(), "Name:");
    EXPECT_EQ(f.txtName.Text(), "Untitled");
    EXPECT_EQ(f.txtFolder.Text(), projects_ + "/Untitled");
    EXPECT_EQ(f.txtName.MaxLength(), 50);
    d.TypeText("txtName", "");
    EXPECT_FALSE(f.cmdOK.Enabled());
    d.TypeText("txtName", "Job 1");
    EXPECT_TRUE(f.cmdOK.Enabled());
    EXPECT_EQ(f.txtFolder.Text(), projects_ + "/Job 1");
    d.ClickButton("cmdOK");
  });
  EXPECT_EQ(ServerOf(server_).ShowSaveProjectAsDialog(folder, name), RETURN_OK);
  EXPECT_EQ(folder, projects_ + "/Job 1");
  EXPECT_EQ(name, "Job 1");
  EXPECT_TRUE(fs::is_directory(folder));
}

TEST_F(SaveAsDialogTest, AcceptedWithoutANameIsAnError) {
  std::string folder, name;
  host_->ExpectDialog("frmSaveProjectAs", [](Dialog& d) {
    auto& f = static_cast<frmSaveProjectAs&>(d);
    f.SetFolder("/somewhere");
    f.SetProjectName("");
    f.SetAccepted(true);
    f.Hide();
  });
  EXPECT_EQ(ServerOf(server_).ShowSaveProjectAsDialog(folder, name), RETURN_ERROR);
}

// Refused on OK: the message ("{}": the default projects folder), the dialog open; Cancel makes no folder.
struct SaveAsRefusal {
  std::string label;
  std::string typed;
  std::string title;
  std::string text;
  int style;
  int name_limit = 50;     // a short project-name limit puts the folder name under the 8.3 rules,
  int volume_limit = 255;  // and so does a volume without long names
  bool refuse_folders = false;
};

class SaveAsRefusedTest : public PromptsTest, public ::testing::WithParamInterface<SaveAsRefusal> {};

TEST_P(SaveAsRefusedTest, ShowsItsMessageAndStaysOpen) {
  const SaveAsRefusal& c = GetParam();
  AddJob("Alpha", "/x");
  SetJobNameLengthLimit(c.name_limit);
  VolumeEnv env(c.volume_limit, c.refuse_folders);
  platform::ScopedEnv scoped(&env);
  std::string folder, name = "Untitled";
  host_->ExpectDialog("frmSaveProjectAs", [&](Dialog& d) {
    auto& f = static_cast<frmSaveProjectAs&>(d);
    d.TypeText("txtName", c.typed);
    d.ClickButton("cmdOK");
    EXPECT_TRUE(d.visible());
    if (c.style == vbInformation) {
      EXPECT_EQ(f.txtName.SelText(), c.typed) << "the name is selected for editing";
    }
    d.ClickButton("cmdCancel");
  });
  host_->ExpectMsgBox(c.title, Fill(c.text, projects_));
  EXPECT_EQ(ServerOf(server_).ShowSaveProjectAsDialog(folder, name), RETURN_USER_CANCEL);
  EXPECT_EQ(folder, "");
  EXPECT_EQ(host_->shown()[1].style, c.style);
  EXPECT_FALSE(fs::exists(projects_ + "/" + c.typed));
}

const std::string kSpaces =
    "Invalid File or Folder name.  Spaces are invalid in file and folder names on the drive you have selected.";

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveAsRefusedTest,
    ::testing::Values(
        SaveAsRefusal{"Untitled", "untitled", "Invalid Project Name", "Invalid project name.  [untitled]",
                      vbExclamation},
        SaveAsRefusal{"ExistingProject", "Alpha", "Invalid Project Name",
                      "Project  'Alpha'  already exists.\r\nPlease enter a different name.", vbInformation},
        SaveAsRefusal{"ShortNameLimit", "My Job", "ValidateShortFileName()", kSpaces, vbExclamation, 12},
        SaveAsRefusal{"ShortNameVolume", "My Job", "ValidateShortFileName()", kSpaces, vbExclamation, 50, 12},
        SaveAsRefusal{"FolderNotCreated", "Job 3", "frmSaveProjectAs.cmdOk_Click",
                      "Error creating new project folder.\r[{}/Job 3]\r\nPlease choose a different folder name.",
                      vbExclamation, 50, 255, true}), ByLabel());

TEST_F(SaveAsDialogTest, ChangedFolderNoLongerFollowsTheName) {
  const std::string chosen = temp_ / "Chosen";
  fs::create_directory(chosen);
  std::string folder, name;
  host_->ExpectDialog("frmSaveProjectAs", [&](Dialog& d) {
    auto& f = static_cast<frmSaveProjectAs&>(d);
    d.ClickButton("cmdChangeFolder");
    EXPECT_EQ(f.txtFolder.Text(), chosen);
    d.TypeText("txtName", "Job 2");
    EXPECT_EQ(f.txtFolder.Text(), chosen);
    d.ClickButton("cmdOK");
  });
  host_->ExpectDialog("frmFolder", [&](Dialog& d) {
    EXPECT_EQ(d.Caption(), "Save Project As");
    TypeAndOk("txtProjectFolder", chosen)(d);
  });
  EXPECT_EQ(ServerOf(server_).ShowSaveProjectAsDialog(folder, name), RETURN_OK);
  EXPECT_EQ(folder, chosen);
  EXPECT_EQ(name, "Job 2");
}

using FolderPromptTest = PromptsTest;

TEST_F(FolderPromptTest, FolderHoldingFilesIsRefusedOneWithOnlySubfoldersIsEmptyAndCancelGivesNone) {
  const std::string full = temp_ / "Full";
  fs::create_directory(full);
  temp_.Write("Full/data.txt", "x");
  std::string folder = "stale";
  host_->ExpectDialog("frmFolder", TypeAndOk("txtProjectFolder", full));
  host_->ExpectMsgBox("PromptForNewProjectFolderName()",
                      "Invalid Project Folder.  Folder is not empty.\r[" + full +
                          "]\rA folder must be empty to accept a newly created project.");
  EXPECT_EQ(ServerOf(server_).PromptForNewProjectFolderName(folder, temp_.path()), RETURN_ERROR);
  EXPECT_EQ(folder, "");
  EXPECT_EQ(host_->shown()[1].style, vbCritical);

  const std::string empty = temp_ / "Empty";
  fs::create_directories(empty + "/Sub");
  host_->ExpectDialog("frmFolder", TypeAndOk("txtProjectFolder", empty + "/"));
  EXPECT_EQ(ServerOf(server_).PromptForNewProjectFolderName(folder, temp_.path()), RETURN_OK);
  EXPECT_EQ(folder, empty);

  host_->ExpectDialog("frmFolder", Press({"cmdCancel"}));
  EXPECT_EQ(ServerOf(server_).PromptForNewProjectFolderName(folder, temp_.path()), RETURN_USER_CANCEL);
  EXPECT_EQ(folder, "");
}

TEST_F(FolderPromptTest, NameEntryLabelNamesTheNetworkUser) {
  frmNew dialog;
  dialog.SetOwner(&ServerOf(server_));
  dialog.SetMode(frmNew::kFolderNameMode);
  dialog.SetLabelName("Folder Name:");
  host_->ExpectDialog("frmNew", Press({"cmdCancel"}));
  dialog.Show();
  EXPECT_EQ(dialog.lblName.Caption(), "Folder Name:    [User:  jsmith]");
}

class PropertiesEditorTest : public PromptsTest {
 protected:
  void SetUp() override {
    PromptsTest::SetUp();
    Shared().contact_types = {"Customer", "", "Vendor"};
    project_ = std::make_shared<clsProject>();
    project_->SetJobName("Bridge");
    project_->SetJobNumber("J-7");
    project_->SetJobDate("2024-03-05");
    project_->SetContactName("Ann");
    project_->SetContactType("Vendor");
    project_->SetSalesPerson("Bob");
    project_->SetNotes("first");
  }
  std::vector<std::string> Record() const {
    return {project_->JobName(),     project_->JobNumber(),   project_->JobDate(), project_->ContactName(),
            project_->ContactType(), project_->SalesPerson(), project_->Notes(),   project_->JobPath()};
  }
  // Shows the editor for the record and plays the user's part.
  void Edit(std::function<void(frmProperties&)> actions) {
    host_->ExpectDialog("frmProperties", [actions](Dialog& d) { actions(static_cast<frmProperties&>(d)); });
    EXPECT_TRUE(ServerOf(server_).EditProject(project_));
  }

  std::shared_ptr<clsProject> project_;
};

TEST_F(PropertiesEditorTest, LoadingOffersNoneAndTheConfiguredTypesAndLimitsTheJobName) {
  SetJobNameLengthLimit(30);
  frmProperties dialog;
  dialog.SetProject(project_);
  ASSERT_EQ(dialog.cboContactType.ListCount(), 3);
  EXPECT_EQ(dialog.cboContactType.List(0), "(none)");
  EXPECT_EQ(dialog.cboContactType.List(1), "Customer");
  EXPECT_EQ(dialog.cboContactType.List(2), "Vendor");
  EXPECT_EQ(dialog.txtJobName.MaxLength(), 30);
  EXPECT_FALSE(dialog.Confirmed());
}

TEST_F(PropertiesEditorTest, CancelAfterEditsOrOkWithoutEditsLeaveTheRecordClean) {
  const auto before = Record();
  Edit([](frmProperties& f) {
    f.TypeText("txtJobNumber", "J-8");
    f.SelectItem("cboContactType", 1);
    f.ClickButton("cmdCancel");
  });
  EXPECT_EQ(Record(), before);
  EXPECT_FALSE(project_->ProjectDirty());
  Edit([](frmProperties& f) {
    EXPECT_EQ(f.txtJobName.Text(), "Bridge");
    EXPECT_EQ(f.cboContactType.Text(), "Vendor");
    f.ClickButton("cmdOK");
  });
  EXPECT_EQ(Record(), before);
  EXPECT_FALSE(project_->ProjectDirty());
}

struct FieldEdit {
  std::string label;
  std::function<void(frmProperties&)> edit;
  std::function<std::string(const clsProject&)> read;
  std::string expected;
};

class PropertiesFieldTest : public PropertiesEditorTest, public ::testing::WithParamInterface<FieldEdit> {};

TEST_P(PropertiesFieldTest, AnEditIsWrittenBackOnOkAndMarksTheRecordDirty) {
  Edit([](frmProperties& f) {
    GetParam().edit(f);
    f.ClickButton("cmdOK");
  });
  EXPECT_EQ(GetParam().read(*project_), GetParam().expected);
  EXPECT_TRUE(project_->ProjectDirty());
}

FieldEdit Typing(std::string field, std::string text, std::string (clsProject::*getter)() const,
                 std::string expected) {
  return FieldEdit{field, [field, text](frmProperties& f) { EXPECT_TRUE(f.TypeText(field, text)); },
                   [getter](const clsProject& p) { return (p.*getter)(); }, std::move(expected)};
}

INSTANTIATE_TEST_SUITE_P(
    Fields, PropertiesFieldTest,
    ::testing::Values(
        Typing("txtJobName", " Bridge 2 ", &clsProject::JobName, "Bridge 2"),
        Typing("txtJobNumber", "   ", &clsProject::JobNumber, ""),
        Typing("txtJobDate", "2025-01-01", &clsProject::JobDate, "2025-01-01"),
        Typing("txtContactName", "Cy", &clsProject::ContactName, "Cy"),
        Typing("txtProjectManager", "Dee", &clsProject::SalesPerson, "Dee"),
        Typing("txtNotes", "second", &clsProject::Notes, "second"),
        FieldEdit{"cboContactType", [](frmProperties& f) { EXPECT_TRUE(f.SelectItem("cboContactType", 1)); },
                  [](const clsProject& p) { return p.ContactType(); }, "Customer"}), ByLabel());

TEST_F(PropertiesEditorTest, UnconfiguredContactTypeIsAddedAndKept) {
  project_->SetContactType("partner");
  Edit([](frmProperties& f) {
    EXPECT_EQ(f.cboContactType.ListCount(), 4);
    EXPECT_EQ(f.cboContactType.Text(), "partner");
    f.ClickButton("cmdOK");
  });
  EXPECT_EQ(project_->ContactType(), "partner");
  EXPECT_FALSE(project_->ProjectDirty());
}

TEST_F(PropertiesEditorTest, JobNameIsEditableOnlyWhileTheProjectHasNoFolder) {
  Edit([](frmProperties& f) {
    EXPECT_FALSE(f.txtJobName.Locked());
    f.ClickButton("cmdCancel");
  });
  project_->SetJobPath(temp_ / "Bridge");
  Edit([](frmProperties& f) {
    EXPECT_TRUE(f.txtJobName.Locked());
    f.ClickButton("cmdOK");
  });
  EXPECT_EQ(project_->JobPath(), temp_ / "Bridge");
}

TEST_F(PropertiesEditorTest, WithoutAProjectThereIsNothingToEdit) {
  host_->ExpectMsgBox("EditProject()",
                      "There is no current project.  Please open an existing project or create a new project.");
  EXPECT_FALSE(ServerOf(server_).EditProject(nullptr));
  EXPECT_EQ(host_->shown()[0].style, vbExclamation);
}

}  // namespace
}  // namespace pds::test
