// The service object's reads and writes of the user's projects database:
// counts, names taken, a project's key and folder by name, and the user-wide
// configuration values in its Config table.
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
  // The count the server hands back, after checking that it succeeded; a stale value shows as 99.
  std::int32_t Count(const std::string& pdsg = "") {
    std::int32_t count = 99;
    EXPECT_EQ(server_.ProjectCount(count, pdsg), RETURN_OK) << pdsg;
    return count;
  }
  // GetProjectInfo's answer with the key and folder it handed back, from stale values.
  std::tuple<bool, std::int32_t, std::string> Info(const std::string& name) {
    std::int32_t id = 7;
    std::string path = "stale";
    const bool found = server_.GetProjectInfo(name, id, path);
    return {found, id, path};
  }
  clsProjectDataServer server_;
};

TEST_F(ProjectsListTest, CountByDesignationFollowsJobUsage) {
  EXPECT_EQ(Count(), 0);
  EXPECT_EQ(Count("PMP10"), 0);
  AddProject("Plant", {"PMP10", "LAY10"});
  AddProject("Annex", {"PMP10"});
  AddProject("Yard");
  EXPECT_EQ(Count(), 3);
  EXPECT_EQ(Count("PMP10"), 2);
  EXPECT_EQ(Count("LAY10"), 1);
  EXPECT_EQ(Count("CAL10"), 0);
}

TEST_F(ProjectsListTest, LookupsByNameIgnoreCaseAndBlanksAndFindNothingForAnUnknownOrBlankName) {
  AddProject("Annex");
  const std::int32_t id = AddProject("North Plant");
  for (const std::string name : {"North Plant", "NORTH PLANT", "north plant", "  North Plant "}) {
    EXPECT_EQ(Info(name), std::make_tuple(true, id, temp_ / "projects/North Plant")) << name;
  }
  for (const std::string name : {"Plant", "", "   "}) EXPECT_EQ(Info(name), std::make_tuple(false, 0, "")) << name;

  bool found = false;
  EXPECT_TRUE(server_.DoesProjectExist("ANNEX", found));
  EXPECT_TRUE(found);
  EXPECT_TRUE(server_.DoesProjectExist("Annexe", found));
  EXPECT_FALSE(found);
  found = true;
  EXPECT_FALSE(server_.DoesProjectExist("", found)) << "an empty name is not looked up";
  EXPECT_FALSE(found);
  EXPECT_TRUE(host_->shown().empty());
}

TEST_F(ProjectsListTest, NameWithApostropheNeitherFailsNorMatchesAnotherProject) {
  AddProject("Annex");
  const std::string hostile = "Annex' OR sJobName <> 'x";
  bool found = true;
  EXPECT_TRUE(server_.DoesProjectExist(hostile, found));
  EXPECT_FALSE(found);
  EXPECT_EQ(Info(hostile), std::make_tuple(false, 0, ""));
  EXPECT_FALSE(std::get<0>(Info("O'Brien")));
  EXPECT_EQ(Count("PMP10' OR 'a' = 'a"), 0);
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
  EXPECT_EQ(Info("Annex"), std::make_tuple(false, 0, ""));

  for (const auto& shown : host_->shown()) EXPECT_EQ(shown.style, vbExclamation) << shown.title;
}

using Row = std::vector<std::string>;

class ConfigValuesTest : public ServiceTest {
 protected:
  void SetUp() override {
    Install(false, {"PMP10", "LAY10"});
    // Started with the designation in lower case: values still belong to "PMP10".
    ASSERT_EQ(Init(server_, "pmp10"), RETURN_OK);
  }
  std::vector<Row> ConfigRows() {
    return Rows(ProjectsDbPath(), "SELECT sPdsg, sKey, sValue FROM Config ORDER BY sKey");
  }
  // GetConfigValue's answer and the value it handed back, from a stale variable.
  std::pair<std::int32_t, std::string> Get(const std::string& key, const std::string& def = "") {
    std::string value = "stale";
    const std::int32_t found = server_.GetConfigValue(key, value, def);
    return {found, value};
  }
  using Answer = std::pair<std::int32_t, std::string>;

  clsProjectDataServer server_;
};

TEST_F(ConfigValuesTest, MissingKeyHandsBackTheDefaultEvenWhenItIsTheVariableItself) {
  EXPECT_EQ(Get("Units", "Metric"), Answer(0, "Metric"));
  EXPECT_EQ(Get("Units"), Answer(0, ""));
  std::string value = "Imperial";
  EXPECT_EQ(server_.GetConfigValue("Units", value, value), 0);
  EXPECT_EQ(value, "Imperial");
}

TEST_F(ConfigValuesTest, ValueIsStoredUnderTheUpperCaseDesignationReadBackAndUpdatedInPlaceAndABlankKeyIsRefused) {
  EXPECT_EQ(server_.SetConfigValue("Units", "Imperial"), -1);
  EXPECT_THAT(ConfigRows(), ElementsAre(Row{"PMP10", "Units", "Imperial"}));
  EXPECT_EQ(Get("Units", "Metric"), Answer(-1, "Imperial"));
  EXPECT_EQ(server_.SetConfigValue("Units", "Metric"), -1);
  EXPECT_THAT(ConfigRows(), ElementsAre(Row{"PMP10", "Units", "Metric"}));
  // An empty value is stored as one blank and reads back empty.
  EXPECT_EQ(server_.SetConfigValue("Units", ""), -1);
  EXPECT_THAT(ConfigRows(), ElementsAre(Row{"PMP10", "Units", " "}));
  EXPECT_EQ(Get("Units", "Metric"), Answer(-1, ""));
  // A blank key is neither written nor read.
  EXPECT_EQ(server_.SetConfigValue("  ", "x"), 0);
  EXPECT_EQ(ConfigRows().size(), 1u);
  EXPECT_EQ(Get("  ", "fallback"), Answer(0, "fallback"));
}

TEST_F(ConfigValuesTest, SharedDesignationReadsTheSameValueFromEveryApplication) {
  ASSERT_EQ(server_.SetConfigValue("DefaultProjectFolder", "/data/projects", "XXXYY"), -1);
  clsProjectDataServer layout;
  ASSERT_EQ(Init(layout, "LAY10"), RETURN_OK);

  std::string value;
  EXPECT_EQ(layout.GetConfigValue("DefaultProjectFolder", value, "", "XXXYY"), -1);
  EXPECT_EQ(value, "/data/projects");
  // Without the shared designation each application reads only its own values.
  EXPECT_EQ(layout.GetConfigValue("DefaultProjectFolder", value), 0);
  EXPECT_EQ(Get("DefaultProjectFolder").first, 0);
}

TEST_F(ConfigValuesTest, KeyWithApostropheReachesOnlyItsOwnRow) {
  ASSERT_EQ(server_.SetConfigValue("Units", "Metric"), -1);
  const std::string hostile = "Units' OR sKey <> 'x";
  EXPECT_EQ(Get(hostile), Answer(0, ""));

  EXPECT_EQ(server_.SetConfigValue(hostile, "Imperial"), -1);
  EXPECT_EQ(server_.SetConfigValue("Pump's curve", "steep"), -1);
  EXPECT_EQ(Get("Units"), Answer(-1, "Metric"));
  EXPECT_EQ(Get(hostile), Answer(-1, "Imperial"));
  EXPECT_EQ(Get("Pump's curve"), Answer(-1, "steep"));
  EXPECT_EQ(ConfigRows().size(), 3u);
}

TEST_F(ConfigValuesTest, ProjectsDatabaseHeldByAnotherUserWritesNothing) {
  FakeClockEnv clock;
  platform::ScopedEnv scoped(&clock);
  {
    ExclusiveHolder holder;
    ASSERT_TRUE(holder.Start(ProjectsDbPath(), temp_ / "held"));
    const std::int64_t start = clock.now_ms();
    // The open's own question is the only message.
    host_->ExpectMsgBox(DefaultMsgBoxTitle(), "Database currently in use.  Try Again?", vbCancel);
    EXPECT_EQ(server_.SetConfigValue("Units", "Metric"), 0);
    EXPECT_GE(clock.now_ms() - start, 5000);
  }
  EXPECT_TRUE(ConfigRows().empty());
}

}  // namespace
}  // namespace pds::test
