// Deleting a project either deletes it or leaves it whole: everything that
// could stop the deletion (a read-only or immutable file, a project file that
// is not a plain file, a folder that takes no changes) is found and named
// before anything is deleted; a deletion cut short never leaves a listed
// project without its files, and the next delete of its name finishes it.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "platform/errors.h"
#include "tests/projects/lifecycle_fixture.h"

namespace pds::test {
namespace {

// Every failure of a deletion opens with this, then names the file and the cause.
const std::string kFailure = "Error Deleting Project.\r\n\n";

class DeleteSafetyTest : public LifecycleTest {
 protected:
  void TearDown() override {
    if (!immutable_.empty()) SetFileFlag(immutable_, FS_IMMUTABLE_FL, false);
    LifecycleTest::TearDown();
  }
  // Alpha saved by PMP10 and closed; the fault environment installed.
  std::string SaveAlpha() {
    Start("PMP10");
    const std::string alpha = SaveNewProject("Alpha");
    EXPECT_EQ(server().ProjectNew(), RETURN_OK);
    return alpha;
  }
  void ExpectDeleteQuestion() {
    host_->ExpectMsgBox("Delete Project", "Delete all Pump Designer v1.0 data in project [Alpha]?", vbYes);
  }
  // A delete of Alpha refused with message: its files, listing and usage stay as they were.
  void ExpectRefusedDelete(const std::string& alpha, const std::string& message) {
    const auto files = FolderNames(alpha);
    const std::int32_t id = JobId("Alpha");
    host_->ExpectMsgBox("clsProjectDataServer.DeleteProject()", message);
    EXPECT_EQ(server().ProjectDelete("Alpha"), RETURN_ERROR);
    EXPECT_EQ(FolderNames(alpha), files);
    EXPECT_EQ(JobId("Alpha"), id);
    EXPECT_THAT(Usage(id), ElementsAre("PMP10"));
  }
  std::string immutable_;
  FaultEnv faults_{&env_};
  platform::ScopedEnv scoped_faults_{&faults_};
};

struct BlockedCase {
  const char* name;
  // Blocks the deletion of the project in folder; returns the expected message.
  std::string (*block)(const std::string& folder, FaultEnv& env);
};

class BlockedDeleteTest : public DeleteSafetyTest, public ::testing::WithParamInterface<BlockedCase> {};

// Takes the write permission off folder/name; returns the refusal naming it.
std::string MakeReadOnly(const std::string& folder, const std::string& name) {
  fs::permissions(folder + "/" + name, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  return kFailure + "The project cannot be deleted because the following file is read-only:\r[" + folder + "/" + name +
         "]";
}

TEST_P(BlockedDeleteTest, LeavesTheWholeProjectAndSaysWhy) {
  const std::string alpha = SaveAlpha();
  const std::string message = GetParam().block(alpha, faults_);
  ExpectDeleteQuestion();
  ExpectRefusedDelete(alpha, message);
  // Nothing was lost: the project still opens.
  EXPECT_EQ(server().ProjectOpen("Alpha"), RETURN_OK);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, BlockedDeleteTest,
    ::testing::Values(
        BlockedCase{"ReadOnlyProjectFile",
                    [](const std::string& folder, FaultEnv&) { return MakeReadOnly(folder, "PROJECT.QVP"); }},
        BlockedCase{"ReadOnlyDataFile",
                    [](const std::string& folder, FaultEnv&) { return MakeReadOnly(folder, "PMP10Crv.dat"); }},
        BlockedCase{"FolderTakingNoChanges",
                    [](const std::string& folder, FaultEnv& env) {
                      env.Fail(Call::kCreateTempFile, 5, [folder](const std::string& f) { return f == folder; });
                      return kFailure + "The project cannot be deleted because its folder cannot be changed.\r[" +
                             folder + "]\r\n\nError 5  -  Permission denied.\r\n";
                    }}), ByName());

TEST_F(DeleteSafetyTest, DeletionOfOneApplicationCutShortIsStartedAfreshByItsNextOpen) {
  const std::string alpha = SaveAlpha();
  const std::int32_t id = JobId("Alpha");
  Restart("LAY10");
  ASSERT_EQ(server().ProjectOpen("Alpha"), RETURN_OK);
  server().SetAppDirty(true);
  ASSERT_EQ(server().ProjectSave(), RETURN_OK);
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  faults_.Fail(Call::kDelete, 5, Named("LAY10Lay.dat"));
  host_->ExpectMsgBox("Delete Project", "Delete all Layout Planner v1.0 data in project [Alpha]?", vbYes);
  host_->ExpectMsgBoxContaining("clsProjectDataServer.DeleteProject()", "Error Deleting Project.");
  EXPECT_EQ(server().ProjectDelete("Alpha"), RETURN_ERROR);
  EXPECT_THAT(Usage(id), ElementsAre("PMP10"));
  faults_.Fail(Call::kDelete, 0);
  // The next open of the application starts its data afresh from its templates.
  ASSERT_EQ(server().ProjectOpen("Alpha"), RETURN_OK);
  EXPECT_TRUE(fs::exists(server().Project()->WorkingJobPath() + "/LAY10Lay.dat"));
}

// Something that is not a plain file in the project file's place is named, with the cause, before any question.
struct NotPlainCase {
  const char* name;
  void (*put)(const std::string& project_file);
  int code;
};

class UnusableProjectFileTest : public DeleteSafetyTest, public ::testing::WithParamInterface<NotPlainCase> {};

TEST_P(UnusableProjectFileTest, NamesTheFileAndTheCauseAndDeletesNothing) {
  const std::string alpha = SaveAlpha();
  const std::string file = alpha + "/PROJECT.QVP";
  fs::remove(file);
  GetParam().put(file);
  const int code = GetParam().code;
  ExpectRefusedDelete(alpha, kFailure + "The project file cannot be used:\r[" + file + "]\r\n\nError " +
                                 std::to_string(code) + "  -  " + platform::SystemErrorMessage(code));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, UnusableProjectFileTest,
    ::testing::Values(
        NotPlainCase{"Pipe", [](const std::string& f) { mkfifo(f.c_str(), 0644); }, platform::kErrNotRegularFile},
        NotPlainCase{"LinkToDevice", [](const std::string& f) { fs::create_symlink("/dev/zero", f); },
                     platform::kErrIsLink},
        NotPlainCase{"Folder", [](const std::string& f) { fs::create_directory(f); }, platform::kErrNotRegularFile}),
    ByName());

TEST_F(DeleteSafetyTest, ImmutableProjectFileIsNamedWithTheCauseAndNothingIsDeleted) {
  const std::string alpha = SaveAlpha();
  const std::string file = alpha + "/PROJECT.QVP";
  if (!SetFileFlag(file, FS_IMMUTABLE_FL, true)) GTEST_SKIP() << "no immutable attribute here";
  immutable_ = file;
  ExpectDeleteQuestion();
  ExpectRefusedDelete(alpha, kFailure + "The project cannot be deleted because the following file cannot be removed:" +
                                 "\r[" + file + "]\r\n\nError 1922  -  " +
                                 platform::SystemErrorMessage(platform::kErrFrozen));
}

struct CutShortCase {
  const char* name;
  const char* stop_at;  // the file whose deletion fails
  bool emptied;         // cut short after the last file and the mark went
};

class CutShortDeleteTest : public DeleteSafetyTest, public ::testing::WithParamInterface<CutShortCase> {};

TEST_P(CutShortDeleteTest, NextDeleteOfTheNameFinishesIt) {
  const std::string alpha = SaveAlpha();
  faults_.Fail(Call::kDelete, 5, Named(GetParam().stop_at));
  ExpectDeleteQuestion();
  host_->ExpectMsgBox("clsProjectDataServer.DeleteProject()",
                      kFailure + "The following file could not be deleted:\r[" + alpha + "/" + GetParam().stop_at +
                          "]\r\n\nError 5  -  Permission denied.\r\n");
  EXPECT_EQ(server().ProjectDelete("Alpha"), RETURN_ERROR);
  faults_.Fail(Call::kDelete, 0);
  // No listed project is left without its files: the name is gone, and an
  // open of it says how to finish.
  ASSERT_EQ(JobId("Alpha"), 0);
  host_->ExpectMsgBox("GetDataFromJobTable()",
                      "This project could not be found.  [Alpha]\r\n\nA deletion of this project was cut short and "
                      "left its folder; deleting the project again finishes it:\r[" +
                          alpha + "]");
  EXPECT_EQ(server().ProjectOpen("Alpha"), RETURN_ERROR);
  if (GetParam().emptied) {
    for (const auto& entry : fs::directory_iterator(alpha)) fs::remove(entry.path());
  } else {
    // The journal a writer killed inside a transaction leaves goes with its database.
    std::ofstream(alpha + "/Project.mdb-journal") << "hot";
    // So does the working folder of a session killed with the project open.
    fs::create_directory(alpha + "/~PMP10");
    std::ofstream(alpha + "/~PMP10/PMP10Tag.mdb") << "copy";
  }
  // Finishing can be declined, which changes nothing.
  const auto left = FolderNames(alpha);
  host_->ExpectMsgBoxContaining("Delete Project", "Finish deleting it?", vbNo);
  EXPECT_EQ(server().ProjectDelete("Alpha"), RETURN_USER_CANCEL);
  EXPECT_EQ(FolderNames(alpha), left);
  host_->ExpectMsgBox("Delete Project",
                      "Project [Alpha] is no longer listed, but a deletion of it was cut short and left its folder:\r[" +
                          alpha + "]\r\n\nFinish deleting it?",
                      vbYes);
  host_->ExpectMsgBox("Delete Project", "The deletion of project [Alpha] has been finished.", vbOK);
  EXPECT_EQ(server().ProjectDelete("Alpha"), RETURN_OK);
  EXPECT_FALSE(fs::exists(alpha));
}

INSTANTIATE_TEST_SUITE_P(Points, CutShortDeleteTest,
                         ::testing::Values(CutShortCase{"AtTheTagDatabase", "PMP10Tag.mdb", false},
                                           CutShortCase{"AtTheProjectDatabase", "Project.mdb", false},
                                           CutShortCase{"AtTheProjectFile", "PROJECT.QVP", false},
                                           CutShortCase{"WithOnlyTheFolderLeft", "PROJECT.QVP", true}), ByName());

TEST_F(DeleteSafetyTest, WorkingFolderOfAKilledSessionGoesWithTheProject) {
  const std::string alpha = SaveAlpha();
  fs::create_directory(alpha + "/~PMP10");
  std::ofstream(alpha + "/~PMP10/PMP10Tag.mdb") << "copy";
  ExpectDeleteQuestion();
  EXPECT_EQ(server().ProjectDelete("Alpha"), RETURN_OK);
  EXPECT_FALSE(fs::exists(alpha));
}

TEST_F(DeleteSafetyTest, NameNotListedSaysSoAndUnmarkedFilesOfAnUnlistedFolderAreLeftAlone) {
  const std::string alpha = SaveAlpha();
  host_->ExpectMsgBox("clsProjectDataServer.DeleteProject()",
                      kFailure + "There is no project named [Nowhere] in the projects list.");
  EXPECT_EQ(server().ProjectDelete("Nowhere"), RETURN_ERROR);
  const std::string stray = Projects() + "/Stray";
  fs::create_directories(stray);
  const std::string qvp = stray + "/PROJECT.QVP";
  fs::copy_file(alpha + "/PROJECT.QVP", qvp);
  host_->ExpectMsgBox("clsProjectDataServer.DeleteProject()",
                      kFailure + "There is no project named [Stray] in the projects list.\rThe folder of that name holds "
                                 "files no listed project uses; they are left as they are:\r[" +
                          stray + "]");
  EXPECT_EQ(server().ProjectDelete("Stray"), RETURN_ERROR);
  EXPECT_TRUE(fs::exists(qvp));
}

}  // namespace
}  // namespace pds::test
