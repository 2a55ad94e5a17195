// Save as never takes over another project and never leaves a half-written
// one behind: a folder that holds or belongs to a project and a name the
// projects list cannot take are refused before anything is written, a step
// that fails (a full disk) fails the save and takes back what it wrote, and a
// folder whose name holds wildcard characters is a folder like any other.

#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "tests/projects/lifecycle_fixture.h"

namespace pds::test {
namespace {

struct RefusalCase {
  const char* name;
  // Prepares the target folder next to the saved project Keep; returns it.
  std::string (*target)(const std::string& keep);
  const char* new_name;
  const char* title;
  const char* message_part;
};

class SaveAsRefusalTest : public PumpLifecycleTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(SaveAsRefusalTest, IsRefusedBeforeAnythingIsWritten) {
  const std::string keep = SaveNewProject("Keep");
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  const std::string target = GetParam().target(keep);
  const auto keep_before = Snapshot(keep);
  const auto target_before = Snapshot(target);
  const auto jobs_before = Rows(ProjectsDb(), "SELECT sJobName, sJobPath FROM Job ORDER BY sJobName");

  host_->ExpectMsgBoxContaining(GetParam().title, GetParam().message_part);
  EXPECT_EQ(SaveAs(target, GetParam().new_name), RETURN_ERROR);
  EXPECT_EQ(Snapshot(keep), keep_before);
  EXPECT_EQ(Snapshot(target), target_before);
  EXPECT_EQ(Rows(ProjectsDb(), "SELECT sJobName, sJobPath FROM Job ORDER BY sJobName"), jobs_before);
  EXPECT_EQ(server().Project()->JobName(), "Untitled");
  EXPECT_TRUE(fs::exists(server().Project()->WorkingJobPath() + "/PMP10Crv.dat"));
}

// An empty new folder, for the names refused.
std::string Fresh(const std::string&) { return LifecycleTest::MadeFolder("Fresh"); }

INSTANTIATE_TEST_SUITE_P(
    Targets, SaveAsRefusalTest,
    ::testing::Values(
        RefusalCase{"FolderOfAnotherProject", [](const std::string& keep) { return keep; }, "Intruder",
                    "Error Saving Project", "The folder already holds a project file."},
        RefusalCase{"FolderOfAnotherProjectWithTrailingSlash", [](const std::string& keep) { return keep + "/"; },
                    "Intruder", "Error Saving Project", "The folder already holds a project file."},
        RefusalCase{"FolderHoldingOnlyADataFile",
                    [](const std::string&) {
                      const std::string folder = LifecycleTest::MadeFolder("Stray");
                      std::ofstream(folder + "/PMP10Crv.dat") << "someone's curves";
                      return folder;
                    },
                    "Intruder", "Error Saving Project", "PMP10Crv.dat]"},
        RefusalCase{"EmptyFolderRegisteredForAnotherProject",
                    [](const std::string& keep) {
                      for (const auto& entry : fs::directory_iterator(keep)) fs::remove_all(entry.path());
                      return keep;
                    },
                    "Intruder", "Error Saving Project", "The folder belongs to project [Keep]."},
        RefusalCase{"NameOfAnotherProject", Fresh, "KEEP", "Error Saving Project", "Project  'KEEP'  already exists."},
        RefusalCase{"NameOverTheLengthLimit", Fresh, "N123456789012345678901234567890123456789012345678901",
                    "ValidCharsInProjectName()", "too long"},
        RefusalCase{"NameUntitled", Fresh, "untitled", "Invalid Project Name", "Invalid project name."}), ByName());

// Saving as into the current project's own folder is another user opening it: its lock refuses it.
TEST_F(PumpLifecycleTest, SaveAsIntoTheCurrentProjectsOwnFolderIsRefusedByItsLock) {
  const std::string alpha = SaveNewProject("Alpha");
  const auto before = Snapshot(alpha);
  host_->ExpectMsgBox("LockProjectApp()", "Project is already in use by another user.");
  EXPECT_EQ(SaveAs(alpha, "Other"), RETURN_USER_CANCEL);
  EXPECT_EQ(JobId("Other"), 0);
  EXPECT_EQ(server().Project()->JobName(), "Alpha");
  EXPECT_EQ(Snapshot(alpha), before);
}

// ---- a step that fails

class FailedSaveAsTest : public PumpLifecycleTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(FailedSaveAsTest, FailsAndLeavesNeitherFilesNorARegistration) {
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  const std::string work = server().Project()->WorkingJobPath();
  const std::string folder = MadeFolder("Full");
  FaultEnv full(&env_);
  full.Fail(Call::kCopy, 112, Named(GetParam()));
  platform::ScopedEnv scoped(&full);
  host_->ExpectMsgBoxContaining("bFileCopy()", "");
  EXPECT_EQ(SaveAs(folder, "Full"), RETURN_ERROR);
  EXPECT_EQ(JobId("Full"), 0);
  EXPECT_THAT(FolderNames(folder), IsEmpty());
  EXPECT_EQ(server().Project()->JobName(), "Untitled");
  EXPECT_TRUE(fs::exists(work + "/PMP10Crv.dat"));
}

INSTANTIATE_TEST_SUITE_P(Files, FailedSaveAsTest, ::testing::Values("Project.mdb", "PMP10Crv.dat", "PMP10Tag.mdb"),
                         [](const auto& info) { return fs::path(info.param).stem().string(); });

TEST_F(PumpLifecycleTest, SaveAsWhoseWorkingCopyCannotBePreparedIsTakenBackWholeAndTheWorkStaysCurrent) {
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  std::string type = "TagData", tag = "Pump";
  RsHandle rs;
  ASSERT_EQ(server().NewTag(type, tag, rs), RETURN_OK);
  rs.reset();
  const std::string work = server().Project()->WorkingJobPath();
  const std::string folder = MadeFolder("New3");
  {
    FaultEnv full(&env_);
    full.Fail(Call::kCopy, 112, In(folder + "/~PMP10"));
    platform::ScopedEnv scoped(&full);
    host_->ExpectMsgBoxContaining("bFileCopy()", "PMP10Tag.mdb");
    host_->ExpectMsgBoxContaining("bFileCopy()", "PMP10Crv.dat");
    host_->ExpectMsgBoxContaining("Error Saving Project", "Project  [New3]  was not saved.");
    EXPECT_EQ(SaveAs(folder, "New3"), RETURN_ERROR);
  }
  EXPECT_EQ(JobId("New3"), 0);
  EXPECT_TRUE(fs::is_empty(folder));
  EXPECT_EQ(server().Project()->JobName(), "Untitled");
  EXPECT_EQ(server().Project()->WorkingJobPath(), work);
  EXPECT_TRUE(server().DoesTagExist(&server().UnitTags(), "Pump"));
  const std::string pump = "SELECT TagName FROM TagData WHERE TagName = 'Pump'";
  EXPECT_THAT(Rows(work + "/PMP10Tag.mdb", pump), ::testing::SizeIs(1));

  // With room on the disk the same save as goes through, the tag with it.
  ASSERT_EQ(SaveAs(folder, "New3"), RETURN_OK);
  EXPECT_EQ(server().Project()->JobName(), "New3");
  EXPECT_THAT(Rows(folder + "/PMP10Tag.mdb", pump), ::testing::SizeIs(1));
  EXPECT_TRUE(server().DoesTagExist(&server().UnitTags(), "Pump"));
}

TEST_F(PumpLifecycleTest, FailedCopyFailsTheSaveOfAnExistingProjectAndKeepsItDirty) {
  SaveNewProject("Alpha");
  server().SetAppDirty(true);
  FaultEnv full(&env_);
  full.Fail(Call::kCopy, 112, Named("PMP10Crv.dat"));
  platform::ScopedEnv scoped(&full);
  host_->ExpectMsgBoxContaining("bFileCopy()", "");
  EXPECT_EQ(server().ProjectSave(), RETURN_ERROR);
  EXPECT_TRUE(server().AppDirty());
}

// ---- a save as killed part way

struct LeftoverCase {
  const char* name;
  // Adds to the folder a killed save as left, beside the saved project Keep.
  void (*add)(const std::string& folder);
  bool cleared;
};

class InterruptedSaveAsTest : public PumpLifecycleTest, public ::testing::WithParamInterface<LeftoverCase> {
 protected:
  // What a save as killed while it copied the data files leaves behind.
  std::string KilledSaveAs() {
    const std::string folder = MadeFolder("New3");
    fs::copy_file(inst_.enviro + "/Project.ro", folder + "/Project.mdb");
    WriteFile(folder + "/PMP10Tag.mdb", "tags");
    WriteFile(folder + "/.PMP10Crv.dat.p" + std::to_string(EndedProcessId()) + ".0badf00d.tmp", "half a curve");
    WriteFile(folder + "/~PMP10.PLF", "someone");
    return folder;
  }
};

TEST_P(InterruptedSaveAsTest, RetryClearsOnlyWhatTheSaveAsWrote) {
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  const std::string folder = KilledSaveAs();
  GetParam().add(folder);
  const auto before = Snapshot(folder);
  if (!GetParam().cleared) {
    host_->ExpectMsgBoxContaining("Error Saving Project", "The folder already holds a project file.");
  }
  EXPECT_EQ(SaveAs(folder, "New3"), GetParam().cleared ? RETURN_OK : RETURN_ERROR);
  if (GetParam().cleared) {
    EXPECT_EQ(server().Project()->JobName(), "New3");
    EXPECT_NE(JobId("New3"), 0);
    EXPECT_NE(ReadFile(folder + "/PMP10Tag.mdb"), "tags");
    for (const auto& entry : fs::directory_iterator(folder)) {
      EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
    }
  } else {
    EXPECT_EQ(JobId("New3"), 0);
    EXPECT_EQ(Snapshot(folder).count("PMP10Tag.mdb"), 1u);
    EXPECT_EQ(Snapshot(folder).at("PMP10Tag.mdb"), before.at("PMP10Tag.mdb"));
  }
}

void WriteProjectFile(const std::string& folder, const char* name) {
  std::ofstream(folder + "/PROJECT.QVP") << "[Project]\r\nProject Name=" << name << "\r\n";
}

INSTANTIATE_TEST_SUITE_P(
    Leftovers, InterruptedSaveAsTest,
    ::testing::Values(
        LeftoverCase{"KilledWhileCopying", [](const std::string&) {}, true},
        LeftoverCase{"KilledBeforeRegistering", [](const std::string& f) { WriteProjectFile(f, "New3"); }, true},
        LeftoverCase{"ProjectFileNamingAListedProject", [](const std::string& f) { WriteProjectFile(f, "Seed"); },
                     false},
        LeftoverCase{"AFileTheSaveAsNeverWrites",
                     [](const std::string& f) { std::ofstream(f + "/notes.txt") << "mine"; }, false},
        LeftoverCase{"NoLockOfTheSaveAs", [](const std::string& f) { fs::remove(f + "/~PMP10.PLF"); }, false},
        LeftoverCase{"NoProjectDatabase", [](const std::string& f) { fs::remove(f + "/Project.mdb"); }, false},
        LeftoverCase{"ASubfolder", [](const std::string& f) { fs::create_directories(f + "/old"); }, false}), ByName());

TEST_F(PumpLifecycleTest, FolderOfASaveAsStillRunningIsNotCleared) {
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  const std::string folder = MadeFolder("New3");
  WriteFile(folder + "/PMP10Tag.mdb", "tags");
  // The writer of the lock is alive.
  int handle = 0;
  ASSERT_TRUE(platform::CurrentEnv()->CreateLockFile(folder + "/~PMP10.PLF", "other", &handle).ok());
  host_->ExpectMsgBoxContaining("Error Saving Project", "The folder already holds a project file.");
  EXPECT_EQ(SaveAs(folder, "New3"), RETURN_ERROR);
  EXPECT_EQ(ReadFile(folder + "/PMP10Tag.mdb"), "tags");
  (void)platform::CurrentEnv()->ReleaseLockFile(handle);
}

// ---- folder names are literal

TEST_F(PumpLifecycleTest, FolderNamedWithWildcardsIsSavedOpenedAndDeletedAndNeverTakenForItsNeighbour) {
  // A neighbour whose name the folder's name would match as a pattern.
  const std::string neighbour = MadeFolder("Plant AB");
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  host_->ExpectMsgBox("Error Saving Project", "Project folder was not specified.");
  EXPECT_EQ(SaveAs(Projects() + "/Plant *", "Odd"), RETURN_ERROR);
  EXPECT_TRUE(fs::is_empty(neighbour));

  const std::string odd = MadeFolder("Plant *?");
  ASSERT_EQ(SaveAs(odd, "Odd"), RETURN_OK);
  EXPECT_TRUE(fs::exists(odd + "/PROJECT.QVP"));
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  ASSERT_EQ(server().ProjectOpen("Odd"), RETURN_OK);
  EXPECT_EQ(server().Project()->JobPath(), odd);
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  EXPECT_EQ(server().ProjectDelete("Odd", false), RETURN_OK);
  EXPECT_FALSE(fs::exists(odd));
  EXPECT_TRUE(fs::exists(neighbour));
  EXPECT_EQ(host_->shown().size(), 1u);
}

}  // namespace
}  // namespace pds::test
