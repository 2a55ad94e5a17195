// The user's network name, its confirmation, and the registration that maps
// it to a user ID in the configuration database.
#include "platform/env.h"
#include "tests/config/startup_fixture.h"

namespace pds::test {
namespace {


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
    auto db = db::DBEngine().OpenDatabase(inst_.config_db);
    db->Execute("INSERT INTO UserRegistration (lIndex, sNetworkUserID, sTVXUserID) VALUES (" +
                    std::to_string(index) + ", '" + name + "', '" + id + "')",
                db::dbFailOnError);
    db->Close();
  }
  // The stored ID of a user, or "(none)".
  std::string StoredId(const std::string& name) {
    auto db = db::DBEngine().OpenDatabase(inst_.config_db);
    auto rs = db->OpenRecordset("SELECT * FROM UserRegistration WHERE sNetworkUserID = '" + name + "'",
                                db::dbOpenDynaset);
    std::string id = rs->Eof() ? "(none)" : rs->Fields("sTVXUserID").Value().AsString();
    rs->Close();
    db->Close();
    return id;
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

TEST_F(UserIdentityTest, RemovableDriveIsRefused) {
  env_.drive = platform::kDriveRemovable;
  host_->ExpectMsgBox("GetNetworkUserID()",
                      "Could not get network user ID because the drive type for the specified path is invalid."
                      "\r\n[" + inst_.CodePath("PMP10") + "]\r\n\r\n\n" + support_,
                      vbOK);
  std::string name;
  EXPECT_FALSE(manager_.GetNetworkUserID(name));
  EXPECT_EQ(env_.login_calls, 0);
}

TEST_F(UserIdentityTest, NoLoginShowsTheNotLoggedOnMessageAndTheSystemText) {
  env_.login_error = 1245;
  host_->ExpectMsgBox("GetNetworkUserID()", "You are not logged onto the network.\r\n\n" + support_ + "\r\n\n" +
                                                GetSystemErrorText(1245),
                      vbOK);
  std::string name;
  EXPECT_FALSE(manager_.GetNetworkUserID(name));
}

}  // namespace
}  // namespace pds::test
