// The installation structure the program folder must sit in, and the command
// line that can name another program folder, a brand and a user.
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/case_names.h"
#include "tests/config/startup_fixture.h"

namespace pds::test {
namespace {

class SetPathsTest : public StartupTest {
 protected:
  void SetUp() override {
    StartupTest::SetUp();
    ASSERT_TRUE(manager_.SetPdsg("PMP10"));
  }
  void ExpectFailure(const std::string& text) { host_->ExpectMsgBox("SetPaths()", text, vbOK); }
};

class SetPathsCaseTest : public SetPathsTest,
                         public ::testing::WithParamInterface<std::tuple<const char*, const char*, const char*>> {};

TEST_P(SetPathsCaseTest, AcceptsFolderNamesInAnyCaseAndUsesTheirRealNames) {
  auto [tvx, pdsg, code] = GetParam();
  const std::string tvxii = temp_ / tvx;
  const std::string app = tvxii + "/" + pdsg + "/" + code;
  std::filesystem::create_directories(app);
  std::filesystem::create_directories(tvxii + "/enviro");
  std::filesystem::create_directories(tvxii + "/temp");
  ASSERT_TRUE(manager_.SetPaths(app));
  EXPECT_EQ(fields().app_exe_path, app);
  EXPECT_EQ(fields().tvxii_path, tvxii);
  EXPECT_EQ(fields().enviro_path, tvxii + "/enviro");
  EXPECT_EQ(fields().temp_path, tvxii + "/temp");
}

INSTANTIATE_TEST_SUITE_P(Names, SetPathsCaseTest,
                         ::testing::Values(std::make_tuple("TVX-ii", "PMP10", "Code"),
                                           std::make_tuple("tvx-ii", "pmp10", "code"),
                                           std::make_tuple("TVX-II", "Pmp10", "CODE")),
                         [](const auto& info) { return CaseName(std::get<0>(info.param) + std::string(" ") + std::get<1>(info.param)); });

TEST_F(SetPathsTest, ProgramFolderNotNamedCodeIsReportedAsMissing) {
  MakeFolders({"TVX-ii/PMP10/Bin"});
  const std::string app = temp_ / "TVX-ii/PMP10/Bin";
  ExpectFailure("Invalid Application Path.  Path does not exist.  [" + app + "]\r\n\n" + support_);
  EXPECT_FALSE(manager_.SetPaths(app));
}

TEST_F(SetPathsTest, WrongDesignationOrInstallationFolderShowsTheExpectedStructure) {
  MakeFolders({"TVX-ii/LAY10/Code", "Orvane/PMP10/Code"});
  ExpectFailure("Invalid Application Path.  Application must exist in folder \r\n[../tvx-ii/pmp10/code]\r\n\n" +
                support_);
  EXPECT_FALSE(manager_.SetPaths(temp_ / "TVX-ii/LAY10/Code"));

  clsStartupManager other;
  ASSERT_TRUE(other.SetPdsg("PMP10"));
  ExpectFailure("Invalid Application Path.  Application path must consist of \r\n[../tvx-ii/pmp10/code]\r\n\n" +
                support_);
  EXPECT_FALSE(other.SetPaths(temp_ / "Orvane/PMP10/Code"));
}

TEST_F(SetPathsTest, MissingTempFolderIsNamedInLowerCase) {
  MakeFolders({"TVX-ii/PMP10/Code", "TVX-ii/Enviro"});
  ExpectFailure("A required project folder was not found.\r\n[" + LCase(temp_.path() + "/TVX-ii/Temp") +
                "]\r\n\n" + support_);
  EXPECT_FALSE(manager_.SetPaths(temp_ / "TVX-ii/PMP10/Code"));
}

// An installation folder this user may not enter, or may enter but not list,
// is named under its real path as unreadable, never as missing. A privileged
// test takes an ordinary user's rights, which the mode bits do stop.
struct DeniedCase {
  const char* name;
  mode_t mode;
  const char* text;  // before the bracketed installation folder
};

class SetPathsDeniedTest : public SetPathsTest, public ::testing::WithParamInterface<DeniedCase> {};

TEST_P(SetPathsDeniedTest, NamesTheUnreadableFolder) {
  MakeFolders({"TVX-ii/PMP10/Code", "TVX-ii/Enviro", "TVX-ii/Temp"});
  const std::string tvxii = temp_ / "TVX-ii";
  chmod(temp_.path().c_str(), 0755);
  chmod(tvxii.c_str(), GetParam().mode);
  ExpectFailure(std::string(GetParam().text) + "\r\n[" + tvxii + "]\r\n\n" + support_);
  const bool privileged = geteuid() == 0;
  ASSERT_TRUE(!privileged || seteuid(65534) == 0);
  const bool set = manager_.SetPaths(temp_ / "TVX-ii/PMP10/Code");
  ASSERT_TRUE(!privileged || seteuid(0) == 0);
  chmod(tvxii.c_str(), 0755);
  EXPECT_FALSE(set);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SetPathsDeniedTest,
    ::testing::Values(
        DeniedCase{"NoAccess", 0000,
                   "Invalid Application Path.  The following folder cannot be read (permission denied):"},
        DeniedCase{"SearchOnly", 0711,
                   "A required project folder cannot be found because the installation folder cannot be read "
                   "(permission denied)."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SetPathsTest, PathSwitchWinsOverTheProgramsOwnPath) {
  MakeFolders({"Program Files/TVX-ii/PMP10/Code", "Program Files/TVX-ii/Enviro", "Program Files/TVX-ii/Temp"});
  const std::string spaced = temp_ / "Program Files/TVX-ii/PMP10/Code";
  ASSERT_TRUE(manager_.ParseCommandLine("/P:[" + spaced + "] /B:HALVORN /U:jsmith"));
  EXPECT_TRUE(manager_.SetPaths(temp_ / "elsewhere/TVX-ii/PMP10/Code"));
  EXPECT_EQ(fields().app_exe_path, spaced);
  EXPECT_EQ(fields().brand, HALVORN);
  EXPECT_EQ(fields().network_user_id, "jsmith");
}

// ---- the command-line scanner

struct ScanCase {
  const char* command_line;
  const char* user;  // the network user the line leaves behind
  int brand;
};

class CommandLineScanTest : public StartupTest, public ::testing::WithParamInterface<ScanCase> {};

TEST_P(CommandLineScanTest, TakesTheValuesOfTheSwitches) {
  ASSERT_TRUE(manager_.ParseCommandLine(GetParam().command_line));
  EXPECT_EQ(fields().network_user_id, GetParam().user);
  EXPECT_EQ(fields().brand, GetParam().brand);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLineScanTest,
    ::testing::Values(ScanCase{"/u=jsmith /b-torsk", "jsmith", TORSK},         // any separator, any case
                      ScanCase{"/U: /B:dornel", "", DORNEL},                    // an empty value is ignored
                      ScanCase{"/U:[John Smith]/B:[halvorn]", "John Smith", HALVORN},
                      ScanCase{"/U:[John Smith /B:xyz", "John Smith /B:xyz", VELTRAX},  // unbalanced
                      ScanCase{"/U:[[x]", "x", VELTRAX}, ScanCase{"junk /X:y /U:k", "k", VELTRAX},
                      ScanCase{"/", "", VELTRAX}, ScanCase{"//U:", "", VELTRAX}, ScanCase{"/U:[", "", VELTRAX}),
    [](const auto& info) { return SpelledName(info.param.command_line); });

TEST_F(StartupTest, ExportBrandIsBrandZeroWithTheExportFlag) {
  ASSERT_TRUE(manager_.ParseCommandLine("/B:export"));
  EXPECT_EQ(fields().brand, 0);
  EXPECT_EQ(fields().logo_file, "LOGO-V.WMF");
  EXPECT_TRUE(Shared().export_flag);
}

TEST_F(StartupTest, UnknownBrandFailsTheCommandLineAndClearsTheExportFlag) {
  Shared().export_flag = true;
  host_->ExpectMsgBox("SetBrandAndLogo()",
                      "The Brand specified on the command line is not a valid brand.  \r\n"
                      "Please check the property settings for this application.",
                      vbOK);
  EXPECT_FALSE(manager_.ParseCommandLine("/B:xyz /U:never"));
  EXPECT_FALSE(Shared().export_flag);
  EXPECT_EQ(fields().network_user_id, "");
}

TEST_F(StartupTest, BrandSwitchWinsOverTheLaterDefaultStep) {
  ASSERT_TRUE(manager_.ParseCommandLine("/B:Torsk"));
  EXPECT_TRUE(manager_.SetBrandAndLogo("DORNEL"));
  EXPECT_EQ(fields().brand, TORSK);
  EXPECT_EQ(fields().logo_file, "LOGO-T.BMP");
}

}  // namespace
}  // namespace pds::test
