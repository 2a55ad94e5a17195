// Tags through the project life cycle: the first tag of a new project, tags
// worked on, saved, closed and opened again by name, their publication in
// the project database, the tag database closed and reopened around a save,
// and the repair of repeated names when a project opens.

#include "pds/db/jet_errors.h"
#include "pds/UiHost.h"
#include "tests/tags/tag_fixture.h"

namespace pds::test {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

class TagLifecycleTest : public TagTest {
 protected:
  // The names published in the project database's TagIndex by this application.
  std::vector<std::string> Published(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& row :
         Rows(folder + "/Project.mdb", "SELECT sTagName, sAppVer, TableName FROM TagIndex WHERE sApp = 'PMP'")) {
      EXPECT_EQ(row[1], "10");
      EXPECT_EQ(row[2], "TagData");
      names.push_back(row[0]);
    }
    return names;
  }
  // Saves the current (untitled) project under name in its own folder, as
  // the save-as dialog would, and returns the folder.
  std::string SaveAs(const std::string& name) {
    std::string folder = Projects() + "/" + name;
    std::filesystem::create_directories(folder);
    std::string new_name = name;
    EXPECT_EQ(server().ProjectSaveAs(folder, new_name), RETURN_OK);
    return folder;
  }
  void ExpectNoTagState() {
    EXPECT_EQ(server().UnitTags().Count(), 0);
    EXPECT_EQ(server().SelectedTags().Count(), 0);
    EXPECT_EQ(server().dbTag(), nullptr);
  }

  std::string type_ = "TagData";
  RsHandle rs_;
};

TEST_F(TagLifecycleTest, TagsSurviveSaveAsCloseAndOpenAndArePublished) {
  StartWithNewProject();
  EXPECT_THAT(Names(server().UnitTags()), ElementsAre("Untitled1"));
  EXPECT_EQ(server().SelectedTags().CurrentTag()->Name(), "Untitled1");

  std::string pump = "Pump";
  ASSERT_EQ(server().NewTag(type_, pump, rs_), RETURN_OK);
  // Every defined field received its default.
  const auto row = Rows(WorkTagDb(), "SELECT * FROM TagData WHERE TagName = 'Pump'");
  ASSERT_EQ(row.size(), 1u);
  EXPECT_THAT(row[0], ::testing::Not(::testing::Contains("<null>")));

  std::string copy;
  ASSERT_EQ(server().CopyTag(type_, pump, copy, rs_), RETURN_OK);
  EXPECT_EQ(copy, "Pump(1)");
  std::string spare = "Spare";
  ASSERT_EQ(server().RenameTag(type_, copy, spare, rs_), RETURN_OK);
  std::string fan = "Fan";
  ASSERT_EQ(server().NewTag(type_, fan, rs_), RETURN_OK);
  ASSERT_EQ(server().DeleteTag(type_, fan), RETURN_OK);

  const std::string folder = SaveAs("Plant");
  EXPECT_THAT(Names(server().UnitTags()), UnorderedElementsAre("Untitled1", "Pump", "Spare"));

  ASSERT_TRUE(server().CloseCurrentProject());
  ExpectNoTagState();

  ASSERT_EQ(server().ProjectOpen("Plant"), RETURN_OK);
  EXPECT_THAT(Names(server().UnitTags()), UnorderedElementsAre("Untitled1", "Pump", "Spare"));
  EXPECT_THAT(TagNames(), UnorderedElementsAre("Untitled1", "Pump", "Spare"));
  EXPECT_THAT(Published(folder), UnorderedElementsAre("Untitled1", "Pump", "Spare"));
}

TEST_F(TagLifecycleTest, SaveClosesTheTagDatabaseAndTheNextUseReopensIt) {
  StartWithNewProject();
  const std::string folder = SaveNewProject("Plant");
  std::string pump = "Pump";
  ASSERT_EQ(server().NewTag(type_, pump, rs_), RETURN_OK);
  const DbHandle before = server().dbTag();
  ASSERT_EQ(server().SelectedTags().Count(), 1);

  ASSERT_EQ(server().ProjectSave(), RETURN_OK);
  EXPECT_FALSE(CheckDatabaseValid(before, false));
  ASSERT_TRUE(CheckDatabaseValid(server().dbTag(), false));
  EXPECT_NE(server().dbTag(), before);
  // The tags are loaded again, nothing is selected any more, and the saved
  // copy and the publication hold the new tag.
  EXPECT_THAT(Names(server().UnitTags()), UnorderedElementsAre("Untitled1", "Pump"));
  EXPECT_EQ(server().SelectedTags().Count(), 0);
  EXPECT_EQ(Rows(MainTagDb(), "SELECT TagName FROM TagData WHERE TagName = 'Pump'").size(), 1u);
  EXPECT_THAT(Published(folder), UnorderedElementsAre("Untitled1", "Pump"));
}

TEST_F(TagLifecycleTest, RepeatedNamesAreRepairedOnceWhenTheProjectOpens) {
  StartWithNewProject();
  SaveNewProject("Dup");
  const std::string main_db = MainTagDb();
  ASSERT_TRUE(server().CloseCurrentProject());
  Execute(main_db,
          {"DELETE * FROM TagData", "INSERT INTO TagData (TagName, lOrder) VALUES ('A', 1), ('B', 2), ('A', 3)"});

  host_->ExpectMsgBox("Rename Duplicate Tag",
                      "A duplicate Tag name was encountered in project Dup.\r\n"
                      "The duplicate Tag name has been changed:\r\n\r\n     Old Name:  A\r\n     New Name:  A(1)");
  ASSERT_EQ(server().ProjectOpen("Dup"), RETURN_OK);
  EXPECT_THAT(TagNames(), UnorderedElementsAre("A", "A(1)", "B"));
  // The collection shows the repaired names, each with its own row.
  EXPECT_THAT(Names(server().UnitTags()), UnorderedElementsAre("A", "A(1)", "B"));
  EXPECT_NE(server().UnitTags().Item("A")->Index(), server().UnitTags().Item("A(1)")->Index());
}

TEST_F(TagLifecycleTest, AMissingTagTableFailsTheOpen) {
  StartWithNewProject();
  SaveNewProject("Broken");
  const std::string main_db = MainTagDb();
  ASSERT_TRUE(server().CloseCurrentProject());
  Execute(main_db, {"DROP TABLE TagData"});

  host_->ExpectMsgBoxContaining("CreateRecordset()", "");
  EXPECT_EQ(server().ProjectOpen("Broken"), RETURN_ERROR);
  // The broken project is not left open: an untitled one with its first tag is.
  EXPECT_EQ(server().Project()->JobName(), "Untitled");
  EXPECT_EQ(server().UnitTags().Count(), 1);
}

TEST_F(TagLifecycleTest, AnApplicationWithoutTagSupportLeavesTagsAlone) {
  Start("LAY10");
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  ExpectNoTagState();
  EXPECT_FALSE(std::filesystem::exists(server().Project()->WorkingJobPath() + "/" + server().TagDbName()));
}

// A damaged tag database fails the open; the message names the project's
// file, which the user can look at, not the working copy the failed open
// removes again.
TEST_F(TagLifecycleTest, DamagedTagDatabaseIsNamedByTheProjectsFile) {
  StartWithNewProject();
  const std::string folder = SaveAs("Alpha");
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  std::fstream(folder + "/PMP10Tag.mdb", std::ios::in | std::ios::out).seekp(16) << "damage";
  host_->ExpectMsgBox("InitTagData()", "Error opening Tag Database.\r\n\n" +
                                          db::JetErrorText(db::kErrUnrecognizedFormat, folder + "/PMP10Tag.mdb"));
  EXPECT_NE(server().ProjectOpen("Alpha"), RETURN_OK);
  for (const auto& shown : host_->shown()) {
    EXPECT_EQ(shown.text.find("~PMP10"), std::string::npos) << shown.text;
  }
}

}  // namespace
}  // namespace pds::test
