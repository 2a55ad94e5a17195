// Data definitions: the lookup through the "TableField" index, the cache of
// the last definition, and what a failed lookup leaves behind.

#include "pds/db/table_def.h"
#include "pds/clsDataDef.h"
#include "tests/tags/tag_fixture.h"

namespace pds::test {
namespace {

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
  // The application database closed under the open definitions table; its
  // Unit column turned into text so that it can hold what is not a number.
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
