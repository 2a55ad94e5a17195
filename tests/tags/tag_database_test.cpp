// The application's tag database and the loading of the tag collections:
// where the working copy is looked for, when dbTag is reused or reopened,
// which rows become entries of UnitTags and in what order, and the tag type.

#include "pds/UiHost.h"
#include "tests/support/case_names.h"
#include "tests/tags/tag_fixture.h"

namespace pds::test {
namespace {

using ::testing::ElementsAre;

class TagDatabaseTest : public TagTest {
 protected:
  void SetUp() override { StartWithNewProject(); }
};

TEST_F(TagDatabaseTest, MissingWorkingCopyIsReportedWithItsPath) {
  // An untitled project has no project folder: no main copy, no project database.
  std::string name = "stale";
  EXPECT_FALSE(ServerOf(server()).GetMainDbName(name));
  EXPECT_FALSE(ServerOf(server()).GetProjDbName(name));
  EXPECT_EQ(name, "");

  const std::string work = WorkTagDb();
  CloseDatabase(server().dbTag());
  std::filesystem::remove(work);
  host_->ExpectMsgBox("GetTempDbName()", "Tag database file was not found:\r\n\r\n" + work);
  EXPECT_FALSE(server().InitTagData());
  EXPECT_EQ(host_->shown().back().style, vbCritical);
}

TEST_F(TagDatabaseTest, OpenTagDatabaseIsReusedAndReopenedAfterClose) {
  ASSERT_TRUE(server().InitTagData());
  const DbHandle first = server().dbTag();
  ASSERT_TRUE(server().InitTagData());
  EXPECT_EQ(server().dbTag(), first);
  first->Close();  // as a save does
  ASSERT_TRUE(server().InitTagData());
  EXPECT_NE(server().dbTag(), first);
  EXPECT_TRUE(CheckDatabaseValid(server().dbTag(), false));
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

}  // namespace
}  // namespace pds::test
