// Reading the export set of `pds session export` from JSON: what is refused,
// with the place named, and what a well-formed file gives.
#include "apps/pds/export_json.h"

#include "pds/clsExportTags.h"
#include "tests/support/case_names.h"

namespace pds::app {
namespace {

struct BadJson {
  std::string label;
  std::string text;
  std::string error;
};

class ExportJsonRefusalTest : public ::testing::TestWithParam<BadJson> {};

TEST_P(ExportJsonRefusalTest, NamesThePlaceAndAddsNothing) {
  clsExportTags tags;
  std::string error;
  EXPECT_FALSE(ReadExportSet(GetParam().text, "PMP10", tags, &error));
  EXPECT_EQ(error, GetParam().error);
  EXPECT_EQ(tags.Count(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Json, ExportJsonRefusalTest,
    ::testing::Values(
        BadJson{"Empty file", "", "line 1, column 1: the document ends where a value is expected"},
        BadJson{"Unclosed array", R"({"tags": [})", "line 1, column 11: expected a value"},
        BadJson{"Trailing comma", "{\n  \"tags\": [\n    {\"TagName\": \"P-1\",}\n  ]\n}",
                "line 3, column 23: expected a member name in double quotes"},
        BadJson{"Comment", "{\"tags\": [] // none\n}", "line 1, column 13: expected ',' or '}' after an object member"},
        BadJson{"Member twice", R"({"tags": [], "tags": []})",
                "line 1, column 14: the member \"tags\" appears twice in this object"},
        BadJson{"Leading zero", R"({"tags": [{"LocalTagID": 07}]})",
                "line 1, column 26: a malformed number: no leading zeros"},
        BadJson{"Byte not UTF 8", "{\"tags\": [{\"TagName\": \"\xff\"}]}",
                "line 1, column 24: a byte that is not UTF-8"},
        BadJson{"Lone surrogate", R"({"tags": [{"TagName": "\udc00"}]})",
                "line 1, column 24: a low surrogate \\u escape without its high surrogate"},
        BadJson{"Not an object", "[]", "the document (line 1, column 1): expected an object, found an array"},
        BadJson{"Text for a number", R"({"tags": [{"LocalTagID": "7"}]})",
                "tags[0].LocalTagID (line 1, column 26): expected a number, found text"},
        BadJson{"Fraction for a whole number", R"({"tags": [{"items": [{"SequenceNumber": 1.5}]}]})",
                "tags[0].items[0].SequenceNumber (line 1, column 41): expected a whole number from -2147483648 to "
                "2147483647, found 1.5"},
        BadJson{"Whole number out of range", R"({"tags": [{"LocalTagID": 2147483648}]})",
                "tags[0].LocalTagID (line 1, column 26): expected a whole number from -2147483648 to 2147483647, "
                "found 2147483648"},
        BadJson{"Day that does not exist", R"({"tags": [{"LastModifiedDate": "2026-02-30"}]})",
                "tags[0].LastModifiedDate (line 1, column 32): expected a date \"yyyy-mm-dd hh:mm:ss\" or "
                "\"yyyy-mm-dd\", found \"2026-02-30\""},
        BadJson{"Unknown field", R"({"tags": [{"items": [{"Name": "x"}]}]})",
                "tags[0].items[0].Name (line 1, column 31): unknown field; the fields here are Key, Value, "
                "SequenceNumber"},
        BadJson{"Item without a key", R"({"tags": [{"items": [{"Value": "x"}]}]})",
                "tags[0].items[0] (line 1, column 22): an item needs a Key that is not empty"},
        BadJson{"Same tag name twice", R"({"tags": [{"TagName": "P-1"}, {"TagName": "p-1"}]})",
                "tags[1].TagName (line 1, column 43): the export set already has a tag named \"p-1\" (tags[0]); "
                "names compare without regard to case"}),
    pds::test::ByLabel());

TEST(ExportJsonTest, EveryFieldReachesItsPropertyAndTheDesignationFillsTheRest) {
  const std::string text = R"({"tags": [
    {"TagName": " P-101 ", "StatusIndicator": "1", "LastModified": "today", "LastModifiedDate": "2026-12-05",
     "TableName": "TagData", "LocalTagID": -7, "EquipmentType": 2, "StreamVersion": 1.5e0, "AppVersion": "11",
     "items": [{"Key": "Flow", "Value": "12.5 m\u00b3/h", "SequenceNumber": 1}, {"Key": "Head"}]},
    {}
  ]})";
  clsExportTags tags;
  std::string error;
  ASSERT_TRUE(ReadExportSet(text, "PMP10", tags, &error)) << error;
  ASSERT_EQ(tags.Count(), 2);
  const ExportTagRef tag = tags.Item(Variant("P-101"));
  ASSERT_TRUE(tag);
  EXPECT_EQ(tag->AppName() + "/" + tag->AppVersion(), "PMP/11");
  EXPECT_EQ(tag->StatusIndicator() + "|" + tag->LastModified() + "|" + tag->LastModifiedDate() + "|" + tag->TableName(),
            "1|today|2026-12-05 00:00:00|TagData");
  EXPECT_EQ(tag->LocalTagID(), -7);
  EXPECT_EQ(tag->EquipmentType(), 2);
  EXPECT_EQ(tag->StreamVersion(), 1.5);
  ASSERT_EQ(tag->ItemCount(), 2);
  EXPECT_EQ(tag->Item(Variant(std::int32_t{1}))->Value(), "12.5 m\xc2\xb3/h");
  EXPECT_EQ(tag->Item(Variant("Head"))->SequenceNumber(), 0);
  EXPECT_EQ(tags.Item(Variant(std::int32_t{2}))->TagName(), "");
}

}  // namespace
}  // namespace pds::app
