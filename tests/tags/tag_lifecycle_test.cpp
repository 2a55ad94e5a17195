// Tags through the project life cycle (the first tag, tags saved, closed,
// opened and published, the tag database reopened around a save, repeated
// names repaired), and the project database structure: the version check and
// the upgrade of an older file to "1.3.0".
#include "pds/UiHost.h"
#include "pds/db/relation.h"
#include "tests/engine/db_test_support.h"
#include "tests/tags/tag_fixture.h"

namespace pds::test {
namespace {

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
  // Saves the current (untitled) project in its own folder, as the save-as dialog would; returns the folder.
  std::string SaveAs(const std::string& name) {
    std::string folder = Projects() + "/" + name;
    std::filesystem::create_directories(folder);
    std::string new_name = name;
    EXPECT_EQ(server().ProjectSaveAs(folder, new_name), RETURN_OK);
    return folder;
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
  EXPECT_EQ(server().UnitTags().Count(), 0);
  EXPECT_EQ(server().SelectedTags().Count(), 0);
  EXPECT_EQ(server().dbTag(), nullptr);

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
  // The tags are loaded again, none selected; the saved copy and the publication hold the new tag.
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

using namespace pds::db;

using db::test::MakeRelation;
using db::test::MakeTable;

constexpr const char* kVerifyTitle = "clsProjectDataServer.VerifyDataStructure";
constexpr const char* kVerifyFailed = "Error trying to verify Project database structure.";

class StructureTest : public TagTest {
 protected:
  void SetUp() override { Start(kPump); }

  // An older project database: a Version row of `version` (none when empty), Properties, and what `extra` adds.
  std::string MakeDb(const std::string& version, const std::function<void(Database&)>& extra = nullptr) {
    const std::string path = temp_ / "Old.mdb";
    auto db = DBEngine().CreateDatabase(path);
    MakeTable(*db, "Version", {{"sVersion", dbText, 10}, {"vReleaseDate", dbDate}, {"mNotes", dbMemo}});
    MakeTable(*db, "Properties", {{"sJobName", dbText, 50}});
    if (!version.empty()) db->Execute("INSERT INTO Version (sVersion, mNotes) VALUES ('" + version + "', 'old')");
    if (extra) extra(*db);
    db->Close();
    return path;
  }
  static void Linked(Database& db, const std::string& name) {
    auto td = db.CreateTableDef(name);
    td->SetConnect(";DATABASE=/elsewhere/PMP10Tag.mdb");
    td->SetSourceTableName("TagData");
    db.TableDefs().Append(td);
  }

  // The table names of a database in the catalog's order.
  static std::vector<std::string> TableNames(const std::string& path) {
    auto db = DBEngine().OpenDatabase(path, false, true);
    std::vector<std::string> names;
    for (const auto& td : db->TableDefs()) names.push_back(td->Name());
    db->Close();
    return names;
  }
  static bool HasTable(const std::string& path, const std::string& name) {
    return std::ranges::count(TableNames(path), name) > 0;
  }
  std::vector<std::string> VersionRow(const std::string& path) {
    auto rows = Rows(path, "SELECT sVersion, vReleaseDate, mNotes FROM Version");
    return rows.empty() ? std::vector<std::string>{} : rows[0];
  }
};

TEST_F(StructureTest, AnOlderDatabaseIsUpgradedAndTheUpgradeCanRunAgain) {
  const std::string path = MakeDb("1.2.0", [](Database& db) {
    Linked(db, "X_TagData");
    Linked(db, "Pumps");  // linked, but not a tag table: stays
    MakeTable(db, "Y_TagData", {{"a", dbLong}});  // a tag table, but local: stays
    MakeTable(db, "A", {{"id", dbLong}}, {"id"});
    MakeTable(db, "B", {{"id", dbLong}});
    MakeRelation(db, "AB", "A", "B", "id", 0);
  });

  ASSERT_TRUE(ServerOf(server()).VerifyDataStructure(path));

  EXPECT_FALSE(HasTable(path, "X_TagData"));
  EXPECT_TRUE(HasTable(path, "Pumps"));
  EXPECT_TRUE(HasTable(path, "Y_TagData"));
  EXPECT_EQ(VersionRow(path), (std::vector<std::string>{"1.3.0", "2002-01-30 00:00:00", "Structure Changed"}));
  {
    auto db = DBEngine().OpenDatabase(path, false, true);
    auto tag_data = db->TableDefs().Item("TagData");
    auto index = tag_data->Fields().Item("lIndex");
    EXPECT_EQ(index->OrdinalPosition(), 0);
    EXPECT_NE(index->Attributes() & dbAutoIncrField, 0);
    EXPECT_TRUE(tag_data->Fields().Item("sValue")->AllowZeroLength());
    auto key = tag_data->Indexes().Item("PrimaryKey");
    EXPECT_TRUE(key->Primary());
    EXPECT_EQ(key->Fields().Item(0)->Name(), "lIndex");

    auto tag_index = db->TableDefs().Item("TagIndex");
    EXPECT_EQ(tag_index->Fields().Count(), 11);
    EXPECT_NE(tag_index->Fields().Item("lTagId")->Attributes() & dbAutoIncrField, 0);
    EXPECT_EQ(tag_index->Fields().Item("sLastModified")->Size(), 24);
    EXPECT_TRUE(tag_index->Fields().Item("TableName")->AllowZeroLength());
    EXPECT_EQ(tag_index->Indexes().Item("PrimaryKey")->Fields().Item(0)->Name(), "lTagId");

    auto config_key = db->TableDefs().Item("Config")->Indexes().Item("PrimaryKey");
    ASSERT_EQ(config_key->Fields().Count(), 2);
    EXPECT_EQ(config_key->Fields().Item(1)->Name(), "sKey");

    ASSERT_EQ(db->Relations().Count(), 1);
    auto relation = db->Relations().Item(0);
    EXPECT_EQ(relation->Name(), "TagIndexTagData");
    EXPECT_EQ(relation->Attributes(), dbRelationDeleteCascade);
    db->Close();
  }

  // Deleting a published tag deletes its items.
  Execute(path, {"INSERT INTO TagIndex (sApp, sAppVer, sTagName) VALUES ('PMP', '10', 'P-1')",
                 "INSERT INTO TagIndex (sApp, sAppVer, sTagName) VALUES ('PMP', '10', 'P-2')",
                 "INSERT INTO TagData (lTagId, lSeqNumber, sKey, sValue) VALUES (1, 1, 'Flow', '12')",
                 "INSERT INTO TagData (lTagId, lSeqNumber, sKey, sValue) VALUES (2, 1, 'Flow', '15')",
                 "DELETE * FROM TagIndex WHERE lTagId = 1"});
  EXPECT_EQ(Rows(path, "SELECT lTagId FROM TagData"), (std::vector<std::vector<std::string>>{{"2"}}));

  // A version row that was not written: the upgrade runs again, keeping the rows and the one relation.
  Execute(path, {"UPDATE Version SET sVersion = '1.2.0'"});
  ASSERT_TRUE(ServerOf(server()).VerifyDataStructure(path));
  EXPECT_EQ(VersionRow(path)[0], "1.3.0");
  EXPECT_EQ(Rows(path, "SELECT sTagName FROM TagIndex"), (std::vector<std::vector<std::string>>{{"P-2"}}));
  EXPECT_EQ(Rows(path, "SELECT count(*) FROM TagData"), (std::vector<std::vector<std::string>>{{"1"}}));
  Execute(path, {"DELETE * FROM TagIndex"});
  EXPECT_EQ(Rows(path, "SELECT count(*) FROM TagData"), (std::vector<std::vector<std::string>>{{"0"}}));
}

TEST_F(StructureTest, TheCurrentVersionIsLeftAsItIs) {
  const std::string path = MakeDb("1.3.0");
  ASSERT_TRUE(ServerOf(server()).VerifyDataStructure(path));
  EXPECT_EQ(TableNames(path), (std::vector<std::string>{"Version", "Properties"}));
  EXPECT_EQ(VersionRow(path)[2], "old");
}

TEST_F(StructureTest, AnEmptyVersionTableFails) {
  const std::string path = MakeDb("");
  host_->ExpectMsgBox(kVerifyTitle,
                      "Project database version could not be determined because the Version table is empty; "
                      "Expected Version 1.3.0");
  EXPECT_FALSE(ServerOf(server()).VerifyDataStructure(path));
  EXPECT_FALSE(HasTable(path, "TagIndex"));
}

TEST_F(StructureTest, AFailedStepIsReportedTwiceAndKeepsTheOldVersion) {
  // A TagData table that links elsewhere cannot be completed.
  const std::string path = MakeDb("1.2.0", [](Database& db) { Linked(db, "TagData"); });
  host_->ExpectMsgBox("clsProjectDataServer.UpdateTagDataTable",
                      "Could not update TagData table structure because the table is not updatable.");
  host_->ExpectMsgBox(kVerifyTitle, kVerifyFailed);
  EXPECT_FALSE(ServerOf(server()).VerifyDataStructure(path));
  // The step before it stays done; the version row is not written.
  EXPECT_TRUE(HasTable(path, "Config"));
  EXPECT_FALSE(HasTable(path, "TagIndex"));
  EXPECT_EQ(VersionRow(path)[0], "1.2.0");
}

TEST_F(StructureTest, ATagDataKeyOnAnotherFieldIsReplacedByOneOnLIndex) {
  const std::string path = MakeDb("1.2.0", [](Database& db) {
    MakeTable(db, "TagData", {{"lTagId", dbLong}, {"sKey", dbText, 50}, {"sValue", dbText, 255}}, {"sKey"});
    db.Execute("INSERT INTO TagData (lTagId, sKey, sValue) VALUES (7, 'Head', '30')");
    db.Execute("INSERT INTO TagData (lTagId, sKey, sValue) VALUES (7, 'Flow', '12')");
  });
  ASSERT_TRUE(ServerOf(server()).VerifyDataStructure(path));
  auto db = DBEngine().OpenDatabase(path, false, true);
  auto tag_data = db->TableDefs().Item("TagData");
  EXPECT_EQ(tag_data->Fields().Item(0)->Name(), "lIndex");
  auto key = tag_data->Indexes().Item("PrimaryKey");
  ASSERT_EQ(key->Fields().Count(), 1);
  EXPECT_EQ(key->Fields().Item(0)->Name(), "lIndex");
  db->Close();
  // The rows stay, numbered; two rows may now share a key text.
  EXPECT_EQ(Rows(path, "SELECT lIndex, sKey FROM TagData ORDER BY lIndex"),
            (std::vector<std::vector<std::string>>{{"1", "Head"}, {"2", "Flow"}}));
  Execute(path, {"INSERT INTO TagIndex (sApp, sAppVer) VALUES ('PMP', '10')",
                 "INSERT INTO TagData (lTagId, sKey, sValue) VALUES (1, 'Flow', '13')"});
}

TEST_F(StructureTest, NewAndOpenedProjectDatabasesAreBroughtUpToDate) {
  // A template of the older structure: its new copies are upgraded.
  const std::string tmpl = inst_.enviro + "/Project.ro";
  fs::permissions(tmpl, fs::perms::owner_write, fs::perm_options::add);
  Execute(tmpl, {"UPDATE Version SET sVersion = '1.2.0'"});
  const std::string folder = SaveNewProject("Alpha");
  EXPECT_EQ(VersionRow(folder + "/Project.mdb")[0], "1.3.0");

  // A saved project of the older structure: upgraded when opened.
  Execute(folder + "/Project.mdb", {"UPDATE Version SET sVersion = '1.2.0'"});
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  ASSERT_EQ(server().ProjectOpen("Alpha"), RETURN_OK);
  EXPECT_EQ(VersionRow(folder + "/Project.mdb")[0], "1.3.0");

  // One that cannot be checked is not opened.
  Execute(folder + "/Project.mdb", {"DELETE * FROM Version"});
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  // The check has said why; the open adds nothing.
  host_->ExpectMsgBoxContaining(kVerifyTitle, "Version table is empty");
  EXPECT_EQ(server().ProjectOpen("Alpha"), RETURN_ERROR);
}

}  // namespace
}  // namespace pds::test
