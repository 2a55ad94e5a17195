// The application's tag database and the loading of the tag collections:
// where the working copy is looked for, when dbTag is reused or reopened,
// which rows become entries of UnitTags and in what order, and the tag type;
// and data definitions, looked up through the "TableField" index, the last
// one cached, and what a failed lookup leaves behind.
#include "pds/UiHost.h"
#include "pds/clsDataDef.h"
#include "pds/db/table_def.h"
#include "tests/tags/tag_fixture.h"

namespace pds::test {
namespace {

class TagDatabaseTest : public TagTest {
 protected:
  void SetUp() override { StartWithNewProject(); }
};

TEST_F(TagDatabaseTest, OpenTagDatabaseIsReusedReopenedAfterCloseAndAMissingOneNamed) {
  ASSERT_TRUE(server().InitTagData());
  const DbHandle first = server().dbTag();
  ASSERT_TRUE(server().InitTagData());
  EXPECT_EQ(server().dbTag(), first);
  first->Close();  // as a save does
  ASSERT_TRUE(server().InitTagData());
  EXPECT_NE(server().dbTag(), first);
  EXPECT_TRUE(CheckDatabaseValid(server().dbTag(), false));

  // An untitled project has no project folder: no main copy, no project database.
  std::string name = "stale";
  EXPECT_FALSE(ServerOf(server()).GetMainDbName(name));
  EXPECT_FALSE(ServerOf(server()).GetProjDbName(name));
  EXPECT_EQ(name, "");
  // Its working copy gone, the open names it.
  const std::string work = WorkTagDb();
  CloseDatabase(server().dbTag());
  std::filesystem::remove(work);
  host_->ExpectMsgBox("GetTempDbName()", "Tag database file was not found:\r\n\r\n" + work);
  EXPECT_FALSE(server().InitTagData());
  EXPECT_EQ(host_->shown().back().style, vbCritical);
}

TEST_F(TagDatabaseTest, LoadSkipsUnnamedRowsFollowsLOrderAndFoldsCase) {
  Execute(WorkTagDb(), {"DELETE * FROM TagData",
                        "INSERT INTO TagData (TagName, lOrder) VALUES ('B', 3), ('pump', 1), (NULL, 2), "
                        "('', 4), ('A', 2), ('PUMP', 5)"});
  const auto later = Rows(WorkTagDb(), "SELECT lTagId FROM TagData WHERE lOrder = 5");
  clsUnitTags tags;
  tags.Add("left over", 99);
  ASSERT_TRUE(ServerOf(server()).LoadUnitTagsCollection("   ", tags));  // blank: the current tag type
  // The later of pump and PUMP replaces the earlier, at its own place.
  EXPECT_THAT(Names(tags), ElementsAre("A", "B", "PUMP"));
  EXPECT_EQ(std::to_string(tags.Item("pump")->Index()), later[0][0]);
  EXPECT_EQ(tags.Item("B")->Table(), "TagData");
  EXPECT_NE(tags.Recordset(), nullptr);
}

class UnknownTagTableTest : public TagDatabaseTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(UnknownTagTableTest, FailsWithTheReportAndChangesNoRow) {
  const std::vector<std::string> before = TagNames();
  AddTagRows({"M1"}, "Motor");
  std::string type = GetParam();
  host_->ExpectMsgBoxContaining("CreateRecordset()", "");
  EXPECT_FALSE(server().ResetTagType(type));
  EXPECT_EQ(server().UnitTags().Count(), 0);
  EXPECT_EQ(TagNames(), before);
  EXPECT_THAT(TagNames("Motor"), ElementsAre("M1"));
}

INSTANTIATE_TEST_SUITE_P(Names, UnknownTagTableTest,
                         ::testing::Values("Valve", "Motor]; DELETE * FROM [Motor",
                                           "TagData ORDER BY 1; DROP TABLE Motor; --"),
                         ByText());

TEST_F(TagDatabaseTest, ResetTagTypeStoresTheTrimmedTypeAndEmptiesTheSelection) {
  ASSERT_EQ(server().SelectedTags().Count(), 1);  // the new project's Untitled1
  AddTagRows({"M1"}, "Motor");
  std::string type = "  Motor  ";
  ASSERT_TRUE(server().ResetTagType(type));
  EXPECT_EQ(type, "Motor");
  EXPECT_EQ(server().DefTagType(), "Motor");
  EXPECT_EQ(server().SelectedTags().Count(), 0);
  EXPECT_THAT(Names(server().UnitTags()), ElementsAre("M1"));
  std::string blank = "   ";  // keeps the current type
  ASSERT_TRUE(server().ResetTagType(blank));
  EXPECT_EQ(server().DefTagType(), "Motor");
}

TEST_F(TagDatabaseTest, OpenTagDataCreatesTheFirstTagOnlyInAnEmptyTable) {
  Execute(WorkTagDb(), {"DELETE * FROM TagData"});
  std::string start = "  ";
  ASSERT_TRUE(server().OpenTagData(start));
  EXPECT_EQ(start, "Untitled1");
  EXPECT_THAT(Names(server().UnitTags()), ElementsAre("Untitled1"));
  EXPECT_EQ(server().SelectedTags().CurrentTag()->Name(), "Untitled1");
  ASSERT_TRUE(server().OpenTagData());
  EXPECT_THAT(TagNames(), ElementsAre("Untitled1"));
}

constexpr const char* kTitle = "clsProjectDataServer.DataDefLoad()";

class DataDefTest : public TagTest {
 protected:
  void SetUp() override { Start(kPump); }
  std::string AppDb() { return server().AppDbName(); }
  static std::string Missing(const std::string& field) {
    return "An entry for field [" + field + "] does not exist in the data definition table.";
  }
};

TEST_F(DataDefTest, SameKeyIsServedFromTheCacheAndAnyOtherKeyLooksUpAgain) {
  clsDataDef& def = server().DataDef("fFlowRate", "TagData");
  EXPECT_EQ((std::vector<std::string>{def.Table(), def.Field(), def.FriendlyName(), def.ExternalName(), def.Min(),
                                      def.Max(), def.Default(), def.UserDefault(), def.Format(), def.FormatMetric(),
                                      def.UserDefined(), def.GroupID()}),
            (std::vector<std::string>{"TagData", "fFlowRate", "Flow Rate", "fFlowRate", "0", "100000", "100.0",
                                      "100.0", "##0.0", "##0.0", "0", "Hydraulics"}));
  EXPECT_EQ(def.Units(), 1);
  EXPECT_EQ(def.DisplayNever(), 0);

  // With the row gone, only the cache can still answer the same key.
  Execute(AppDb(), {"DELETE * FROM DataDef WHERE FieldName = 'fFlowRate'"});
  EXPECT_EQ(&server().DataDef("fFlowRate", "TagData"), &def);
  EXPECT_EQ(def.FriendlyName(), "Flow Rate");

  // Another letter case is another key: looked up, and now missing.
  host_->ExpectMsgBox(kTitle, Missing("FFLOWRATE"));
  server().DataDef("FFLOWRATE", "TagData");
  EXPECT_EQ(host_->shown().back().style, vbCritical);

  // The seek itself ignores case.
  EXPECT_EQ(server().DataDef("FHEAD", "tagdata").Field(), "fHead");
  EXPECT_EQ(def.Units(), 2);
}

TEST_F(DataDefTest, FailedLookupKeepsThePreviousDefinition) {
  server().DataDef("lSpeed", "TagData");
  host_->ExpectMsgBox(kTitle, Missing("NoSuchField"));
  clsDataDef& def = server().DataDef("NoSuchField", "TagData");
  EXPECT_EQ(def.Field(), "lSpeed");
  EXPECT_EQ(def.Default(), "1450");
  // Without a table the key is (empty text, field), which no row has.
  host_->ExpectMsgBox(kTitle, Missing("fHead"));
  EXPECT_EQ(server().DataDef("fHead").Field(), "lSpeed");
}

TEST_F(DataDefTest, UnitMustReadAsAWholeNumberAndTheDatabaseIsReopened) {
  server().DataDef("sService", "TagData");
  // The application database closed under the open table; Unit turned into text to hold what is no number.
  CloseDatabase(server().AppDB());
  {
    auto db = db::DBEngine().OpenDatabase(AppDb(), false, false);
    auto table = db->TableDefs().Item("DataDef");
    table->Fields().Delete("Unit");
    table->Fields().Append(table->CreateField("Unit", db::dbText, 20));
    db->Execute("UPDATE DataDef SET Unit = ' 7 ' WHERE FieldName = 'fFlowRate'", db::dbFailOnError);
    db->Execute("UPDATE DataDef SET Unit = '12abc' WHERE FieldName = 'fHead'", db::dbFailOnError);
    db->Close();
  }
  EXPECT_EQ(server().DataDef("fFlowRate", "TagData").Units(), 7);

  host_->ExpectMsgBox(kTitle, "Error in Load Data Definition Function" + LineBreaks(2) + "Type mismatch");
  clsDataDef& def = server().DataDef("fHead", "TagData");
  EXPECT_EQ(def.Field(), "fFlowRate");
  EXPECT_EQ(def.FriendlyName(), "Flow Rate");
  // A row whose Unit is null reads as 0.
  EXPECT_EQ(server().DataDef("fPower", "TagData").Units(), 0);
}

}  // namespace
}  // namespace pds::test
