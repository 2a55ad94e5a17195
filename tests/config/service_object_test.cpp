// The service object's initialization and shutdown: what PDSInitialize does
// once and never again, how a cancelled or failed start leaves the databases,
// where the default projects folder comes from, the first-project question,
// the application database, the job-name limit, and which object is the
// process's current one. Also the rules of the writable properties.

#include "config/sample_apps.h"
#include "config/schema.h"
#include "pds/UiHost.h"
#include "pds/Version.h"
#include "tests/config/service_fixture.h"

namespace pds::test {
namespace {

const std::string kNewProjectFailed =
    "Project Data Server initialization complete.\r"
    "However, there was an error while attempting to create a new project.\r\n\n"
    "Would you like to continue anyway?";

class ServiceObjectTest : public ServiceTest {
 protected:
  // Makes the start's new-project step fail; the number of times it ran.
  std::shared_ptr<int> FailNewProject(clsProjectDataServer& server) {
    auto calls = std::make_shared<int>(0);
    ServerOf(server).SetProjectNewForTesting([calls] {
      ++*calls;
      return RETURN_ERROR;
    });
    return calls;
  }
};

// ---- initialization runs once per object

TEST_F(ServiceObjectTest, SecondInitializeAfterSuccessFailsSilentlyAndKeepsTheFirstStart) {
  Install();
  clsProjectDataServer server;
  ASSERT_EQ(Init(server, "PMP10"), RETURN_OK);

  EXPECT_EQ(Init(server, "LAY10"), RETURN_ERROR);
  EXPECT_EQ(std::make_tuple(server.Pdsg(), server.AppName()), std::make_tuple("PMP10", "Pump Designer"));
  EXPECT_EQ(Shared().current_server, &ServerOf(server));
  EXPECT_FALSE(host_->wait_cursor());
  EXPECT_TRUE(host_->shown().empty());
}

TEST_F(ServiceObjectTest, FailedInitializeCannotBeRetriedOnTheSameObject) {
  Install();
  clsProjectDataServer server;
  host_->ExpectMsgBoxContaining("SetPaths()", "Invalid Application Path.");
  ASSERT_EQ(server.PDSInitialize(temp_ / "nowhere/Code", "PMP10", ""), RETURN_ERROR);

  // A correct start on the spent object is refused without a word.
  EXPECT_EQ(Init(server, "PMP10"), RETURN_ERROR);
  EXPECT_EQ(host_->shown().size(), 1u);
  EXPECT_EQ(std::make_tuple(server.Pdsg(), server.TVXiiPath()), std::make_tuple("", ""));
  EXPECT_EQ(Shared().current_server, nullptr);
  EXPECT_FALSE(host_->wait_cursor());
}

// ---- a cancelled start

TEST_F(ServiceObjectTest, CancelledUserIdIsReturnedUnchangedWithNoDatabaseLeftOpen) {
  Install(/*user_ids_required=*/true, {"PMP10"});
  std::string projects_db;
  {
    // A first start registers the user, so that the user's projects database exists.
    clsProjectDataServer first;
    host_->ExpectInputBox(kInputTitle, "jsmith");
    host_->ExpectMsgBoxContaining(kRegisterTitle, "is not registered", vbYes);
    ASSERT_EQ(Init(first, "PMP10", "/U:[jsmith]"), RETURN_OK);
    projects_db = first.ProjectDb();
    ASSERT_EQ(first.ExitProgram(), RETURN_OK);
  }
  ASSERT_TRUE(fs::exists(projects_db));

  clsProjectDataServer server;
  host_->ExpectInputBoxCancel(kInputTitle);
  host_->ExpectMsgBox(kRegisterTitle, kMustEnter, vbNo);
  EXPECT_EQ(Init(server, "PMP10", "/U:[jsmith]"), RETURN_USER_CANCEL);

  EXPECT_EQ(Shared().current_server, nullptr);
  EXPECT_EQ(server.ProjectDb(), "");
  EXPECT_EQ(server.AppDB(), nullptr);
  EXPECT_FALSE(host_->wait_cursor());
  // The object is still alive: nothing it or its startup manager keeps may hold a database.
  EXPECT_TRUE(
      OtherProcessCanOpenExclusively({inst_.config_db, projects_db, inst_.CodePath("PMP10") + "/PMP10App.mdb"}));
}

// ---- the default projects folder

// The shared setting (XXXYY) names the default projects folder if it exists; else the installation's is made.
struct ProjectsFolderCase {
  const char* label;
  const char* setting_pdsg;  // null: no setting
  const char* setting;       // under the test's folder; made unless "gone"
  bool setting_used;
};

class DefaultProjectsFolderTest : public ServiceTest, public ::testing::WithParamInterface<ProjectsFolderCase> {};

TEST_P(DefaultProjectsFolderTest, ComesFromTheSharedSettingOrIsTheInstallationsOwn) {
  const ProjectsFolderCase& c = GetParam();
  Install(false, {"LAY10"});
  CreateProjectsDb();
  const std::string installation_projects = inst_.tvxii + "/Projects";
  fs::remove(installation_projects);
  const std::string mine = temp_ / c.setting;
  if (c.setting_pdsg) {
    if (std::string(c.setting) != "gone") fs::create_directory(mine);
    Execute(ProjectsDbPath(), {std::string("INSERT INTO Config (sPdsg, sKey, sValue) VALUES ('") + c.setting_pdsg +
                                   "', 'DefaultProjectFolder', '  " + mine + "  ')"});
  }
  clsProjectDataServer server;
  ASSERT_EQ(Init(server, "LAY10"), RETURN_OK);
  EXPECT_EQ(Shared().default_projects_folder, c.setting_used ? mine : installation_projects);
  EXPECT_EQ(fs::is_directory(installation_projects), !c.setting_used);
  EXPECT_FALSE(fs::exists(temp_ / "gone")) << "a missing folder is not made";
}

INSTANTIATE_TEST_SUITE_P(
    Settings, DefaultProjectsFolderTest,
    ::testing::Values(ProjectsFolderCase{"SharedSettingOfAnExistingFolder", "XXXYY", "Team Projects", true},
                      ProjectsFolderCase{"SettingOfAnotherApplication", "LAY10", "Layouts", false},
                      ProjectsFolderCase{"SettingOfAMissingFolder", "XXXYY", "gone", false},
                      ProjectsFolderCase{"NoSetting", nullptr, "", false}), ByLabel());

// ---- the first project

class FirstProjectTest : public ServiceObjectTest, public ::testing::WithParamInterface<int> {};

TEST_P(FirstProjectTest, FailedNewProjectAsksWhetherToContinue) {
  Install(false, {"LAY10"});
  clsProjectDataServer server;
  const auto calls = FailNewProject(server);
  host_->ExpectMsgBox("Project Initialization", kNewProjectFailed, GetParam());
  const eProjectReturnCode expected = GetParam() == vbYes ? RETURN_OK : RETURN_ERROR;

  EXPECT_EQ(server.PDSInitialize(inst_.CodePath("LAY10"), "LAY10", ""), expected);
  EXPECT_EQ(*calls, 1);
  ASSERT_EQ(host_->shown().size(), 1u);
  EXPECT_EQ(host_->shown()[0].style, vbYesNo | vbExclamation);
  EXPECT_EQ(Shared().current_server, expected == RETURN_OK ? &ServerOf(server) : nullptr);
  EXPECT_FALSE(host_->wait_cursor());
}

INSTANTIATE_TEST_SUITE_P(Answers, FirstProjectTest, ::testing::Values(vbYes, vbNo),
                         [](const auto& info) { return std::string(info.param == vbYes ? "Yes" : "No"); });

TEST_F(ServiceObjectTest, ExistingProjectOfAnyApplicationMeansNoNewProject) {
  Install(false, {"LAY10"});
  CreateProjectsDb();
  AddProject("Plant", {"PMP10"});
  clsProjectDataServer server;
  const auto calls = FailNewProject(server);
  EXPECT_EQ(server.PDSInitialize(inst_.CodePath("LAY10"), "LAY10", ""), RETURN_OK);
  EXPECT_EQ(*calls, 0);
}

// ---- the application database

class ApplicationDatabaseTest : public ServiceTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(ApplicationDatabaseTest, OpenedOnlyForApplicationsWithTagSupport) {
  const install::SampleApp& app = *install::FindSampleApp(GetParam());
  Install(false, {app.pdsg});
  clsProjectDataServer server;
  ASSERT_EQ(Init(server, app.pdsg), RETURN_OK);
  EXPECT_EQ(server.AppDB() != nullptr, (app.data_style & TAG_SUPPORT) != 0);
  EXPECT_EQ(server.AppDbName(), inst_.CodePath(app.pdsg) + "/" + app.pdsg + "App.mdb");
}

INSTANTIATE_TEST_SUITE_P(SampleApps, ApplicationDatabaseTest, ::testing::Values("PMP10", "LAY10", "CAL10"),
                         [](const auto& info) { return info.param; });

TEST_F(ServiceObjectTest, MissingApplicationDatabaseFailsTheStartAndClosesEverything) {
  Install(false, {"PMP10"});
  // Not listed among the program's files, so that the start gets as far as opening it.
  Execute(inst_.config_db, {"DELETE FROM ProgSpecification WHERE sFileName = 'PMP10App.mdb'"});
  const std::string app_db = inst_.CodePath("PMP10") + "/PMP10App.mdb";
  fs::remove(app_db);

  clsProjectDataServer server;
  host_->ExpectMsgBox("PDSInitialize()", "Couldn't open Application database: [" + app_db + "]\r\n\n" +
                                             "Could not find file '" + app_db + "'.");
  EXPECT_EQ(Init(server, "PMP10"), RETURN_ERROR);
  ASSERT_EQ(host_->shown().size(), 1u);
  EXPECT_EQ(host_->shown()[0].style, vbCritical);
  EXPECT_EQ(server.AppDB(), nullptr);
  EXPECT_EQ(Shared().current_server, nullptr);
  EXPECT_FALSE(host_->wait_cursor());
  EXPECT_TRUE(OtherProcessCanOpenExclusively({inst_.config_db, ProjectsDbPath()}));
}

// ---- what the start reads from the projects database

TEST_F(ServiceObjectTest, JobNameLimitIsTheDefinedSizeOfTheJobNameField) {
  Install(false, {"CAL10"});
  schema::DatabaseSchema narrow = schema::ProjectsDatabase();
  for (auto& table : narrow.tables) {
    for (auto& f : table.fields) {
      if (table.name == "Job" && f.name == "sJobName") f.size = 37;
    }
  }
  schema::TableRows version{"Version",
                            {"lMinDLLMajorVersion", "lMinDLLMinorVersion", "lMinDLLRevision"},
                            {{static_cast<std::int32_t>(kMajorVersion), static_cast<std::int32_t>(kMinorVersion),
                              static_cast<std::int32_t>(kRevision)}}};
  std::string error;
  ASSERT_TRUE(schema::CreateDatabaseFile(ProjectsDbPath(), narrow, {version}, &error)) << error;

  clsProjectDataServer server;
  ASSERT_EQ(Init(server, "CAL10"), RETURN_OK);
  EXPECT_EQ(JobNameLengthLimit(), 37);
}

// ---- the process's current service object

TEST_F(ServiceObjectTest, LastStartWinsAndExitOrDestroyingAnyObjectClearsTheCurrentOne) {
  Install(false, {"LAY10", "CAL10"});
  clsProjectDataServer first;
  EXPECT_EQ(Shared().current_server, nullptr);
  ASSERT_EQ(Init(first, "LAY10"), RETURN_OK);
  EXPECT_EQ(Shared().current_server, &ServerOf(first));
  {
    auto second = std::make_unique<clsProjectDataServer>();
    ASSERT_EQ(Init(*second, "CAL10"), RETURN_OK);
    EXPECT_EQ(Shared().current_server, &ServerOf(*second));
    // An object that was never started, going away, clears the slot too.
    { clsProjectDataServer unused; }
    EXPECT_EQ(Shared().current_server, nullptr);
  }
  EXPECT_EQ(Shared().current_server, nullptr);
  clsProjectDataServer third;
  ASSERT_EQ(Init(third, "LAY10"), RETURN_OK);
  EXPECT_EQ(third.ExitProgram(), RETURN_OK);
  EXPECT_EQ(Shared().current_server, nullptr);
}

// ---- designation and derived names

TEST_F(ServiceObjectTest, DesignationGivenInLowerCaseIsHandedOutInUpperCase) {
  Install(false, {"PMP10"});
  clsProjectDataServer server;
  ASSERT_EQ(Init(server, "pmp10"), RETURN_OK);
  EXPECT_EQ(std::make_tuple(server.Pdsg(), server.ProjectWorkFolderName(), server.TagDbName(), server.AppDbName()),
            std::make_tuple("PMP10", "~PMP10", "PMP10Tag.mdb", inst_.CodePath("PMP10") + "/PMP10App.mdb"));
}

// ---- writable properties

class PropertyRulesTest : public ::testing::Test {
 protected:
  clsProjectDataServer server_;
};

struct LimitCase {
  std::int16_t value;
  std::int16_t expected;  // after the limit was 100
};

class TagNameLimitTest : public PropertyRulesTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(TagNameLimitTest, OnlyOneTo255IsStored) {
  server_.SetTagNameLengthLimit(100);
  server_.SetTagNameLengthLimit(GetParam().value);
  EXPECT_EQ(server_.TagNameLengthLimit(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, TagNameLimitTest,
                         ::testing::Values(LimitCase{0, 100}, LimitCase{256, 100}, LimitCase{-1, 100},
                                           LimitCase{1, 1}, LimitCase{255, 255}),
                         [](const auto& info) { return SpelledName("Set" + std::to_string(info.param.value)); });

TEST_F(PropertyRulesTest, TextPropertiesAreTrimmedAndBlanksIgnoredEachByItsRule) {
  std::string value = "  Motor  ";
  server_.SetDefTagType(value);
  EXPECT_EQ(value, "Motor");
  EXPECT_EQ(server_.DefTagType(), "Motor");

  // Only blanks are trimmed; a blank value comes back empty and is not stored.
  std::string tabbed = "\tPump ";
  server_.SetDefTagType(tabbed);
  EXPECT_EQ(tabbed, "\tPump");
  std::string blank = "   ";
  server_.SetDefTagType(blank);
  EXPECT_EQ(blank, "");
  EXPECT_EQ(server_.DefTagType(), "\tPump");

  // The data definitions table is trimmed and a blank one ignored; the tag index name ignores only empty text.
  server_.SetDataDefTbl("  Defs ");
  EXPECT_EQ(server_.DataDefTbl(), "Defs");
  server_.SetDataDefTbl("  ");
  EXPECT_EQ(server_.DataDefTbl(), "Defs");
  server_.SetTagIndexName("");
  EXPECT_EQ(server_.TagIndexName(), "TagIndex");
  server_.SetTagIndexName(" Idx ");
  EXPECT_EQ(server_.TagIndexName(), " Idx ");
}

}  // namespace
}  // namespace pds::test
