// Registration of an application's data in a project: the Job and JobUsage
// rows RegisterAppData keeps in step with a project record (all or nothing),
// the registration question, and reading a record's key and folders back.

#include "pds/db/jet_errors.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "tests/projects/staging_fixture.h"

namespace pds::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using Row = std::vector<std::string>;

class RegistrationTest : public StagingTest {
 protected:
  std::vector<Row> JobRows() {
    return Rows(ProjectsDb(), "SELECT lJobID, sJobName, sJobPath FROM Job ORDER BY lJobID");
  }
  std::vector<Row> UsageRows() {
    return Rows(ProjectsDb(), "SELECT lJobID, sPdsg FROM JobUsage ORDER BY lJobID, sPdsg");
  }
};

// ---- RegisterAppData

TEST_F(RegistrationTest, NewProjectGetsAJobRowItsNumberAndTheApplicationsUsageRowAndKeepsThemWhenRegisteredAgain) {
  Start("LAY10");
  const std::string folder = MakeProjectFolder("Alpha");
  ProjectRef project = MakeRecord("Alpha", folder);

  ASSERT_TRUE(ServerOf(server()).RegisterAppData(project));
  ASSERT_GT(project->JobID(), 0);
  const std::string id = std::to_string(project->JobID());
  EXPECT_THAT(Rows(ProjectsDb(), "SELECT sJobName, sJobPath, sDOSJobPath FROM Job WHERE lJobID = " + id),
              ElementsAre(Row{"Alpha", folder, folder}));
  EXPECT_THAT(UsageRows(), ElementsAre(Row{id, "LAY10"}));
  EXPECT_TRUE(server().IsAppDataRegistered("Alpha"));
  EXPECT_FALSE(server().IsAppDataRegistered("Alpha", "PMP10"));
  EXPECT_FALSE(server().IsAppDataRegistered("Nobody"));
  EXPECT_FALSE(server().IsAppDataRegistered("Seed"));  // known, but no application has data in it

  // Registering again updates the same rows, without duplicates.
  const std::string moved = MakeProjectFolder("Moved");
  project->SetJobPath(moved);
  ASSERT_TRUE(ServerOf(server()).RegisterAppData(project));
  EXPECT_EQ(std::to_string(project->JobID()), id);
  EXPECT_THAT(JobRows(), ElementsAre(::testing::_, Row{id, "Alpha", moved}));
  EXPECT_THAT(UsageRows(), ElementsAre(Row{id, "LAY10"}));
}

TEST_F(RegistrationTest, ApplicationWithoutDataFilesGetsAJobRowButNoUsageRow) {
  Start("CAL10");
  ProjectRef project = MakeRecord("Alpha", MakeProjectFolder("Alpha"));

  ASSERT_TRUE(ServerOf(server()).RegisterAppData(project));
  EXPECT_EQ(JobRows().size(), 2u);
  EXPECT_TRUE(UsageRows().empty());
}

TEST_F(RegistrationTest, FailureAfterTheJobRowWasStoredRollsEverythingBack) {
  Start("LAY10");
  ProjectRef project = MakeRecord("Alpha", MakeProjectFolder("Alpha"));
  const auto jobs_before = JobRows();
  // A designation longer than the usage table takes fails the last write.
  host_->ExpectMsgBox("RegisterAppData()", db::JetErrorText(db::kErrFieldTooSmall));

  EXPECT_FALSE(ServerOf(server()).RegisterAppData(project, "LAYOUT10"));
  EXPECT_EQ(project->JobID(), 0);
  EXPECT_EQ(JobRows(), jobs_before);
  EXPECT_TRUE(UsageRows().empty());
}

// ---- GetDataFromJobTable

TEST_F(RegistrationTest, RecordGetsItsKeyAndFoldersFromTheJobRowWhileTheFolderExists) {
  Start("LAY10");
  const std::string folder = MakeProjectFolder("Alpha");
  const std::int32_t id = AddJob("Alpha", folder);
  ProjectRef project = MakeRecord("alpha", "");

  ASSERT_TRUE(ServerOf(server()).GetDataFromJobTable(project));
  EXPECT_EQ(project->JobID(), id);
  EXPECT_EQ(project->JobPath(), folder);
  EXPECT_EQ(project->DosJobPath(), folder);
  EXPECT_EQ(project->ProjectDbPath(), folder + "/Project.mdb");

  fs::remove_all(folder);
  project = MakeRecord("Alpha", "");
  host_->ExpectMsgBox("GetDataFromJobTable()",
                      "Project not found.  Project folder does not exist.\r[" + folder + "]");

  EXPECT_FALSE(ServerOf(server()).GetDataFromJobTable(project));
}

}  // namespace
}  // namespace pds::test
