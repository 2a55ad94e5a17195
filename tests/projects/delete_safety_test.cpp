// Deleting a project either deletes it or leaves it whole: everything that
// could stop the deletion (a read-only file, a folder that takes no changes)
// is found before anything is deleted, and a deletion cut short halfway
// never leaves a listed project without its files.
#include <filesystem>
#include <string>

#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "platform/env.h"
#include "tests/projects/lifecycle_fixture.h"

namespace pds::test {
namespace {

namespace fs = std::filesystem;

// Every failure of a deletion opens with this, then names the file and the cause.
const std::string kFailure = "Error Deleting Project.\r\n\n";

// Fails, with access denied, the deletion of one named file and the
// creation of temporary files in one folder.
class FaultEnv : public platform::EnvWrapper {
 public:
  explicit FaultEnv(platform::Env* target) : EnvWrapper(target) {}
  platform::Status DeleteFile(const std::string& path) override {
    if (!undeletable.empty() && fs::path(path).filename() == undeletable) return platform::Status::Error(5);
    return target()->DeleteFile(path);
  }
  platform::Status CreateTempFile(const std::string& folder, const std::string& prefix, std::string* path) override {
    if (!unwritable.empty() && folder == unwritable) return platform::Status::Error(5);
    return target()->CreateTempFile(folder, prefix, path);
  }
  std::string undeletable;
  std::string unwritable;
};

class DeleteSafetyTest : public LifecycleTest {
 protected:
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
  FaultEnv faults_{&env_};
  platform::ScopedEnv scoped_faults_{&faults_};
};

struct BlockedCase {
  const char* name;
  // Blocks the deletion of the project in folder; returns the expected message.
  std::string (*block)(const std::string& folder, FaultEnv& env);
};

class BlockedDeleteTest : public DeleteSafetyTest, public ::testing::WithParamInterface<BlockedCase> {};

TEST_P(BlockedDeleteTest, LeavesTheWholeProjectAndSaysWhy) {
  const std::string alpha = SaveAlpha();
  const std::int32_t id = JobId("Alpha");
  const std::string message = GetParam().block(alpha, faults_);
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(alpha)) files.push_back(entry.path().filename());
  ExpectDeleteQuestion();
  host_->ExpectMsgBox("clsProjectDataServer.DeleteProject()", message);
  EXPECT_EQ(server().ProjectDelete("Alpha"), RETURN_ERROR);
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(alpha)) left.push_back(entry.path().filename());
  EXPECT_EQ(left, files);
  EXPECT_EQ(JobId("Alpha"), id);
  EXPECT_THAT(Usage(id), ::testing::ElementsAre("PMP10"));
  // Nothing was lost: the project still opens.
  EXPECT_EQ(server().ProjectOpen("Alpha"), RETURN_OK);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, BlockedDeleteTest,
    ::testing::Values(
        BlockedCase{"ReadOnlyProjectFile",
                    [](const std::string& folder, FaultEnv&) {
                      fs::permissions(folder + "/PROJECT.QVP", fs::perms::all, fs::perm_options::remove);
                      fs::permissions(folder + "/PROJECT.QVP", fs::perms::owner_read, fs::perm_options::add);
                      return kFailure + "The project cannot be deleted because the following file is read-only:\r[" +
                             folder + "/PROJECT.QVP]";
                    }},
        BlockedCase{"ReadOnlyDataFile",
                    [](const std::string& folder, FaultEnv&) {
                      fs::permissions(folder + "/PMP10Crv.dat",
                                      fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                                      fs::perm_options::remove);
                      return kFailure + "The project cannot be deleted because the following file is read-only:\r[" +
                             folder + "/PMP10Crv.dat]";
                    }},
        BlockedCase{"FolderTakingNoChanges",
                    [](const std::string& folder, FaultEnv& env) {
                      env.unwritable = folder;
                      return kFailure + "The project cannot be deleted because its folder cannot be changed.\r[" +
                             folder + "]\r\n\nError 5  -  Permission denied.\r\n";
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DeleteSafetyTest, DeletionCutShortLeavesNoListedProjectWithoutItsFiles) {
  const std::string alpha = SaveAlpha();
  faults_.undeletable = "PMP10Tag.mdb";
  ExpectDeleteQuestion();
  host_->ExpectMsgBoxContaining("clsProjectDataServer.DeleteProject()", "Error Deleting Project.");
  EXPECT_EQ(server().ProjectDelete("Alpha"), RETURN_ERROR);
  EXPECT_EQ(JobId("Alpha"), 0);
  faults_.undeletable.clear();
  host_->ExpectMsgBox("GetDataFromJobTable()",
                      "This project could not be found.  [Alpha]\r\n\nA deletion of this project was cut short and "
                      "left its folder; deleting the project again finishes it:\r[" +
                          alpha + "]");
  EXPECT_EQ(server().ProjectOpen("Alpha"), RETURN_ERROR);
}

TEST_F(DeleteSafetyTest, DeletionOfOneApplicationCutShortIsStartedAfreshByItsNextOpen) {
  const std::string alpha = SaveAlpha();
  const std::int32_t id = JobId("Alpha");
  Restart("LAY10");
  ASSERT_EQ(server().ProjectOpen("Alpha"), RETURN_OK);
  server().SetAppDirty(true);
  ASSERT_EQ(server().ProjectSave(), RETURN_OK);
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  faults_.undeletable = "LAY10Lay.dat";
  host_->ExpectMsgBox("Delete Project", "Delete all Layout Planner v1.0 data in project [Alpha]?", vbYes);
  host_->ExpectMsgBoxContaining("clsProjectDataServer.DeleteProject()", "Error Deleting Project.");
  EXPECT_EQ(server().ProjectDelete("Alpha"), RETURN_ERROR);
  EXPECT_THAT(Usage(id), ::testing::ElementsAre("PMP10"));
  faults_.undeletable.clear();
  // The next open of the application starts its data afresh from its templates.
  ASSERT_EQ(server().ProjectOpen("Alpha"), RETURN_OK);
  EXPECT_TRUE(fs::exists(server().Project()->WorkingJobPath() + "/LAY10Lay.dat"));
}

}  // namespace
}  // namespace pds::test
