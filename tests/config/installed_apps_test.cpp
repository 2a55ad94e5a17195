#include "pds/clsInstalledApps.h"

#include <gtest/gtest.h>

#include "config/config_database.h"
#include "config/process_state.h"
#include "pds/TextTable.h"
#include "pds/clsDLLInfo.h"
#include "tests/support/test_support.h"

namespace pds {
namespace {

// Installs a known installed-applications list for one test and puts the
// process-wide list back afterwards.
class InstalledAppsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = Shared().installed_apps;
    Shared().installed_apps = {
        {"QBM", "Quick Beam", "2.0", 6},
        {"PRV", "Pressure Vessel", "12.5", 2},
        {"HXC", "Heat Exchanger", "0.3", 0},
    };
  }
  void TearDown() override { Shared().installed_apps = saved_; }

  test::ScopedScriptedHost host_;
  std::vector<InstalledApp> saved_;
};

TEST_F(InstalledAppsTest, ThreeAppsFillRowsOneToThreeAndLeaveRowZeroEmpty) {
  clsInstalledApps apps;
  TextTable table;
  ASSERT_EQ(apps.GetInstalledApps(table), RETURN_OK);
  ASSERT_EQ(table.Rows(), 4u);
  ASSERT_EQ(table.Columns(), 4u);
  for (std::size_t c = 0; c < 4; ++c) EXPECT_EQ(table.Get(0, c), "") << "column " << c;
  const std::vector<std::vector<std::string>> expected = {
      {"6", "Quick Beam", "QBM", "2.0"},
      {"2", "Pressure Vessel", "PRV", "12.5"},
      {"0", "Heat Exchanger", "HXC", "0.3"},
  };
  for (std::size_t r = 1; r <= 3; ++r) {
    for (std::size_t c = 0; c < 4; ++c) EXPECT_EQ(table.Get(r, c), expected[r - 1][c]) << r << "," << c;
  }
  EXPECT_TRUE(host_->shown().empty());
}

TEST_F(InstalledAppsTest, SelectsTheFirstAndTheLastAppButNotADesignationDifferingInCase) {
  for (const std::string pdsg : {"QBM", "HXC"}) {
    clsInstalledApps apps;
    EXPECT_EQ(apps.SetSelectedApp(pdsg), RETURN_OK) << pdsg;
    EXPECT_TRUE(apps.Selected()) << pdsg;
  }
  clsInstalledApps apps;
  EXPECT_EQ(apps.SetSelectedApp("qbm"), RETURN_ERROR);
  EXPECT_FALSE(apps.Selected());
  EXPECT_EQ(apps.SetSelectedApp("PRV"), RETURN_OK);
  // An earlier selection stands even when a later name is not found.
  EXPECT_EQ(apps.SetSelectedApp("prv"), RETURN_OK);
  EXPECT_TRUE(apps.Selected());
}

TEST(TextTableTest, ResizeKeepsCellsInsideBothBoundsAndClearsNewOnes) {
  TextTable table(2, 3);
  table.Set(0, 0, "a");
  table.Set(1, 2, "b");
  table.Resize(3, 2);
  EXPECT_EQ(table.Get(0, 0), "a");
  EXPECT_EQ(table.Get(1, 2), "") << "column 2 is outside the new bounds";
  EXPECT_EQ(table.Get(2, 1), "");
  table.Resize(3, 3);
  EXPECT_EQ(table.Get(1, 2), "") << "a dropped cell does not come back";
  EXPECT_FALSE(table.Set(3, 0, "outside"));
  EXPECT_EQ(table.Get(3, 0), "");
}

class DllInfoTest : public ::testing::Test {
 protected:
  void TearDown() override { ResetRunningVersionForTesting(); }
};

TEST_F(DllInfoTest, FullVersionJoinsTheRunningNumbersUnpadded) {
  SetRunningVersionForTesting(2, 14, 3);
  clsDLLInfo info;
  EXPECT_EQ(info.FullVersion(), "2.14.3");
  EXPECT_EQ(info.MinorVersion(), 14);
}

}  // namespace
}  // namespace pds
