// User-wide configuration values in the projects database's Config table:
// defaults for missing keys, the stored form of an empty value, one row per
// designation and key, the shared designation, keys that hold an apostrophe,
// and a projects database another user holds.
#include "pds/UiHost.h"
#include "tests/config/service_fixture.h"

namespace pds::test {
namespace {

using Row = std::vector<std::string>;
using ::testing::ElementsAre;

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

  clsProjectDataServer server_;
};

TEST_F(ConfigValuesTest, MissingKeyHandsBackTheDefaultEvenWhenItIsTheVariableItself) {
  std::string value = "stale";
  EXPECT_EQ(server_.GetConfigValue("Units", value, "Metric"), 0);
  EXPECT_EQ(value, "Metric");
  value = "stale";
  EXPECT_EQ(server_.GetConfigValue("Units", value), 0);
  EXPECT_EQ(value, "");
  value = "Imperial";
  EXPECT_EQ(server_.GetConfigValue("Units", value, value), 0);
  EXPECT_EQ(value, "Imperial");
}

TEST_F(ConfigValuesTest, ValueIsStoredUnderTheUpperCaseDesignationReadBackAndUpdatedInPlaceAndABlankKeyIsRefused) {
  EXPECT_EQ(server_.SetConfigValue("Units", "Imperial"), -1);
  EXPECT_THAT(ConfigRows(), ElementsAre(Row{"PMP10", "Units", "Imperial"}));
  std::string value;
  EXPECT_EQ(server_.GetConfigValue("Units", value, "Metric"), -1);
  EXPECT_EQ(value, "Imperial");
  EXPECT_EQ(server_.SetConfigValue("Units", "Metric"), -1);
  EXPECT_THAT(ConfigRows(), ElementsAre(Row{"PMP10", "Units", "Metric"}));
  // An empty value is stored as one blank and reads back empty.
  EXPECT_EQ(server_.SetConfigValue("Units", ""), -1);
  EXPECT_THAT(ConfigRows(), ElementsAre(Row{"PMP10", "Units", " "}));
  value = "stale";
  EXPECT_EQ(server_.GetConfigValue("Units", value, "Metric"), -1);
  EXPECT_EQ(value, "");
  // A blank key is neither written nor read.
  EXPECT_EQ(server_.SetConfigValue("  ", "x"), 0);
  EXPECT_EQ(ConfigRows().size(), 1u);
  EXPECT_EQ(server_.GetConfigValue("  ", value, "fallback"), 0);
  EXPECT_EQ(value, "fallback");
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
  EXPECT_EQ(server_.GetConfigValue("DefaultProjectFolder", value), 0);
}

TEST_F(ConfigValuesTest, KeyWithApostropheReachesOnlyItsOwnRow) {
  ASSERT_EQ(server_.SetConfigValue("Units", "Metric"), -1);
  const std::string hostile = "Units' OR sKey <> 'x";
  std::string value;
  EXPECT_EQ(server_.GetConfigValue(hostile, value), 0);
  EXPECT_EQ(value, "");

  EXPECT_EQ(server_.SetConfigValue(hostile, "Imperial"), -1);
  EXPECT_EQ(server_.SetConfigValue("Pump's curve", "steep"), -1);
  EXPECT_EQ(server_.GetConfigValue("Units", value), -1);
  EXPECT_EQ(value, "Metric");
  EXPECT_EQ(server_.GetConfigValue(hostile, value), -1);
  EXPECT_EQ(value, "Imperial");
  EXPECT_EQ(server_.GetConfigValue("Pump's curve", value), -1);
  EXPECT_EQ(value, "steep");
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
