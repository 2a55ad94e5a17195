// The projects list as the Projects class reads it (by name, filtered by
// application, selected by key, the applications from the project file), and
// the recently-used list: its size rule and ordering in memory, loading it
// from the projects database at start, and writing it back into reused rows.
#include "config/schema.h"
#include "pds/TextTable.h"
#include "pds/UiHost.h"
#include "pds/clsMRUJobs.h"
#include "pds/clsProjects.h"
#include "tests/projects/record_test_support.h"
#include "tests/projects/staging_fixture.h"

namespace pds::test {
namespace {

TextTable Table(const std::vector<std::vector<std::string>>& rows) {
  TextTable t(rows.size(), rows.empty() ? 0 : rows[0].size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) t.Set(r, c, rows[r][c]);
  }
  return t;
}

class ProjectsClassTest : public RecordTest {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(schema::CreateDatabaseFile(Db(), schema::ProjectsDatabase(), {}, &error)) << error;
    projects_.SetProjectDb(Db());
  }
  std::string Db() const { return temp_ / "Prjxy000.mdb"; }
  // Adds a project; keys are given out 1, 2, ... in the order added.
  std::string Add(const std::string& name, const std::vector<std::string>& apps = {}) {
    const std::string folder = temp_ / name;
    fs::create_directories(folder);
    Execute(Db(), {"INSERT INTO Job (sJobName, sJobPath, sDOSJobPath) VALUES ('" + name + "', '" + folder +
                     "', '" + folder + "')"});
    ++added_;
    for (const std::string& pdsg : apps) {
      Execute(Db(), {"INSERT INTO JobUsage (lJobID, sPdsg) VALUES (" + std::to_string(added_) + ", '" + pdsg +
                       "')"});
    }
    return folder;
  }

  clsProjects projects_;
  int added_ = 0;
};

TEST_F(ProjectsClassTest, ListsProjectsByNameFilteredByApplicationAndNoneAsOneEmptyRow) {
  TextTable list = Table({{"stale", "1", "x", ""}, {"stale", "2", "y", ""}});
  EXPECT_EQ(projects_.GetProjects(list), RETURN_OK);
  EXPECT_EQ(list, TextTable(1, 4));
  const std::string beta = Add("beta", {"PMP10"});
  const std::string alpha = Add("Alpha", {"PMP10", "LAY10"});
  const std::string gamma = Add("Gamma", {"LAY10"});
  ASSERT_EQ(projects_.GetProjects(list), RETURN_OK);
  EXPECT_EQ(list, Table({{"Alpha", "2", alpha, ""}, {"beta", "1", beta, ""}, {"Gamma", "3", gamma, ""}}));
  ASSERT_EQ(projects_.GetProjects(list, "PMP10"), RETURN_OK);
  EXPECT_EQ(list, Table({{"Alpha", "2", alpha, ""}, {"beta", "1", beta, ""}}));
  ASSERT_EQ(projects_.GetProjects(list, "CAL10"), RETURN_OK);
  EXPECT_EQ(list, TextTable(1, 4));
}

TEST_F(ProjectsClassTest, SelectsByKeyAmongLastListing) {
  Add("Alpha");
  const std::string beta = Add("Beta");
  TextTable list;
  EXPECT_EQ(projects_.SetSelectedProject(2), RETURN_ERROR);  // nothing listed yet
  ASSERT_EQ(projects_.GetProjects(list), RETURN_OK);
  EXPECT_EQ(projects_.SetSelectedProject(7), RETURN_ERROR);
  EXPECT_EQ(projects_.SetSelectedProject(2), RETURN_OK);
  EXPECT_EQ(projects_.SelectedProjectName() + "|" + projects_.SelectedProjectPath(), "Beta|" + beta);
  EXPECT_EQ(projects_.SelectedProjectID(), 2);
}

TEST_F(ProjectsClassTest, MissingDatabaseFailsAndLeavesListAsItWas) {
  projects_.SetProjectDb(temp_ / "gone.mdb");
  TextTable list = Table({{"kept", "1", "x", ""}});
  const TextTable before = list;
  host_->ExpectMsgBoxContaining("GetProjects()", "gone.mdb");
  EXPECT_EQ(projects_.GetProjects(list), RETURN_ERROR);
  EXPECT_EQ(list, before);
  EXPECT_EQ(host_->shown().at(0).style, vbCritical);
}

TEST_F(ProjectsClassTest, AppsComeFromFileNamedAfterProjectBeforeProjectQvpAndFailWithoutEither) {
  const std::string folder = Add("Alpha");
  temp_.Write("Alpha/PROJECT.QVP", "[Application Data]\r\nCAL10=Unit Calculator\r\n");
  temp_.Write("Alpha/Alpha.QVP", "[Application Data]\r\nPMP10=Pump Designer\r\nLAY1=Layout\r\nAB=Short\r\n");
  TextTable apps;
  ASSERT_EQ(projects_.GetAppsWithProjData("Alpha", apps), RETURN_OK);
  EXPECT_EQ(apps, Table({{"PMP10", "Pump Designer", "10"}, {"LAY1", "Layout", "1"}, {"AB", "Short", ""}}));

  fs::remove(folder + "/Alpha.QVP");
  ASSERT_EQ(projects_.GetAppsWithProjData("alpha", apps), RETURN_OK);  // the lookup ignores case
  EXPECT_EQ(apps, Table({{"CAL10", "Unit Calculator", "10"}}));

  apps = Table({{"stale", "x", "y"}, {"stale", "x", "y"}});
  EXPECT_EQ(projects_.GetAppsWithProjData("Nobody", apps), RETURN_ERROR);
  EXPECT_EQ(apps, TextTable(1, 3));
  apps = Table({{"stale", "x", "y"}});
  fs::remove(folder + "/PROJECT.QVP");
  host_->ExpectMsgBox("GetProjectAppsFromQVPFile()",
                      "File not found.\r\n\n" + std::string("[") + folder + "/PROJECT.QVP]");
  EXPECT_EQ(projects_.GetAppsWithProjData("Alpha", apps), RETURN_ERROR);
  EXPECT_EQ(apps, TextTable(1, 3));
}

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
  ASSERT_TRUE(ServerOf(server()).MRUAddToList(MakeRecord("Alpha", "", alpha_)));
  ASSERT_TRUE(ServerOf(server()).MRUAddToList(MakeRecord("Beta", "", beta_)));
  EXPECT_FALSE(ServerOf(server()).MRUAddToList(nullptr));
  ASSERT_EQ(server().ExitProgram(), RETURN_OK);

  clsMRUJobs& jobs = Restart();
  EXPECT_THAT(Names(jobs), ElementsAre("Beta", "Alpha"));
  EXPECT_EQ(jobs.Item(1L)->Pdsg(), "LAY10");
}

}  // namespace
}  // namespace pds::test
