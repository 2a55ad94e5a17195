
#include "config/schema.h"
#include "pds/TextTable.h"
#include "pds/UiHost.h"
#include "pds/clsProjects.h"
#include "tests/projects/record_test_support.h"

namespace pds::test {
namespace {

namespace fs = std::filesystem;

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

}  // namespace
}  // namespace pds::test
