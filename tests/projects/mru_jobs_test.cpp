// The recently-used list: its size rule and ordering in memory, loading it
// from the projects database at start, and writing it back into reused rows.

#include "pds/clsMRUJobs.h"
#include "pds/clsProject.h"
#include "tests/projects/staging_fixture.h"

namespace pds::test {
namespace {

using ::testing::ElementsAre;
using Row = std::vector<std::string>;

std::vector<std::string> Names(const clsMRUJobs& jobs) {
  std::vector<std::string> names;
  for (const clsMRUJob& job : jobs) names.push_back(job.JobName());
  return names;
}

// ---- the list in memory

TEST(MRUJobsTest, SizeIsFourUntilSetWithinOneToTen) {
  clsMRUJobs jobs;
  EXPECT_EQ(jobs.Size(), 4);
  jobs.SetSize(0);
  jobs.SetSize(11);
  EXPECT_EQ(jobs.Size(), 4);
  jobs.SetSize(10);
  jobs.SetSize(-3);
  EXPECT_EQ(jobs.Size(), 10);
}

TEST(MRUJobsTest, ReaddingAJobMovesItToTheFrontWhateverItsCaseAndAFifthDropsTheLast) {
  clsMRUJobs jobs;
  jobs.AddJob({1, "Alpha", "LAY10"}, true);
  jobs.AddJob({2, "Beta", "LAY10"}, true);
  jobs.AddJob({3, "Gamma", "LAY10"}, true);

  jobs.AddJob({1, "ALPHA", "LAY10"}, true);
  EXPECT_THAT(Names(jobs), ElementsAre("ALPHA", "Gamma", "Beta"));
  ASSERT_NE(jobs.Item("alpha"), nullptr);
  EXPECT_EQ(jobs.Item("alpha")->JobID(), 1);
  for (const char* name : {"A", "B", "C", "D", "E"}) jobs.AddJob({1, name, "LAY10"}, true);
  EXPECT_THAT(Names(jobs), ElementsAre("E", "D", "C", "B"));
}

// ---- loading and saving

class MRUListStorageTest : public StagingTest {
 protected:
  void SetUp() override {
    Start("lay10");
    alpha_ = AddJob("Alpha", temp_ / "projects/Alpha");
    beta_ = AddJob("Beta", temp_ / "projects/Beta");
    gamma_ = AddJob("Gamma", temp_ / "projects/Gamma");
  }
  void AddRows(const std::string& pdsg, const std::vector<std::string>& job_ids) {
    std::vector<std::string> statements;
    for (const std::string& id : job_ids) {
      statements.push_back("INSERT INTO MRUJobNames (sPdsg, lJobID) VALUES ('" + pdsg + "', " + id + ")");
    }
    Execute(ProjectsDb(), statements);
  }
  std::vector<Row> RowsOf(const std::string& pdsg) {
    return Rows(ProjectsDb(), "SELECT lJobID FROM MRUJobNames WHERE sPdsg = '" + pdsg + "' ORDER BY lIndex");
  }
  // A second start of the same application, which loads the list anew.
  clsMRUJobs& Restart() {
    server_.reset();
    server_ = std::make_unique<clsProjectDataServer>();
    EXPECT_EQ(server_->PDSInitialize(inst_.CodePath("LAY10"), "lay10", ""), RETURN_OK);
    return server_->MRUJobs();
  }
  std::string Id(std::int32_t id) { return std::to_string(id); }

  std::int32_t alpha_ = 0;
  std::int32_t beta_ = 0;
  std::int32_t gamma_ = 0;
};

TEST_F(MRUListStorageTest, LoadTakesThisApplicationsRowsInIndexOrderAndSkipsEmptyRowsAndDeletedJobs) {
  AddRows("LAY10", {Id(gamma_), "NULL", Id(alpha_), Id(beta_)});
  AddRows("PMP10", {Id(beta_)});
  Execute(ProjectsDb(), {"DELETE FROM Job WHERE lJobID = " + Id(beta_)});
  clsMRUJobs& jobs = Restart();

  EXPECT_THAT(Names(jobs), ElementsAre("Gamma", "Alpha"));
  EXPECT_EQ(jobs.Item(1L)->JobID(), gamma_);
  EXPECT_EQ(jobs.Item(1L)->Pdsg(), "LAY10");
}

TEST_F(MRUListStorageTest, SavingTwoEntriesIntoFourRowsLeavesTheLastTwoEmpty) {
  AddRows("LAY10", {Id(gamma_), Id(gamma_), Id(gamma_), Id(gamma_)});
  AddRows("PMP10", {Id(gamma_)});
  clsMRUJobs jobs;
  jobs.AddJob({alpha_, "Alpha", "LAY10"}, true);
  jobs.AddJob({beta_, "Beta", "LAY10"}, true);

  ASSERT_TRUE(jobs.SaveList(ProjectsDb(), "LAY10"));
  EXPECT_THAT(RowsOf("LAY10"), ElementsAre(Row{Id(beta_)}, Row{Id(alpha_)}, Row{"<null>"}, Row{"<null>"}));
  EXPECT_THAT(RowsOf("PMP10"), ElementsAre(Row{Id(gamma_)}));
}

TEST_F(MRUListStorageTest, OpenedProjectsSurviveARestartFrontFirst) {
  auto alpha = std::make_shared<clsProject>();
  alpha->SetJobName("Alpha");
  alpha->SetJobID(alpha_);
  auto beta = std::make_shared<clsProject>();
  beta->SetJobName("Beta");
  beta->SetJobID(beta_);
  ASSERT_TRUE(ServerOf(server()).MRUAddToList(alpha));
  ASSERT_TRUE(ServerOf(server()).MRUAddToList(beta));
  EXPECT_FALSE(ServerOf(server()).MRUAddToList(nullptr));
  ASSERT_EQ(server().ExitProgram(), RETURN_OK);

  clsMRUJobs& jobs = Restart();
  EXPECT_THAT(Names(jobs), ElementsAre("Beta", "Alpha"));
  EXPECT_EQ(jobs.Item(1L)->Pdsg(), "LAY10");
}

}  // namespace
}  // namespace pds::test
