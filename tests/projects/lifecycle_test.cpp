// The project life cycle as an application lives it (new, save as, edit,
// close, open, delete) and the ways each step can end otherwise, with exact
// texts; and work left unsaved in a working folder, set aside on the next open
// (or restaged without a word when it only repeats the saved files).
#include "pds/UiHost.h"
#include "pds/clsMRUJobs.h"
#include "pds/clsProject.h"
#include "pds/clsUnitTags.h"
#include "pds/db/jet_errors.h"
#include "tests/projects/lifecycle_fixture.h"

namespace pds::test {
namespace {

TEST_F(PumpLifecycleTest, FullLifeCycleOfAProjectSharedByTwoApplications) {
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  const std::string untitled_work = server().Project()->WorkingJobPath();
  EXPECT_TRUE(IsUntitledWorkFolder(untitled_work, "~PMP10"));
  EXPECT_TRUE(fs::exists(untitled_work + "/PMP10Crv.dat"));

  // Save as, through the dialog.
  ExpectSaveAsDialog("Alpha");
  ASSERT_EQ(server().ProjectSaveAs(), RETURN_OK);
  const std::string alpha = Projects() + "/Alpha";
  const ProjectRef& saved = server().Project();
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->JobName(), "Alpha");
  EXPECT_EQ(saved->JobPath(), alpha);
  EXPECT_EQ(saved->WorkingJobPath(), alpha + "/~PMP10");
  EXPECT_FALSE(fs::exists(untitled_work));
  for (const char* file : {"PROJECT.QVP", "Project.mdb", "PMP10Tag.mdb", "PMP10Crv.dat", "~PMP10.PLF"}) {
    EXPECT_TRUE(fs::exists(alpha + "/" + file)) << file;
  }
  const std::int32_t alpha_id = JobId("Alpha");
  EXPECT_EQ(saved->JobID(), alpha_id);
  EXPECT_THAT(Usage(alpha_id), ElementsAre("PMP10"));

  // Edit, then leave the project: the question saves it.
  server().Project()->SetJobNumber("J-77");
  server().Project()->SetProjectDirty(true);
  server().SetAppDirty(true);
  host_->ExpectMsgBox("Save Changes", "Save changes to project 'Alpha'?", vbYes);
  ASSERT_EQ(server().PromptToSaveAndContinue(), RETURN_OK);
  EXPECT_FALSE(server().AppDirty());
  ASSERT_TRUE(server().CloseCurrentProject());
  EXPECT_FALSE(server().Project());
  EXPECT_FALSE(fs::exists(alpha + "/~PMP10"));
  EXPECT_FALSE(fs::exists(alpha + "/~PMP10.PLF"));

  // Open by name: the saved properties come back.
  ASSERT_EQ(server().ProjectOpen("Alpha"), RETURN_OK);
  EXPECT_EQ(server().Project()->JobNumber(), "J-77");
  EXPECT_EQ(server().Project()->JobID(), alpha_id);
  ASSERT_EQ(server().ExitProgram(), RETURN_OK);

  // The second application keeps data in the project too.
  Restart("LAY10");
  ASSERT_EQ(server().ProjectOpen("Alpha"), RETURN_OK);
  // Its first use of the project: its files come from its templates.
  EXPECT_TRUE(fs::exists(alpha + "/~LAY10/LAY10Lay.dat"));
  EXPECT_FALSE(fs::exists(alpha + "/LAY10Lay.dat"));
  // The symbol library is the application's own to make.
  WriteFile(server().Project()->WorkingJobPath() + "/LAY10Sym.dat", "[Symbols]\r\n");
  server().SetAppDirty(true);
  ASSERT_EQ(server().ProjectSave(), RETURN_OK);
  EXPECT_TRUE(fs::exists(alpha + "/LAY10Lay.dat"));
  EXPECT_THAT(Usage(alpha_id), ElementsAre("LAY10", "PMP10"));
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);

  // It deletes its data: the project and the other application's data stay.
  host_->ExpectMsgBox("Delete Project", "Delete all Layout Planner v1.0 data in project [Alpha]?", vbYes);
  ASSERT_EQ(server().ProjectDelete("Alpha"), RETURN_OK);
  EXPECT_EQ(host_->shown().back().style, vbYesNo | vbQuestion | vbDefaultButton2);
  EXPECT_FALSE(fs::exists(alpha + "/LAY10Lay.dat"));
  EXPECT_FALSE(fs::exists(alpha + "/~LAY10.PLF"));
  EXPECT_TRUE(fs::exists(alpha + "/PMP10Crv.dat"));
  const std::string qvp = ReadFile(alpha + "/PROJECT.QVP");
  EXPECT_THAT(qvp, HasSubstr("PMP10=Pump Designer"));
  EXPECT_THAT(qvp, Not(HasSubstr("LAY10")));
  EXPECT_EQ(JobId("Alpha"), alpha_id);
  EXPECT_THAT(Usage(alpha_id), ElementsAre("PMP10"));
  ASSERT_EQ(server().ExitProgram(), RETURN_OK);

  // The last application deletes the whole project, which it has open.
  Restart("PMP10");
  ASSERT_EQ(server().ProjectOpen("Alpha"), RETURN_OK);
  host_->ExpectMsgBox("Delete Project", "Delete all Pump Designer v1.0 data in project [Alpha]?", vbYes);
  ASSERT_EQ(server().ProjectDelete("Alpha"), RETURN_OK);
  EXPECT_FALSE(fs::exists(alpha));
  EXPECT_EQ(JobId("Alpha"), 0);
  ASSERT_TRUE(server().Project());
  EXPECT_EQ(server().Project()->JobName(), "Untitled");
  EXPECT_EQ(server().MRUJobs().Item("Alpha"), nullptr);
  EXPECT_FALSE(host_->wait_cursor());
}

// ---- new

TEST_F(PumpLifecycleTest, SecondNewClosesTheFirstBeforeReusingTheTemporaryWorkingFolder) {
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  const ProjectRef first = server().Project();
  WriteFile(first->WorkingJobPath() + "/PMP10Crv.dat", "edited");
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  ASSERT_NE(server().Project(), first);
  EXPECT_EQ(server().Project()->WorkingJobPath(), first->WorkingJobPath());
  // One process keeps one folder for every new project.
  EXPECT_EQ(std::distance(fs::directory_iterator(UserTempFolder()), fs::directory_iterator()), 1);
  EXPECT_EQ(ReadFile(first->WorkingJobPath() + "/PMP10Crv.dat"), "[Curves]\r\nCount=0\r\n");
  EXPECT_TRUE(fs::exists(first->WorkingJobPath() + "/PMP10Tag.mdb"));
}

struct NoTagsCase {
  const char* pdsg;
  std::vector<std::string> files;  // what the new working folder holds
};

class NewProjectWithoutTagsTest : public LifecycleTest, public ::testing::WithParamInterface<NoTagsCase> {};

TEST_P(NewProjectWithoutTagsTest, WorkingFolderHoldsOnlyTheApplicationsFiles) {
  Start(GetParam().pdsg);
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  EXPECT_EQ(server().Project()->JobName(), "Untitled");
  EXPECT_EQ(FolderNames(server().Project()->WorkingJobPath()), GetParam().files);
  // No tag state either.
  EXPECT_EQ(server().UnitTags().Count(), 0);
  EXPECT_EQ(server().SelectedTags().Count(), 0);
  EXPECT_EQ(server().dbTag(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Apps, NewProjectWithoutTagsTest,
                         ::testing::Values(NoTagsCase{"LAY10", {"LAY10Lay.dat"}}, NoTagsCase{"CAL10", {}}),
                         [](const auto& info) { return std::string(info.param.pdsg); });

TEST_F(LifecycleTest, FirstStartOfANewUserCreatesAnUntitledProject) {
  StartFresh("PMP10");
  ASSERT_TRUE(server().Project());
  EXPECT_EQ(server().Project()->JobName(), "Untitled");
  EXPECT_TRUE(IsUntitledWorkFolder(server().Project()->WorkingJobPath(), "~PMP10"));
  EXPECT_TRUE(fs::exists(server().Project()->WorkingJobPath() + "/PMP10Tag.mdb"));
  EXPECT_THAT(host_->shown(), IsEmpty());
}

// ---- open

TEST_F(PumpLifecycleTest, UnknownNameFailsWithoutTheSelectDialogAndNoProjectsToSelectIsACancel) {
  host_->ExpectMsgBox("GetDataFromJobTable()", "This project could not be found.  [Nope]");
  EXPECT_EQ(server().ProjectOpen("Nope"), RETURN_ERROR);
  ASSERT_TRUE(server().Project());
  EXPECT_EQ(server().Project()->JobName(), "Untitled");
  Execute(ProjectsDb(), {"DELETE * FROM Job"});
  host_->ExpectMsgBox("SelectProject()", "There are no projects to select.");
  EXPECT_EQ(server().ProjectOpen(), RETURN_USER_CANCEL);
  EXPECT_EQ(host_->shown()[1].style, vbExclamation);
}

// Cancel keeps the edited project; No leaves it unsaved for a clean one heading the recently-used list.
TEST_F(PumpLifecycleTest, SaveQuestionCancelKeepsTheProjectAndNoOpensTheNextClean) {
  const std::string alpha = SaveNewProject("Alpha");
  SaveNewProject("Beta");
  ASSERT_EQ(server().ProjectOpen("Alpha"), RETURN_OK);
  const ProjectRef current = server().Project();
  server().Project()->SetProjectDirty(true);
  server().SetAppDirty(true);
  for (auto leave : {+[](clsProjectDataServer& s) { return s.ProjectOpen("Beta"); },
                     +[](clsProjectDataServer& s) { return s.ProjectNew(); }}) {
    host_->ExpectMsgBox("Save Changes", "Save changes to project 'Alpha'?", vbCancel);
    EXPECT_EQ(leave(server()), RETURN_USER_CANCEL);
    EXPECT_EQ(server().Project(), current);
    EXPECT_TRUE(server().AppDirty());
    EXPECT_TRUE(fs::exists(alpha + "/~PMP10.PLF"));
    EXPECT_TRUE(fs::exists(alpha + "/~PMP10/PMP10Crv.dat"));
  }
  host_->ExpectMsgBox("Save Changes", "Save changes to project 'Alpha'?", vbNo);
  ASSERT_EQ(server().ProjectOpen("Beta"), RETURN_OK);
  EXPECT_FALSE(server().Project()->ProjectDirty());
  EXPECT_FALSE(server().AppDirty());
  ASSERT_GE(server().MRUJobs().Count(), 2);
  EXPECT_EQ(server().MRUJobs().Item(1)->JobName(), "Beta");
  EXPECT_EQ(server().MRUJobs().Item(2)->JobName(), "Alpha");
}

// The damaged database is named by the project's file, not the working copy the failed open removes.
TEST_F(PumpLifecycleTest, OpenThatFailsOnItsTagDatabaseReleasesTheProject) {
  const std::string alpha = SaveNewProject("Alpha");
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  WriteFile(alpha + "/PMP10Tag.mdb", "not a database");
  host_->ExpectMsgBox("InitTagData()", "Error opening Tag Database.\r\n\n" +
                                          db::JetErrorText(db::kErrUnrecognizedFormat, alpha + "/PMP10Tag.mdb"));
  EXPECT_EQ(server().ProjectOpen("Alpha"), RETURN_ERROR);
  ASSERT_TRUE(server().Project());
  EXPECT_EQ(server().Project()->JobName(), "Untitled");
  EXPECT_FALSE(fs::exists(alpha + "/~PMP10.PLF"));
  EXPECT_FALSE(fs::exists(alpha + "/~PMP10"));
  EXPECT_TRUE(MakeRecord("Alpha", alpha)->LockProjectApp("PMP10"));
  EXPECT_EQ(ReadFile(alpha + "/PMP10Tag.mdb"), "not a database");
}

// ---- save and save as

TEST_F(PumpLifecycleTest, SavingAnUntitledProjectAsksForANameAndCancelIsSilent) {
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  const ProjectRef untitled = server().Project();
  host_->ExpectDialog("frmSaveProjectAs", [](Dialog& d) { d.ClickButton("cmdCancel"); });
  EXPECT_EQ(server().ProjectSave(), RETURN_USER_CANCEL);
  EXPECT_EQ(host_->shown().size(), 1u);
  EXPECT_EQ(server().Project(), untitled);
  EXPECT_TRUE(fs::exists(untitled->WorkingJobPath() + "/PMP10Crv.dat"));
}

TEST_F(PumpLifecycleTest, SaveAsWithFolderAndNameShowsNoDialogAndRegistersANewKey) {
  const std::string alpha = SaveNewProject("Alpha");
  const std::int32_t alpha_id = server().Project()->JobID();
  const std::string beta = MadeFolder("Beta");
  ASSERT_EQ(SaveAs(beta + "/", " Beta "), RETURN_OK);
  EXPECT_THAT(host_->shown(), IsEmpty());
  EXPECT_EQ(server().Project()->JobName(), "Beta");
  EXPECT_EQ(server().Project()->JobPath(), beta);
  EXPECT_EQ(server().Project()->JobID(), JobId("Beta"));
  EXPECT_NE(server().Project()->JobID(), alpha_id);
  EXPECT_EQ(JobId("Alpha"), alpha_id);
  // The old project is left as it was saved, closed and unlocked.
  EXPECT_TRUE(fs::exists(alpha + "/PROJECT.QVP"));
  EXPECT_FALSE(fs::exists(alpha + "/~PMP10"));
  EXPECT_FALSE(fs::exists(alpha + "/~PMP10.PLF"));
  EXPECT_TRUE(fs::exists(beta + "/~PMP10.PLF"));
}

// A folder path of the given length under the test's folder, made.
std::string FolderOfLength(const std::string& base, std::size_t length) {
  std::string path = base;
  while (path.size() + 1 < length) {
    path += "/" + std::string(std::min<std::size_t>(100, length - path.size() - 1), 'd');
    if (path.size() + 1 == length) path.pop_back();  // no room for a one-letter last part
  }
  fs::create_directories(path);
  return path;
}

class LongFolderTest : public PumpLifecycleTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(LongFolderTest, FolderOf237CharactersIsRefusedBeforeAnythingIsWritten) {
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  const std::string folder = FolderOfLength(temp_.path(), GetParam());
  ASSERT_EQ(folder.size(), GetParam());
  const bool refused = GetParam() >= 237;
  if (refused) {
    host_->ExpectMsgBox("Error Saving Project",
                        "Invalid project path.  The path is too long.  Please choose a folder with a shorter path.");
  }
  EXPECT_EQ(SaveAs(folder, "Deep"), refused ? RETURN_ERROR : RETURN_OK);
  EXPECT_EQ(fs::is_empty(folder), refused);
  EXPECT_EQ(JobId("Deep") != 0, !refused);
  if (refused) {
    EXPECT_EQ(host_->shown()[0].style, vbCritical);
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, LongFolderTest, ::testing::Values(236u, 237u),
                         [](const auto& info) { return "Length" + std::to_string(info.param); });

TEST_F(PumpLifecycleTest, SaveDeletesRemovedDataFilesTheApplicationDescribesAndKeepsOthers) {
  Shared().app_data_specs.push_back({"PMP10Old.dat", false, false, true, true, 0, ""});
  Shared().app_data_specs.push_back({"PMP10R??.dat", false, false, true, true, 0, ""});
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  const std::string work = server().Project()->WorkingJobPath();
  WriteFile(work + "/PMP10Old.dat", "old");
  WriteFile(work + "/PMP10R01.dat", "r1");
  const std::string alpha = MadeFolder("Alpha");
  ASSERT_EQ(SaveAs(alpha, "Alpha"), RETURN_OK);
  ASSERT_TRUE(fs::exists(alpha + "/PMP10Old.dat"));
  ASSERT_TRUE(fs::exists(alpha + "/PMP10R01.dat"));
  WriteFile(alpha + "/PMP10Notes.txt", "described by no data file of the application");

  fs::remove(server().Project()->WorkingJobPath() + "/PMP10Old.dat");
  fs::remove(server().Project()->WorkingJobPath() + "/PMP10R01.dat");
  ASSERT_EQ(server().ProjectSave(), RETURN_OK);
  EXPECT_FALSE(fs::exists(alpha + "/PMP10Old.dat"));
  EXPECT_FALSE(fs::exists(alpha + "/PMP10R01.dat"));
  EXPECT_TRUE(fs::exists(alpha + "/PMP10Notes.txt"));
  EXPECT_TRUE(fs::exists(alpha + "/PMP10Crv.dat"));
}

// ---- delete

TEST_F(PumpLifecycleTest, QuietDeleteAsksNothingAndShowsNothing) {
  const std::string alpha = SaveNewProject("Alpha");
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  EXPECT_EQ(server().ProjectDelete("Alpha", false), RETURN_OK);
  EXPECT_FALSE(fs::exists(alpha));
  EXPECT_EQ(server().ProjectDelete("Alpha", false), RETURN_ERROR);
  EXPECT_THAT(host_->shown(), IsEmpty());
}

TEST_F(PumpLifecycleTest, DeleteOfAProjectAnotherUserHasOpenIsRefusedByTheLock) {
  const std::string alpha = SaveNewProject("Alpha");
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  ProjectRef other_user = MakeRecord("Alpha", alpha);
  ASSERT_TRUE(other_user->LockProjectApp("PMP10"));
  host_->ExpectMsgBox("Delete Project", "Delete all Pump Designer v1.0 data in project [Alpha]?", vbYes);
  host_->ExpectMsgBox("LockProjectApp()", "Project is already in use by another user.");
  EXPECT_EQ(server().ProjectDelete("Alpha"), RETURN_USER_CANCEL);
  EXPECT_EQ(host_->shown().back().style, vbInformation);
  EXPECT_TRUE(fs::exists(alpha + "/PMP10Crv.dat"));
  EXPECT_NE(JobId("Alpha"), 0);
}

TEST_F(PumpLifecycleTest, FolderHoldingOtherFilesStaysAndTheUserIsTold) {
  const std::string alpha = SaveNewProject("Alpha");
  WriteFile(alpha + "/readme.txt", "someone else's");
  host_->ExpectMsgBox("Delete Project", "Delete all Pump Designer v1.0 data in project [Alpha]?", vbYes);
  host_->ExpectMsgBox("Delete Project",
                      "Pump Designer v1.0 data has been deleted from project [Alpha].\r\n\n"
                      "However, the project folder could not be removed because it may contain other files or "
                      "subfolders.\r\n\nProject Folder:  [" + alpha + "]");
  EXPECT_EQ(server().ProjectDelete("Alpha"), RETURN_OK);
  EXPECT_EQ(host_->shown().back().style, vbInformation);
  EXPECT_EQ(JobId("Alpha"), 0);
  EXPECT_FALSE(fs::exists(alpha + "/PROJECT.QVP"));
  EXPECT_TRUE(fs::exists(alpha + "/readme.txt"));
}

constexpr const char* kKeptTitle = "Unsaved Changes Kept";

// The folders beside the working folder that hold work set aside.
std::vector<std::string> KeptFolders(const std::string& project) {
  std::vector<std::string> kept;
  for (const auto& entry : fs::directory_iterator(project)) {
    if (entry.path().filename().string().rfind("~PMP10.unsaved-", 0) == 0) kept.push_back(entry.path());
  }
  return kept;
}

class UnsavedWorkTest : public LifecycleTest {
 protected:
  // Plant saved, then the session ends unclosed: its working folder stays, as a crash leaves it.
  void LeaveWorkingFolder() {
    Start("PMP10");
    plant_ = SaveNewProject("Plant");
    work_ = plant_ + "/~PMP10";
    Restart("PMP10");
    ASSERT_TRUE(fs::exists(work_ + "/PMP10Tag.mdb"));
  }
  std::string plant_, work_;
};

TEST_F(UnsavedWorkTest, TagsLeftByAFailedSaveAreKeptAsideWhenTheProjectOpensAgain) {
  Start("PMP10");
  plant_ = SaveNewProject("Plant");
  std::string type = "TagData", tag = "Pump";
  RsHandle rs;
  ASSERT_EQ(server().NewTag(type, tag, rs), RETURN_OK);
  rs.reset();
  server().SetAppDirty(true);
  {
    FaultEnv refusing(&env_);
    refusing.Fail(Call::kCopy, 5, In(plant_)).Fail(Call::kRename, 5, In(plant_));
    platform::ScopedEnv scoped(&refusing);
    host_->ExpectMsgBox("Save Changes", "Save changes to project 'Plant'?", vbYes);
    host_->ExpectMsgBoxContaining("bFileCopy()", "PMP10Tag.mdb");
    host_->ExpectMsgBoxContaining("bFileCopy()", "PMP10Crv.dat");
    EXPECT_NE(server().ExitProgram(), RETURN_OK);
  }
  Restart("PMP10");
  host_->ExpectMsgBoxContaining(kKeptTitle, "never saved");
  ASSERT_EQ(server().ProjectOpen("Plant"), RETURN_OK);
  const auto kept = KeptFolders(plant_);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_THAT(host_->shown().back().text, HasSubstr("[" + kept[0] + "]"));
  EXPECT_THAT(Rows(kept[0] + "/PMP10Tag.mdb", "SELECT TagName FROM TagData WHERE TagName = 'Pump'"),
              ElementsAre(ElementsAre("Pump")));
  // The project itself opens as it was saved.
  EXPECT_THAT(Rows(plant_ + "/~PMP10/PMP10Tag.mdb", "SELECT TagName FROM TagData WHERE TagName = 'Pump'"),
              IsEmpty());
}

struct LeftoverCase {
  const char* name;
  void (*arrange)(const std::string& plant, const std::string& work);
  bool kept;
};

class LeftoverWorkTest : public UnsavedWorkTest, public ::testing::WithParamInterface<LeftoverCase> {};

TEST_P(LeftoverWorkTest, IsKeptAsideOnlyWhenItHoldsChanges) {
  LeaveWorkingFolder();
  GetParam().arrange(plant_, work_);
  if (GetParam().kept) host_->ExpectMsgBoxContaining(kKeptTitle, "never saved");
  ASSERT_EQ(server().ProjectOpen("Plant"), RETURN_OK);
  EXPECT_EQ(KeptFolders(plant_).size(), GetParam().kept ? 1u : 0u);
  EXPECT_THAT(host_->shown(), ::testing::SizeIs(GetParam().kept ? 1u : 0u));
  // The fresh working copy is the saved project's, whatever was left.
  EXPECT_EQ(ReadFile(work_ + "/PMP10Crv.dat"), ReadFile(plant_ + "/PMP10Crv.dat"));
  EXPECT_FALSE(fs::exists(work_ + "/PMP10Extra.dat"));
}

void Append(const std::string& path, const char* text) { std::ofstream(path, std::ios::app) << text; }

INSTANTIATE_TEST_SUITE_P(
    Leftovers, LeftoverWorkTest,
    ::testing::Values(
        LeftoverCase{"SameAsTheSavedFiles", [](const std::string&, const std::string&) {}, false},
        LeftoverCase{"ChangedDataFile",
                     [](const std::string&, const std::string& w) { Append(w + "/PMP10Crv.dat", "curve"); }, true},
        LeftoverCase{"FileTheProjectDoesNotHave",
                     [](const std::string&, const std::string& w) { Append(w + "/PMP10Extra.dat", "new"); }, true},
        LeftoverCase{"ChangedButOlderThanTheSavedFile",
                     [](const std::string& plant, const std::string& work) {
                       Append(work + "/PMP10Crv.dat", "curve");
                       fs::last_write_time(work + "/PMP10Crv.dat",
                                           fs::last_write_time(plant + "/PMP10Crv.dat") - std::chrono::hours(1));
                     },
                     false},
        LeftoverCase{"OnlyAStaleTemporaryFileOfACopy",
                     [](const std::string&, const std::string& work) {
                       std::ofstream(work + "/.PMP10Crv.dat.p999999.1.tmp") << "half";
                     },
                     false}), ByName());

TEST_F(UnsavedWorkTest, WorkThatCannotBeSetAsideStopsTheOpenAndStaysAsItWas) {
  LeaveWorkingFolder();
  Append(work_ + "/PMP10Crv.dat", "curve");
  const std::string changed = ReadFile(work_ + "/PMP10Crv.dat");
  FaultEnv refusing(&env_);
  refusing.Fail(Call::kCopy, 5, In(plant_)).Fail(Call::kRename, 5, In(plant_));
  platform::ScopedEnv scoped(&refusing);
  host_->ExpectMsgBoxContaining("GetWorkingProjectPath()", "could not be set aside");
  EXPECT_EQ(server().ProjectOpen("Plant"), RETURN_ERROR);
  EXPECT_EQ(ReadFile(work_ + "/PMP10Crv.dat"), changed);
  EXPECT_THAT(KeptFolders(plant_), IsEmpty());
  EXPECT_EQ(server().Project()->JobName(), "Untitled");
}

}  // namespace
}  // namespace pds::test
