// Project configuration values: rows of the project database's Config table,
// mirrored into the project file section "<designation> Config"; what happens
// without a project, with blank values, with keys holding apostrophes, and
// when the project file refuses the write.
#include <optional>

#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "files/profile_file.h"
#include "tests/projects/staging_fixture.h"

namespace pds::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using Row = std::vector<std::string>;

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
