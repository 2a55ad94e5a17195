// Registration of an application's data in a project (the Job and JobUsage
// rows, all or nothing) and the project configuration values, rows of the
// project database's Config table mirrored into the project file.
#include "files/profile_file.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "pds/db/jet_errors.h"
#include "tests/projects/staging_fixture.h"

namespace pds::test {
namespace {

using Row = std::vector<std::string>;

class RegistrationTest : public StagingTest {
 protected:
  std::vector<Row> JobRows() {
    return Rows(ProjectsDb(), "SELECT lJobID, sJobName, sJobPath FROM Job ORDER BY lJobID");
  }
  std::vector<Row> UsageRows() {
    return Rows(ProjectsDb(), "SELECT lJobID, sPdsg FROM JobUsage ORDER BY lJobID, sPdsg");
  }
};

TEST_F(RegistrationTest, NewProjectGetsAJobRowItsNumberAndTheApplicationsUsageRowAndKeepsThemWhenRegisteredAgain) {
  Start("LAY10");
  const std::string folder = MakeProjectFolder("Alpha");
  ProjectRef project = MakeRecord("Alpha", folder);

  ASSERT_TRUE(ServerOf(server()).RegisterAppData(project));
  ASSERT_GT(project->JobID(), 0);
  const std::string id = std::to_string(project->JobID());
  EXPECT_THAT(Rows(ProjectsDb(), "SELECT sJobName, sJobPath, sDOSJobPath FROM Job WHERE lJobID = " + id),
              ElementsAre(Row{"Alpha", folder, folder}));
  EXPECT_THAT(UsageRows(), ElementsAre(Row{id, "LAY10"}));
  EXPECT_TRUE(server().IsAppDataRegistered("Alpha"));
  EXPECT_FALSE(server().IsAppDataRegistered("Alpha", "PMP10"));
  EXPECT_FALSE(server().IsAppDataRegistered("Nobody"));
  EXPECT_FALSE(server().IsAppDataRegistered("Seed"));  // known, but no application has data in it

  // Registering again updates the same rows, without duplicates.
  const std::string moved = MakeProjectFolder("Moved");
  project->SetJobPath(moved);
  ASSERT_TRUE(ServerOf(server()).RegisterAppData(project));
  EXPECT_EQ(std::to_string(project->JobID()), id);
  EXPECT_THAT(JobRows(), ElementsAre(::testing::_, Row{id, "Alpha", moved}));
  EXPECT_THAT(UsageRows(), ElementsAre(Row{id, "LAY10"}));
}

TEST_F(RegistrationTest, ApplicationWithoutDataFilesGetsAJobRowButNoUsageRow) {
  Start("CAL10");
  ProjectRef project = MakeRecord("Alpha", MakeProjectFolder("Alpha"));

  ASSERT_TRUE(ServerOf(server()).RegisterAppData(project));
  EXPECT_EQ(JobRows().size(), 2u);
  EXPECT_TRUE(UsageRows().empty());
}

TEST_F(RegistrationTest, FailureAfterTheJobRowWasStoredRollsEverythingBack) {
  Start("LAY10");
  ProjectRef project = MakeRecord("Alpha", MakeProjectFolder("Alpha"));
  const auto jobs_before = JobRows();
  // A designation longer than the usage table takes fails the last write.
  host_->ExpectMsgBox("RegisterAppData()", db::JetErrorText(db::kErrFieldTooSmall));

  EXPECT_FALSE(ServerOf(server()).RegisterAppData(project, "LAYOUT10"));
  EXPECT_EQ(project->JobID(), 0);
  EXPECT_EQ(JobRows(), jobs_before);
  EXPECT_TRUE(UsageRows().empty());
}

TEST_F(RegistrationTest, RecordGetsItsKeyAndFoldersFromTheJobRowWhileTheFolderExists) {
  Start("LAY10");
  const std::string folder = MakeProjectFolder("Alpha");
  const std::int32_t id = AddJob("Alpha", folder);
  ProjectRef project = MakeRecord("alpha", "");

  ASSERT_TRUE(ServerOf(server()).GetDataFromJobTable(project));
  EXPECT_EQ(project->JobID(), id);
  EXPECT_EQ(project->JobPath(), folder);
  EXPECT_EQ(project->DosJobPath(), folder);
  EXPECT_EQ(project->ProjectDbPath(), folder + "/Project.mdb");

  fs::remove_all(folder);
  project = MakeRecord("Alpha", "");
  host_->ExpectMsgBox("GetDataFromJobTable()",
                      "Project not found.  Project folder does not exist.\r[" + folder + "]");

  EXPECT_FALSE(ServerOf(server()).GetDataFromJobTable(project));
}


class ProjectConfigValueTest : public StagingTest {
 protected:
  void SetUp() override { Start("lay10"); }

  // Makes a saved project with its folder and database the current one.
  void OpenAlpha() {
    folder_ = MakeProjectFolder("Alpha");
    ServerOf(server()).SetCurrentProject(MakeRecord("Alpha", folder_));
  }
  std::string ProjectDb() const { return folder_ + "/Project.mdb"; }
  std::string ProjectFile() const { return folder_ + "/PROJECT.QVP"; }
  std::vector<Row> ConfigRows() { return Rows(ProjectDb(), "SELECT sPdsg, sKey, sValue FROM Config ORDER BY sKey"); }
  std::optional<std::string> FileValue(const std::string& section, const std::string& key) {
    platform::ProfileText text;
    (void)platform::ReadProfile(ProjectFile(), &text);
    return text.Value(section, key);
  }

  std::string folder_;
};

TEST_F(ProjectConfigValueTest, WithoutAProjectWritingIsRefusedAndDeletingFailsQuietly) {
  host_->ExpectMsgBox("SetProjConfigValue()", "Project database file was not specified.");
  EXPECT_EQ(server().SetProjConfigValue("", "Units", "Metric"), 0);
  EXPECT_EQ(server().DeleteProjConfigValue("Units"), 0);
  OpenAlpha();
  EXPECT_EQ(server().DeleteProjConfigValue("  "), 0) << "nor without a key";
}

TEST_F(ProjectConfigValueTest, ValueIsStoredMirroredReadBackAndDeletedAndAnEmptyOneIsABlankInTheDatabase) {
  OpenAlpha();
  ASSERT_EQ(server().SetProjConfigValue("", "Units", "Metric"), -1);

  EXPECT_THAT(ConfigRows(), ElementsAre(Row{"LAY10", "Units", "Metric"}));
  EXPECT_EQ(FileValue("LAY10 Config", "Units"), "Metric");
  std::string value;
  EXPECT_EQ(server().GetProjConfigValue("Units", value, "Imperial"), -1);
  EXPECT_EQ(value, "Metric");

  // Deleting removes the row and clears the file's key.
  EXPECT_EQ(server().DeleteProjConfigValue("Units"), -1);
  EXPECT_TRUE(ConfigRows().empty());
  EXPECT_EQ(FileValue("LAY10 Config", "Units"), "");
  EXPECT_EQ(server().GetProjConfigValue("Units", value), 0);

  // An empty value is a blank in the database and empty everywhere else.
  ASSERT_EQ(server().SetProjConfigValue("", "Notes", ""), -1);
  EXPECT_THAT(ConfigRows(), ElementsAre(Row{"LAY10", "Notes", " "}));
  EXPECT_EQ(FileValue("LAY10 Config", "Notes"), "");
  value = "stale";
  EXPECT_EQ(server().GetProjConfigValue("Notes", value), -1);
  EXPECT_EQ(value, "");
}

TEST_F(ProjectConfigValueTest, KeysWithApostrophesReachOnlyTheirOwnRow) {
  OpenAlpha();
  ASSERT_EQ(server().SetProjConfigValue("", "Units", "Metric"), -1);
  ASSERT_EQ(server().SetProjConfigValue("", "Owner's name", "Kim"), -1);
  ASSERT_EQ(server().SetProjConfigValue("", "x' OR sKey <> '", "injected"), -1);

  std::string value;
  EXPECT_EQ(server().GetProjConfigValue("Owner's name", value), -1);
  EXPECT_EQ(value, "Kim");
  EXPECT_EQ(server().DeleteProjConfigValue("x' OR sKey <> '"), -1);
  EXPECT_THAT(ConfigRows(), ElementsAre(Row{"LAY10", "Owner's name", "Kim"}, Row{"LAY10", "Units", "Metric"}));
}

TEST_F(ProjectConfigValueTest, UnwritableProjectFileFailsButKeepsTheDatabaseRow) {
  OpenAlpha();
  ASSERT_EQ(server().SetProjConfigValue("", "Units", "Metric"), -1);
  fs::permissions(ProjectFile(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  host_->ExpectMsgBox("WritePPS()", "Unable to write string [Units = Imperial] to file \r" + ProjectFile() + "\r\n\n" +
                                         GetSystemErrorText(5));
  host_->ExpectMsgBox("SetProjConfigValue()", GetSystemErrorText(5));

  EXPECT_EQ(server().SetProjConfigValue("", "Units", "Imperial"), 0);
  EXPECT_THAT(ConfigRows(), ElementsAre(Row{"LAY10", "Units", "Imperial"}));
  EXPECT_EQ(FileValue("LAY10 Config", "Units"), "Metric");
}

}  // namespace
}  // namespace pds::test
