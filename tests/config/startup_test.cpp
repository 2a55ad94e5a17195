// The startup: the installation structure around the program folder, the
// command line, the user's name and its registration as a user ID, the
// template files, and the whole sequence on a built installation.
#include <sys/stat.h>
#include <unistd.h>

#include <initializer_list>

#include "config/startup_fields.h"
#include "pds/clsStartupManager.h"
#include "pds/db/jet_errors.h"
#include "platform/env.h"
#include "tests/support/installed_test.h"

namespace pds::test {
namespace {

// An installation is built only when a test asks for one.
class StartupTest : public InstalledTest {
 protected:
  void MakeFolders(std::initializer_list<const char*> relative) {
    for (const char* r : relative) std::filesystem::create_directories(temp_ / r);
  }
  // A complete installation with the pump designer as its only application.
  const install::Installation& Install(bool user_ids_required) {
    return InstalledTest::Install(user_ids_required, {"PMP10"});
  }
  StartupFields& fields() { return manager_.mutable_fields(); }

  clsStartupManager manager_;
  const std::string support_ = ContactSupportText();
};

class SetPathsTest : public StartupTest {
 protected:
  void SetUp() override {
    StartupTest::SetUp();
    ASSERT_TRUE(manager_.SetPdsg("PMP10"));
  }
  // The refusal's text, which the contact line always ends.
  void ExpectFailure(const std::string& text) { host_->ExpectMsgBox("SetPaths()", text + "\r\n\n" + support_, vbOK); }
};

class SetPathsCaseTest : public SetPathsTest,
                         public ::testing::WithParamInterface<std::tuple<const char*, const char*, const char*>> {};

TEST_P(SetPathsCaseTest, AcceptsFolderNamesInAnyCaseAndUsesTheirRealNames) {
  auto [tvx, pdsg, code] = GetParam();
  const std::string tvxii = temp_ / tvx;
  const std::string app = tvxii + "/" + pdsg + "/" + code;
  for (const std::string& f : {app, tvxii + "/enviro", tvxii + "/temp"}) std::filesystem::create_directories(f);
  ASSERT_TRUE(manager_.SetPaths(app));
  EXPECT_EQ(std::tie(fields().app_exe_path, fields().tvxii_path, fields().enviro_path, fields().temp_path),
            std::make_tuple(app, tvxii, tvxii + "/enviro", tvxii + "/temp"));
}

INSTANTIATE_TEST_SUITE_P(Names, SetPathsCaseTest,
                         ::testing::Values(std::make_tuple("TVX-ii", "PMP10", "Code"),
                                           std::make_tuple("tvx-ii", "pmp10", "code"),
                                           std::make_tuple("TVX-II", "Pmp10", "CODE")),
                         [](const auto& info) {
                           return CaseName(std::get<0>(info.param) + std::string(" ") + std::get<1>(info.param));
                         });

TEST_F(SetPathsTest, ProgramFolderNotNamedCodeIsReportedAsMissing) {
  MakeFolders({"TVX-ii/PMP10/Bin"});
  const std::string app = temp_ / "TVX-ii/PMP10/Bin";
  ExpectFailure("Invalid Application Path.  Path does not exist.  [" + app + "]");
  EXPECT_FALSE(manager_.SetPaths(app));
}

TEST_F(SetPathsTest, WrongDesignationOrInstallationFolderShowsTheExpectedStructure) {
  MakeFolders({"TVX-ii/LAY10/Code", "Orvane/PMP10/Code"});
  ExpectFailure("Invalid Application Path.  Application must exist in folder \r\n[../tvx-ii/pmp10/code]");
  EXPECT_FALSE(manager_.SetPaths(temp_ / "TVX-ii/LAY10/Code"));

  clsStartupManager other;
  ASSERT_TRUE(other.SetPdsg("PMP10"));
  ExpectFailure("Invalid Application Path.  Application path must consist of \r\n[../tvx-ii/pmp10/code]");
  EXPECT_FALSE(other.SetPaths(temp_ / "Orvane/PMP10/Code"));
}

TEST_F(SetPathsTest, MissingTempFolderIsNamedInLowerCase) {
  MakeFolders({"TVX-ii/PMP10/Code", "TVX-ii/Enviro"});
  ExpectFailure("A required project folder was not found.\r\n[" + LCase(temp_.path() + "/TVX-ii/Temp") + "]");
  EXPECT_FALSE(manager_.SetPaths(temp_ / "TVX-ii/PMP10/Code"));
}

// A folder this user may not enter or list is unreadable, not missing; a privileged test runs as an ordinary user.
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
  ExpectFailure(std::string(GetParam().text) + "\r\n[" + tvxii + "]");
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
                   "(permission denied)."}), ByName());

TEST_F(SetPathsTest, PathSwitchWinsOverTheProgramsOwnPath) {
  MakeFolders({"Program Files/TVX-ii/PMP10/Code", "Program Files/TVX-ii/Enviro", "Program Files/TVX-ii/Temp"});
  const std::string spaced = temp_ / "Program Files/TVX-ii/PMP10/Code";
  ASSERT_TRUE(manager_.ParseCommandLine("/P:[" + spaced + "] /B:HALVORN /U:jsmith"));
  EXPECT_TRUE(manager_.SetPaths(temp_ / "elsewhere/TVX-ii/PMP10/Code"));
  EXPECT_EQ(std::tie(fields().app_exe_path, fields().brand, fields().network_user_id),
            std::make_tuple(spaced, HALVORN, "jsmith"));
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

TEST_F(StartupTest, BrandSwitchSetsBrandLogoAndExportFlag) {
  ASSERT_TRUE(manager_.ParseCommandLine("/B:Torsk"));
  EXPECT_TRUE(manager_.SetBrandAndLogo("DORNEL"));
  EXPECT_EQ(std::tie(fields().brand, fields().logo_file), std::make_tuple(TORSK, "LOGO-T.BMP")) << "over the default";
  // The export brand is brand 0 with the export flag.
  clsStartupManager exported;
  ASSERT_TRUE(exported.ParseCommandLine("/B:export"));
  EXPECT_EQ(std::tie(exported.fields().brand, exported.fields().logo_file), std::make_tuple(0, "LOGO-V.WMF"));
  EXPECT_TRUE(Shared().export_flag);
  // An unknown brand fails the command line, takes no other switch and clears the export flag.
  clsStartupManager unknown;
  host_->ExpectMsgBox("SetBrandAndLogo()",
                      "The Brand specified on the command line is not a valid brand.  \r\n"
                      "Please check the property settings for this application.",
                      vbOK);
  EXPECT_FALSE(unknown.ParseCommandLine("/B:xyz /U:never"));
  EXPECT_FALSE(Shared().export_flag);
  EXPECT_EQ(unknown.fields().network_user_id, "");
}

std::string NotRegistered(const std::string& name) {
  return "The user ID  [" + name + "]  is not registered with Mersa / TVX-II software.\r\n\n"
         "Would you like to register this user ID now?";
}

// Fakes the drive type of every path and the login name.
class FakeUserEnv : public platform::EnvWrapper {
 public:
  FakeUserEnv() : EnvWrapper(platform::PosixEnv()) {}
  platform::DriveType GetDriveType(const std::string&) override { return drive; }
  platform::Status LoginName(std::string* name) override {
    ++login_calls;
    *name = login;
    return platform::Status::Error(login_error);
  }
  platform::Status SetCurrentFolder(const std::string&) override { return platform::Status::Ok(); }

  platform::DriveType drive = platform::kDriveFixed;
  std::string login = "jsmith";
  int login_error = 0;
  int login_calls = 0;
};

class UserIdentityTest : public StartupTest {
 protected:
  void SetUp() override {
    Install(/*user_ids_required=*/true);
    fields().tvxii_path = inst_.tvxii;
    fields().app_exe_path = inst_.CodePath("PMP10");
    fields().user_id_required = true;
  }
  // Registers a user directly, with the registration number given.
  void Register(long index, const std::string& name, const std::string& id) {
    Execute(inst_.config_db, {"INSERT INTO UserRegistration (lIndex, sNetworkUserID, sTVXUserID) VALUES (" +
                              std::to_string(index) + ", '" + name + "', '" + id + "')"});
  }
  // The stored ID of a user, or "(none)".
  std::string StoredId(const std::string& name) {
    const auto rows =
        Rows(inst_.config_db, "SELECT sTVXUserID FROM UserRegistration WHERE sNetworkUserID = '" + name + "'");
    return rows.empty() ? "(none)" : rows[0][0];
  }

  FakeUserEnv env_;
  platform::ScopedEnv scoped_env_{&env_};
};

TEST_F(StartupTest, NotRequiredGivesTheSharedIdWithoutAsking) {
  // No configuration database at all: nothing may be opened or asked.
  EXPECT_EQ(manager_.SetTVXUserID(), RETURN_OK);
  EXPECT_EQ(manager_.TVXUserId(), "000");
  EXPECT_TRUE(host_->shown().empty());
}

TEST_F(UserIdentityTest, FirstTimeUserIsRegisteredWithTheHexadecimalNumber) {
  Register(25, "bob", "019");
  host_->ExpectInputBox(kInputTitle, "  alice ");
  host_->ExpectMsgBox(kRegisterTitle, NotRegistered("alice"), vbYes);
  ASSERT_EQ(manager_.SetTVXUserID(), RETURN_OK);
  EXPECT_EQ(manager_.TVXUserId(), "01A");
  EXPECT_EQ(manager_.NetworkUserID(), "alice");
  EXPECT_EQ(StoredId("alice"), "01A");
  EXPECT_EQ(host_->shown().at(1).style, vbYesNo | vbQuestion | vbDefaultButton2);
}

TEST_F(UserIdentityTest, FullTableRefusesTheUserAndSavesNoRow) {
  Register(4094, "bob", "FFE");
  host_->ExpectInputBox(kInputTitle, "alice");
  host_->ExpectMsgBox(kRegisterTitle, NotRegistered("alice"), vbYes);
  host_->ExpectMsgBox("SetTVXUserID()",
                      "User Registration table is full.  No additional users can be added at this time.\r\n\n" +
                          support_,
                      vbOK);
  EXPECT_EQ(manager_.SetTVXUserID(), RETURN_ERROR);
  EXPECT_EQ(StoredId("alice"), "(none)");
}

TEST_F(UserIdentityTest, DecliningRegistrationAsksAgainAndAKnownUserKeepsTheStoredId) {
  Register(5, "bob", "0B7");
  host_->ExpectInputBox(kInputTitle, "bobby");
  host_->ExpectMsgBox(kRegisterTitle, NotRegistered("bobby"), vbNo);
  host_->ExpectInputBox(kInputTitle, "BOB");  // names compare without regard to case
  ASSERT_EQ(manager_.SetTVXUserID(), RETURN_OK);
  EXPECT_EQ(manager_.TVXUserId(), "0B7");
  EXPECT_EQ(StoredId("bobby"), "(none)");
}

TEST_F(UserIdentityTest, BlankStoredIdIsAnError) {
  Register(3, "bob", " ");
  host_->ExpectInputBox(kInputTitle, "bob");
  host_->ExpectMsgBox("SetTVXUserID()",
                      "ERROR:  [bob]  was not properly registered as an TVX network user.\r\n\n" + support_, vbOK);
  EXPECT_EQ(manager_.SetTVXUserID(), RETURN_ERROR);
}

TEST_F(UserIdentityTest, GivingUpOnAnEmptyAnswerCancels) {
  host_->ExpectInputBox(kInputTitle, "   ");
  host_->ExpectMsgBox(kRegisterTitle, kMustEnter, vbYes);
  host_->ExpectInputBoxCancel(kInputTitle);
  host_->ExpectMsgBox(kRegisterTitle, kMustEnter, vbNo);
  std::string name;
  EXPECT_EQ(manager_.SetTVXUserID(name), RETURN_USER_CANCEL);
  EXPECT_EQ(name, "");
}

TEST_F(UserIdentityTest, UserSwitchSkipsTheLoginNameButIsStillConfirmed) {
  Register(5, "dave", "005");
  ASSERT_TRUE(manager_.ParseCommandLine("/U:dave"));
  host_->ExpectInputBox(kInputTitle, "dave");
  ASSERT_EQ(manager_.SetTVXUserID(), RETURN_OK);
  EXPECT_EQ(env_.login_calls, 0);
  EXPECT_EQ(manager_.TVXUserId(), "005");
}

TEST_F(UserIdentityTest, ReadingTheIdNeverRegisters) {
  std::string id, name = "stranger";
  ASSERT_EQ(manager_.GetTVXUserID(id, name), RETURN_OK);
  EXPECT_EQ(id, "000");
  EXPECT_EQ(StoredId("stranger"), "(none)");
}

TEST_F(UserIdentityTest, RemovableDriveOrNoLoginFailsTheNetworkName) {
  env_.drive = platform::kDriveRemovable;
  host_->ExpectMsgBox("GetNetworkUserID()",
                      "Could not get network user ID because the drive type for the specified path is invalid."
                      "\r\n[" + inst_.CodePath("PMP10") + "]\r\n\r\n\n" + support_,
                      vbOK);
  std::string name;
  EXPECT_FALSE(manager_.GetNetworkUserID(name)) << "removable drive";
  EXPECT_EQ(env_.login_calls, 0);

  env_.drive = platform::kDriveFixed;
  env_.login_error = 1245;
  host_->ExpectMsgBox("GetNetworkUserID()", "You are not logged onto the network.\r\n\n" + support_ + "\r\n\n" +
                                                GetSystemErrorText(1245),
                      vbOK);
  EXPECT_FALSE(manager_.GetNetworkUserID(name)) << "not logged on";
}

class OtherFilesTest : public StartupTest {
 protected:
  void SetUp() override {
    StartupTest::SetUp();
    MakeFolders({"TVX-ii/Enviro"});
    fields().tvxii_path = temp_ / "TVX-ii";
    fields().enviro_path = temp_ / "TVX-ii/Enviro";
    fields().tvx_user_id = "01A";
    temp_.Write("TVX-ii/LOGO-V.WMF", "logo");
    temp_.Write("TVX-ii/Enviro/Project.ro", "");
    temp_.Write("TVX-ii/Enviro/Prjxy.ro", "template");
  }
  std::string Enviro(const std::string& name) const { return temp_ / ("TVX-ii/Enviro/" + name); }
};

TEST_F(OtherFilesTest, MissingDefaultComesFromTheTemplateAndTheUserDatabaseFromTheDefault) {
  ASSERT_TRUE(manager_.SetBrandAndLogo(""));
  std::filesystem::permissions(Enviro("Prjxy.ro"), std::filesystem::perms::owner_read);
  ASSERT_TRUE(manager_.OtherFilesInPlace());
  EXPECT_EQ(temp_.Read("TVX-ii/Enviro/Prjxy.def"), "template");
  EXPECT_EQ(temp_.Read("TVX-ii/Enviro/Prjxy01A.mdb"), "template");
  // The template is installed read-only; the user's copy must be writable.
  struct stat st {};
  ASSERT_EQ(stat(Enviro("Prjxy01A.mdb").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IWUSR, 0u);

  std::filesystem::remove(Enviro("Prjxy01A.mdb"));
  temp_.Write("TVX-ii/Enviro/Prjxy.def", "site default");
  ASSERT_TRUE(manager_.OtherFilesInPlace());
  EXPECT_EQ(temp_.Read("TVX-ii/Enviro/Prjxy01A.mdb"), "site default");
}

TEST_F(OtherFilesTest, MissingProjectTemplateStopsStartup) {
  ASSERT_TRUE(manager_.SetBrandAndLogo(""));
  std::filesystem::remove(Enviro("Project.ro"));
  host_->ExpectMsgBox("OtherFilesInPlace()", "File not found.\r\n[" + Enviro("Project.ro") + "]\r\n" + support_,
                      vbOK);
  EXPECT_FALSE(manager_.OtherFilesInPlace());
}

TEST_F(OtherFilesTest, UnknownBrandHasNoLogoAndOnlyWarns) {
  fields().brand = 7;
  ASSERT_TRUE(manager_.SetBrandAndLogo(""));
  EXPECT_EQ(fields().logo_file, "");
  host_->ExpectMsgBox("OtherFilesInPlace()",
                      "Manufacturer logo file was not found.\r\n" + temp_ / "TVX-ii/" + "\r\n\n" + support_, vbOK);
  EXPECT_TRUE(manager_.OtherFilesInPlace());
  EXPECT_EQ(host_->shown().at(0).style, vbInformation);
}

class StartupSequenceTest : public StartupTest {};

TEST_F(StartupSequenceTest, FreshInstallationStartsWithTheSharedUserId) {
  install::Installation inst = Install(/*user_ids_required=*/false);
  ASSERT_EQ(manager_.RunStartupSequence("pmp10", inst.CodePath("PMP10"), "/B:dornel"), RETURN_OK);
  const StartupFields& f = manager_.fields();
  EXPECT_EQ(std::tie(f.tvx_user_id, f.brand, f.app_name), std::make_tuple("000", DORNEL, "Pump Designer"));
  EXPECT_TRUE(std::filesystem::exists(f.enviro_path + "/Prjxy000.mdb"));
}

// A folder where the projects database belongs can be neither copied over nor opened: startup names it.
TEST_F(StartupSequenceTest, FolderInPlaceOfTheProjectsDatabaseIsNamed) {
  install::Installation inst = Install(/*user_ids_required=*/false);
  const std::string projects_db = inst.enviro + "/Prjxy000.mdb";
  std::filesystem::create_directory(projects_db);
  host_->ExpectMsgBox("CheckProjectsDatabase()", db::FolderNotDatabaseText(projects_db));
  EXPECT_EQ(manager_.RunStartupSequence("PMP10", inst.CodePath("PMP10"), ""), RETURN_ERROR);
  EXPECT_TRUE(std::filesystem::is_directory(projects_db));
}

}  // namespace
}  // namespace pds::test
