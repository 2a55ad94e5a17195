// The configuration database as the startup reads it (versions, the
// application's identity, its data and program file lists), and the
// installed applications, their table and the component's own version.
#include <tuple>

#include "config/config_database.h"
#include "config/sample_apps.h"
#include "pds/TextTable.h"
#include "pds/Types.h"
#include "pds/UiHost.h"
#include "pds/clsDLLInfo.h"
#include "pds/clsInstalledApps.h"
#include "pds/db/jet_errors.h"
#include "tests/support/installed_test.h"

namespace pds {
namespace {

const std::string kSupport = "Please contact Norrick for assistance.";

// The startup fields of an application started from a fresh installation; the running version put back after.
class ConfigDatabaseTest : public test::InstalledTest {
 protected:
  void SetUp() override {
    Install();
    StartAs("LAY10");
  }
  ~ConfigDatabaseTest() override { ResetRunningVersionForTesting(); }

  void StartAs(const std::string& pdsg) {
    f_ = StartupFields{};
    f_.pdsg = pdsg;
    f_.tvxii_path = inst_.tvxii;
    f_.enviro_path = inst_.enviro;
    f_.temp_path = inst_.temp;
    f_.app_exe_path = inst_.CodePath(pdsg);
    f_.brand_run = f_.brand_set = true;  // the brand step runs before the configuration is read
  }
  void ExecuteOnConfig(const std::vector<std::string>& statements) { test::Execute(inst_.config_db, statements); }
  static void SetRequiredVersion(const std::string& path, long major, long minor, long revision) {
    test::Execute(path, {"DELETE * FROM Version",
                         "INSERT INTO Version (lMinDLLMajorVersion, lMinDLLMinorVersion, lMinDLLRevision) VALUES (" +
                             std::to_string(major) + ", " + std::to_string(minor) + ", " + std::to_string(revision) +
                             ")"});
  }
  DbHandle OpenConfig() {
    DbHandle db;
    EXPECT_TRUE(OpenDb(db, inst_.config_db, true, true));
    return db;
  }

  StartupFields f_;
};

// ---- the version check

struct VersionCase {
  long major, minor, revision;
  bool accepted;
};

class DatabaseVersionTest : public ConfigDatabaseTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(DatabaseVersionTest, ComparesNumbersFieldByField) {
  const VersionCase c = GetParam();
  SetRequiredVersion(inst_.config_db, 2, 15, 0);
  SetRunningVersionForTesting(c.major, c.minor, c.revision);
  if (!c.accepted) {
    const std::string running =
        std::to_string(c.major) + "." + std::to_string(c.minor) + "." + std::to_string(c.revision);
    host_->ExpectMsgBox("Incompatible .DLL Version",
                        "Database file 'TVXxycfg.mdb' is incompatible with the Orvane DLL.\r\n\n"
                        "Required .DLL version (or greater):  [2.15.0]\r"
                        "Currently running .DLL version:  [" + running + "]");
  }
  DbHandle db = OpenConfig();
  EXPECT_EQ(CheckDatabaseVersion(db), c.accepted);
  if (!c.accepted) {
    ASSERT_EQ(host_->shown().size(), 1u);
    EXPECT_EQ(host_->shown()[0].style, vbCritical);
  }
  CloseDatabase(db);
}

INSTANTIATE_TEST_SUITE_P(Versions, DatabaseVersionTest,
                         ::testing::Values(VersionCase{2, 15, 0, true}, VersionCase{2, 16, 0, true},
                                           VersionCase{10, 0, 0, true},  // "10" sorts before "2" as plain text
                                           VersionCase{2, 14, 9, false},
                                           VersionCase{2, 9, 0, false}),  // "9" sorts after "15" as plain text
                         [](const auto& info) {
                           const VersionCase& v = info.param;
                           return test::SpelledName(std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.revision));
                         });

TEST_F(ConfigDatabaseTest, EmptyVersionTableStopsTheReadWithZeroVersion) {
  ExecuteOnConfig({"DELETE * FROM Version"});
  host_->ExpectMsgBox("Incompatible .DLL Version",
                      "Database file 'TVXxycfg.mdb' is missing version information for the Orvane DLL.  " + kSupport +
                          "\r\n\nVersion:  [0.0.0]");
  EXPECT_FALSE(GetTVXConfigData(f_));
}

TEST_F(ConfigDatabaseTest, LastVersionRowIsTheOneThatCounts) {
  SetRunningVersionForTesting(2, 16, 0);
  ExecuteOnConfig({"INSERT INTO Version (lMinDLLMajorVersion, lMinDLLMinorVersion, lMinDLLRevision) "
                   "VALUES (9, 0, 0)"});
  host_->ExpectMsgBoxContaining("Incompatible .DLL Version", "Required .DLL version (or greater):  [9.0.0]");
  DbHandle db = OpenConfig();
  EXPECT_FALSE(CheckDatabaseVersion(db));
  CloseDatabase(db);
}

// ---- the whole read

// The fields of a specification in order, so two lists compare as a whole.
using SpecFields = std::tuple<std::string, bool, bool, bool, bool, std::int16_t, std::string>;
std::vector<SpecFields> Fields(const std::vector<DataFileSpec>& specs) {
  std::vector<SpecFields> out;
  for (const auto& s : specs) {
    out.emplace_back(s.FileName, s.RequiredFlag, s.VerifyFlag, s.ArchiveFlag, s.EraseFlag, s.CreateMethod,
                     s.SourceFileName);
  }
  return out;
}

TEST_F(ConfigDatabaseTest, ProjectAppGetsItsIdentityAndBothSpecificationLists) {
  ASSERT_TRUE(GetTVXConfigData(f_));
  EXPECT_EQ(f_.app_name, "Layout Planner");
  EXPECT_EQ(f_.app_version, "1.0");
  EXPECT_EQ(f_.app_data_style, PROJECT_SUPPORT);
  EXPECT_EQ(Shared().installed_apps.size(), install::SampleApps().size());
  EXPECT_EQ(Fields(Shared().shared_data_specs), Fields(install::SharedDataFiles()));
  EXPECT_EQ(Fields(Shared().app_data_specs), Fields(install::FindSampleApp("LAY10")->data_files));

  // A designation listed in lower case is found; the version is shown with one decimal.
  ExecuteOnConfig({"UPDATE Installed SET sPdsg = 'lay10', fVersion = 12.25 WHERE sPdsg = 'LAY10'"});
  ASSERT_TRUE(GetTVXConfigData(f_));
  EXPECT_EQ(f_.app_name, "Layout Planner");
  EXPECT_EQ(f_.app_version, "12.3");
}

TEST_F(ConfigDatabaseTest, AppWithoutProjectSupportLoadsNoSpecifications) {
  StartAs("CAL10");
  Shared().shared_data_specs.assign(2, DataFileSpec{});
  Shared().app_data_specs.assign(1, DataFileSpec{});
  // Its program file is missing, which only the skipped check would notice.
  fs::remove(inst_.CodePath("CAL10") + "/CAL10Units.dat");
  ASSERT_TRUE(GetTVXConfigData(f_));
  EXPECT_EQ(f_.app_data_style, NO_DATA);
  EXPECT_TRUE(Shared().shared_data_specs.empty());
  EXPECT_TRUE(Shared().app_data_specs.empty());
}

TEST_F(ConfigDatabaseTest, MissingProgramFileIsNamed) {
  const std::string path = inst_.CodePath("LAY10") + "/LAY10Sym.ro";
  fs::remove(path);
  host_->ExpectMsgBox("LoadProgSpecificationTable()",
                      "A required application file was not found.\r[" + path + "]\r\n" + kSupport);
  EXPECT_FALSE(GetTVXConfigData(f_));
}

struct BadSpecCase {
  int method;
  std::string source;
  bool accepted;
};

class DataSpecificationRowTest : public ConfigDatabaseTest, public ::testing::WithParamInterface<BadSpecCase> {};

TEST_P(DataSpecificationRowTest, CreateMethodAndSourceAreChecked) {
  const BadSpecCase c = GetParam();
  ExecuteOnConfig({"INSERT INTO DataSpecification (sPdsg, sFileName, bRequiredFlag, bVerifyFlag, bArchiveFlag, "
                   "bEraseFlag, nCreateMethod, sSourceFileName) VALUES ('LAY10', 'Extra.dat', True, False, True, "
                   "False, " + std::to_string(c.method) + ", '" + c.source + "')"});
  const std::size_t good_rows = install::FindSampleApp("LAY10")->data_files.size();
  if (!c.accepted) {
    host_->ExpectMsgBox("LoadDataSpecificationTable()",
                        "Data missing from DataSpecification table.  Please reinstall application software.");
  }
  EXPECT_EQ(GetTVXConfigData(f_), c.accepted);
  // The rows before the bad one stay loaded.
  EXPECT_EQ(Shared().app_data_specs.size(), good_rows + (c.accepted ? 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(Rows, DataSpecificationRowTest,
                         ::testing::Values(BadSpecCase{3, "Extra.ro", false}, BadSpecCase{-1, "Extra.ro", false},
                                           BadSpecCase{1, "", false}, BadSpecCase{2, "   ", false},
                                           BadSpecCase{0, "", true}),
                         [](const auto& info) {
                           return test::SpelledName("Method" + std::to_string(info.param.method) + " " + info.param.source);
                         });

TEST_F(ConfigDatabaseTest, BlankContactTypeLeavesTheLastSlotEmpty) {
  ExecuteOnConfig({"DELETE * FROM ContactTypes", "INSERT INTO ContactTypes (sContactTypeName) VALUES ('Owner')",
                   "INSERT INTO ContactTypes (sContactTypeName) VALUES ('')",
                   "INSERT INTO ContactTypes (sContactTypeName) VALUES ('Vendor')"});
  ASSERT_TRUE(GetTVXConfigData(f_));
  EXPECT_EQ(Shared().contact_types, (std::vector<std::string>{"Owner", "Vendor", ""}));
}

// ---- Config and Installed contents

TEST_F(ConfigDatabaseTest, InstallationBrandAppliesOnlyBeforeAnyBrandStepAndNullFieldsAskForReinstall) {
  ExecuteOnConfig({"UPDATE Config SET nBrand = 2"});
  f_.brand_run = false;  // set alone still means the brand step has run
  ASSERT_TRUE(GetTVXConfigData(f_));
  EXPECT_EQ(f_.brand, 0);
  f_.brand_set = false;
  ASSERT_TRUE(GetTVXConfigData(f_));
  EXPECT_EQ(f_.brand, 2);

  // Null fields ask for a reinstall.
  f_.brand_run = f_.brand_set = true;
  ExecuteOnConfig({"UPDATE Config SET nBrand = NULL, bUserIdRequired = NULL"});
  host_->ExpectMsgBox("LoadConfigTable()",
                      "Error:  Database field [bUserIdRequired] has not been set.  Please reinstall Orvane Program.");
  EXPECT_FALSE(GetTVXConfigData(f_)) << "a null brand is ignored after the brand step";
  f_.brand_run = f_.brand_set = false;
  host_->ExpectMsgBox("LoadConfigTable()",
                      "Error:  Database field [nBrand] has not been set.  Please reinstall Orvane Program.");
  EXPECT_FALSE(GetTVXConfigData(f_));
}

TEST_F(ConfigDatabaseTest, AppNotInTheInstalledTableIsRefused) {
  StartAs("ABC10");
  host_->ExpectMsgBox("LoadInstalledTable()",
                      "This application (ABC10) is not registered with Orvane Program.\r\n\n" + kSupport);
  EXPECT_FALSE(GetTVXConfigData(f_));
  EXPECT_EQ(Shared().installed_apps.size(), install::SampleApps().size());

  StartAs("LAY10");
  ExecuteOnConfig({"DELETE * FROM Installed"});
  host_->ExpectMsgBox("LoadInstalledTable()",
                      "ERROR:  There are no applications registered with Orvane Program.\r\n\n" + kSupport);
  EXPECT_FALSE(GetTVXConfigData(f_)) << "an empty table";
}

// ---- broken installations

// Missing, not a database, or a folder: each is named, in the user's terms.
TEST_F(ConfigDatabaseTest, ConfigurationDatabaseThatCannotBeOpenedIsNamed) {
  fs::remove(inst_.config_db);
  host_->ExpectMsgBox("GetTVXConfigData()", "Configuration database file was not found.\r[" + inst_.config_db +
                                                "]\r\n\n" + kSupport);
  EXPECT_FALSE(GetTVXConfigData(f_)) << "missing";

  temp_.Write(fs::relative(inst_.config_db, temp_.path()).string(), "this is not a database file at all\n");
  host_->ExpectMsgBoxContaining("GetTVXConfigData()", "Unrecognized database format");
  EXPECT_FALSE(GetTVXConfigData(f_)) << "not a database";
  EXPECT_EQ(Err().number, 0) << "the report clears what it showed";

  fs::remove(inst_.config_db);
  fs::create_directory(inst_.config_db);
  host_->ExpectMsgBox("GetTVXConfigData()", db::FolderNotDatabaseText(inst_.config_db));
  EXPECT_FALSE(GetTVXConfigData(f_)) << "a folder";
}

TEST_F(ConfigDatabaseTest, MissingTableIsReportedByTheLoaderThatNeedsIt) {
  ExecuteOnConfig({"DROP TABLE Installed"});
  host_->ExpectMsgBoxContaining("LoadInstalledTable()", "'Installed'");
  EXPECT_FALSE(GetTVXConfigData(f_));
  EXPECT_TRUE(Shared().installed_apps.empty());
}

// ---- the user's projects database

TEST_F(ConfigDatabaseTest, ProjectsDatabaseIsCheckedByItsOwnName) {
  f_.tvx_user_id = "007";
  const std::string path = inst_.enviro + "/Prjxy007.mdb";
  fs::copy_file(inst_.enviro + "/Prjxy.ro", path);
  // The template is shipped read-only; a user's copy is made writable.
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_TRUE(CheckProjectsDatabase(f_));
  SetRequiredVersion(path, 99, 0, 1);
  host_->ExpectMsgBoxContaining("Incompatible .DLL Version", "Database file 'Prjxy007.mdb' is incompatible");
  EXPECT_FALSE(CheckProjectsDatabase(f_));

  // Another user's database is missing: the engine's error names it.
  f_.tvx_user_id = "008";
  host_->ExpectMsgBoxContaining("CheckProjectsDatabase()", "Prjxy008.mdb");
  EXPECT_FALSE(CheckProjectsDatabase(f_));
}

// ---- the version number format

struct FormatCase {
  double value;
  const char* text;
};

class VersionFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(VersionFormatTest, OneDecimalRoundedHalfAwayFromZero) {
  EXPECT_EQ(FormatVersionNumber(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Numbers, VersionFormatTest,
                         ::testing::Values(FormatCase{2, "2.0"}, FormatCase{12.5, "12.5"}, FormatCase{0.25, "0.3"},
                                           FormatCase{0.15, "0.2"},  // stored as 0.1499999...
                                           FormatCase{1234.56, "1234.6"}, FormatCase{-1.25, "-1.3"},
                                           FormatCase{-0.04, "0.0"}, FormatCase{0, "0.0"}),
                         [](const auto& info) { return test::SpelledName(std::to_string(info.param.value)); });

// A known installed-applications list for one test; the process-wide list put back afterwards.
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
  ASSERT_EQ(table.Columns(), 4u);
  std::vector<std::vector<std::string>> cells(table.Rows());
  for (std::size_t r = 0; r < table.Rows(); ++r) {
    for (std::size_t c = 0; c < 4; ++c) cells[r].push_back(table.Get(r, c));
  }
  EXPECT_EQ(cells, (std::vector<std::vector<std::string>>{{"", "", "", ""},
                                                          {"6", "Quick Beam", "QBM", "2.0"},
                                                          {"2", "Pressure Vessel", "PRV", "12.5"},
                                                          {"0", "Heat Exchanger", "HXC", "0.3"}}));
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
