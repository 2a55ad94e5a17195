// The service object's lookups in the user's projects database: counting
// projects (all, or those an application keeps data in), whether a name is
// taken, and a project's key and folder by name, including names that differ
// in case, blank names, names holding an apostrophe and a database that is
// gone.

#include "pds/UiHost.h"
#include "tests/config/service_fixture.h"

namespace pds::test {
namespace {

class ProjectsListTest : public ServiceTest {
 protected:
  void SetUp() override {
    Install(false, {"PMP10"});
    ASSERT_EQ(Init(server_, "PMP10"), RETURN_OK);
  }
  clsProjectDataServer server_;
};

TEST_F(ProjectsListTest, CountByDesignationFollowsJobUsage) {
  std::int32_t count = 99;
  EXPECT_EQ(server_.ProjectCount(count), RETURN_OK);
  EXPECT_EQ(count, 0);
  count = 99;
  EXPECT_EQ(server_.ProjectCount(count, "PMP10"), RETURN_OK);
  EXPECT_EQ(count, 0);

  AddProject("Plant", {"PMP10", "LAY10"});
  AddProject("Annex", {"PMP10"});
  AddProject("Yard");
  EXPECT_EQ(server_.ProjectCount(count), RETURN_OK);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(server_.ProjectCount(count, "PMP10"), RETURN_OK);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(server_.ProjectCount(count, "LAY10"), RETURN_OK);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(server_.ProjectCount(count, "CAL10"), RETURN_OK);
  EXPECT_EQ(count, 0);
}

TEST_F(ProjectsListTest, ProjectInfoIsFoundWhateverTheCaseOfTheNameAndNotForAnUnknownOrBlankOne) {
  AddProject("Annex");
  const std::int32_t id = AddProject("North Plant");
  for (const std::string name : {"North Plant", "NORTH PLANT", "north plant", "  North Plant "}) {
    SCOPED_TRACE(name);
    std::int32_t found_id = 0;
    std::string path;
    EXPECT_TRUE(server_.GetProjectInfo(name, found_id, path));
    EXPECT_EQ(found_id, id);
    EXPECT_EQ(path, temp_ / "projects/North Plant");
  }
  for (const std::string name : {"Plant", "", "   "}) {
    SCOPED_TRACE(name);
    std::int32_t found_id = 7;
    std::string path = "stale";
    EXPECT_FALSE(server_.GetProjectInfo(name, found_id, path));
    EXPECT_EQ(found_id, 0);
    EXPECT_EQ(path, "");
  }
  EXPECT_TRUE(host_->shown().empty());
}

TEST_F(ProjectsListTest, DoesProjectExistIgnoresCaseAndDoesNotLookUpAnEmptyName) {
  AddProject("Annex");
  bool found = false;
  EXPECT_TRUE(server_.DoesProjectExist("ANNEX", found));
  EXPECT_TRUE(found);
  EXPECT_TRUE(server_.DoesProjectExist("Annexe", found));
  EXPECT_FALSE(found);
  found = true;
  EXPECT_FALSE(server_.DoesProjectExist("", found));
  EXPECT_FALSE(found);
  EXPECT_TRUE(host_->shown().empty());
}

TEST_F(ProjectsListTest, NameWithApostropheNeitherFailsNorMatchesAnotherProject) {
  AddProject("Annex");
  const std::string hostile = "Annex' OR sJobName <> 'x";
  bool found = true;
  EXPECT_TRUE(server_.DoesProjectExist(hostile, found));
  EXPECT_FALSE(found);
  std::int32_t id = 7;
  std::string path = "stale";
  EXPECT_FALSE(server_.GetProjectInfo(hostile, id, path));
  EXPECT_EQ(id, 0);
  EXPECT_FALSE(server_.GetProjectInfo("O'Brien", id, path));
  std::int32_t count = 5;
  EXPECT_EQ(server_.ProjectCount(count, "PMP10' OR 'a' = 'a"), RETURN_OK);
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(host_->shown().empty());
}

TEST_F(ProjectsListTest, MissingProjectsDatabaseIsReportedByTheLookups) {
  std::filesystem::remove(ProjectsDbPath());
  const std::string not_found = "Could not find file '" + ProjectsDbPath() + "'.";

  std::int32_t count = 5;
  EXPECT_EQ(server_.ProjectCount(count), RETURN_ERROR);
  EXPECT_EQ(count, 0);

  host_->ExpectMsgBox("clsProjectDataServer.DoesProjectExist", not_found);
  bool found = true;
  EXPECT_FALSE(server_.DoesProjectExist("Annex", found));
  EXPECT_FALSE(found);

  host_->ExpectMsgBox("clsProjectDataServer.GetProjectInfo", not_found);
  std::int32_t id = 7;
  std::string path = "stale";
  EXPECT_FALSE(server_.GetProjectInfo("Annex", id, path));
  EXPECT_EQ(id, 0);
  EXPECT_EQ(path, "");

  for (const auto& shown : host_->shown()) EXPECT_EQ(shown.style, vbExclamation) << shown.title;
}

}  // namespace
}  // namespace pds::test
