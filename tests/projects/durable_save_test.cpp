// Durability of saves: copies into a project folder are flushed file by file
// and the folder once per save; staging into the working folder flushes
// nothing. What reaches the disk cannot be observed from a test, so the
// environment records which copies asked to be durable and which folders were
// flushed.

#include "tests/projects/staging_fixture.h"

namespace pds::test {
namespace {

namespace fs = std::filesystem;

class FlushRecordingEnv : public platform::EnvWrapper {
 public:
  explicit FlushRecordingEnv(platform::Env* target) : EnvWrapper(target) {}
  platform::Status CopyFile(const std::string& from, const std::string& to, bool durable) override {
    (durable ? durable_copies : plain_copies).push_back(fs::path(to).filename().string());
    return target()->CopyFile(from, to, durable);
  }
  platform::Status SyncFolder(const std::string& folder) override {
    synced.push_back(folder);
    return sync_error != 0 ? platform::Status::Error(sync_error) : target()->SyncFolder(folder);
  }

  std::vector<std::string> durable_copies, plain_copies, synced;
  int sync_error = 0;
};

class DurableSaveTest : public StagingTest {
 protected:
  void SetUp() override {
    Start("LAY10");
    Shared().app_data_specs = {
        {"LAY10Lay.dat", true, true, false, false, 0, ""},
        {"LAY10R??.dat", false, false, false, false, 0, ""},
    };
    project_ = MakeProjectFolder("Alpha");
    // Lower case: the working folder is recognised without regard to case.
    work_ = project_ + "/~lay10";
    fs::create_directories(work_);
    for (const std::string& folder : {project_, work_}) {
      for (const char* name : {"LAY10Lay.dat", "LAY10R01.dat", "LAY10R02.dat"})
        std::ofstream(folder + "/" + name) << name;
    }
    recorder_ = std::make_unique<FlushRecordingEnv>(&env_);
    scoped_recorder_ = std::make_unique<platform::ScopedEnv>(recorder_.get());
  }
  void TearDown() override {
    scoped_recorder_.reset();
    StagingTest::TearDown();
  }

  std::string project_, work_;
  // Installed after the start, so that only the operation under test is recorded.
  std::unique_ptr<FlushRecordingEnv> recorder_;
  std::unique_ptr<platform::ScopedEnv> scoped_recorder_;
};

TEST_F(DurableSaveTest, SaveFlushesEveryCopyAndTheProjectFolderOnce) {
  EXPECT_TRUE(ServerOf(server()).CopyExistingAppFiles(work_, project_ + "/"));
  EXPECT_THAT(recorder_->durable_copies,
              ::testing::UnorderedElementsAre("LAY10Lay.dat", "LAY10R01.dat", "LAY10R02.dat"));
  EXPECT_THAT(recorder_->plain_copies, ::testing::IsEmpty());
  EXPECT_THAT(recorder_->synced, ::testing::ElementsAre(project_));
}

TEST_F(DurableSaveTest, StagingIntoTheWorkingFolderFlushesNothing) {
  EXPECT_TRUE(ServerOf(server()).CopyExistingAppFiles(project_, work_));
  EXPECT_EQ(recorder_->plain_copies.size(), 3u);
  EXPECT_THAT(recorder_->durable_copies, ::testing::IsEmpty());
  EXPECT_THAT(recorder_->synced, ::testing::IsEmpty());
}

TEST_F(DurableSaveTest, FailedFolderFlushIsReportedFailsTheCopyAndTheFilesStayCopied) {
  recorder_->sync_error = 23;  // a data error from the device
  host_->ExpectMsgBox("CopyExistingAppFiles()", GetSystemErrorText(23));
  EXPECT_FALSE(ServerOf(server()).CopyExistingAppFiles(work_, project_));
  EXPECT_EQ(recorder_->durable_copies.size(), 3u);
}

TEST_F(DurableSaveTest, NewProjectDatabaseInAProjectFolderIsDurable) {
  const std::string folder = temp_ / "projects/Beta";
  fs::create_directories(folder);
  ASSERT_TRUE(ServerOf(server()).CopyNewLocalProjectRoFile(folder));
  EXPECT_THAT(recorder_->durable_copies, ::testing::ElementsAre("Project.mdb"));
}

}  // namespace
}  // namespace pds::test
