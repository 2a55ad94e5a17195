// The tag collections and the export set's: names without case (the later
// entry replacing the earlier one, or refused by the export set), how a
// position or a name selects an entry, the current tag of the selection, and
// how an exported tag takes its application code and version.

#include "pds/clsExportTags.h"
#include "pds/clsUnitTags.h"
#include "tests/support/case_names.h"

namespace pds::test {
namespace {

TEST(UnitTagsTest, NamesDifferingInCaseAreOneEntryAndTheLaterReplaces) {
  clsUnitTags tags;
  tags.Add("pump", 1);
  UnitTagRef later = tags.Add("PUMP", 2);
  ASSERT_EQ(tags.Count(), 1);
  EXPECT_EQ(tags.Item("Pump"), later);
  EXPECT_EQ(later->Index(), 2);
  EXPECT_EQ(later->Name(), "PUMP");
}

TEST(UnitTagsTest, APositionSelectsByOrderAndTextByName) {
  clsUnitTags tags;
  tags.Add("A", 10);
  tags.Add("2", 20);
  tags.Add("C", 30);
  EXPECT_EQ(tags.Item(2L)->Name(), "2");
  EXPECT_EQ(tags.Item(3L)->Name(), "C");
  EXPECT_EQ(tags.Item("2")->Index(), 20);
  EXPECT_EQ(tags.Item(0L), nullptr);
  EXPECT_EQ(tags.Item(4L), nullptr);
  EXPECT_EQ(tags.Item("missing"), nullptr);
  // Removing by position goes by the position's text as a key: only a tag named "3" would go, and there is none.
  EXPECT_FALSE(tags.Remove(3L));
  EXPECT_TRUE(tags.Remove(2L));
  EXPECT_EQ(tags.Count(), 2);
  EXPECT_TRUE(tags.Remove("a"));
  EXPECT_FALSE(tags.Remove("a"));
}

TEST(UnitTagsTest, SelectedTagsFollowTheCurrentTag) {
  clsSelectedTags selected;
  UnitTagRef kept = selected.Add("Pump", 1);
  EXPECT_EQ(selected.CurrentTag(), kept);
  selected.Add("Motor", 2);
  EXPECT_EQ(selected.CurrentTag()->Name(), "Motor");
  EXPECT_TRUE(selected.Remove("Motor"));
  EXPECT_EQ(selected.CurrentTag(), nullptr);
  selected.Clear();
  EXPECT_EQ(selected.Count(), 0);
  // Entries are shared: a caller keeps its entry after the collection let go.
  EXPECT_EQ(kept->Name(), "Pump");
}

// Tags "AHU-1", "1" and one without a name, in that order.
struct ExportSet {
  ExportSet() {
    tags.AddTag("AHU-1");
    tags.AddTag("1");
    tags.AddTag("");
  }
  clsExportTags tags;
};

struct LookupCase {
  std::string label;
  Variant index;
  std::string found;  // the tag's name, "#3" for the unnamed one, "<null>" for none
};

class ExportLookupTest : public ::testing::TestWithParam<LookupCase> {};

TEST_P(ExportLookupTest, FindsByPositionOrName) {
  ExportSet set;
  const ExportTagRef tag = set.tags.Item(GetParam().index);
  const std::string found = !tag ? "<null>" : tag == set.tags.Item(Variant(std::int32_t{3})) ? "#3" : tag->TagName();
  EXPECT_EQ(found, GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(
    Index, ExportLookupTest,
    ::testing::Values(LookupCase{"Long position", Variant(std::int32_t{1}), "AHU-1"},
                      LookupCase{"Integer position", Variant(std::int16_t{2}), "1"},
                      LookupCase{"Unnamed by position", Variant(std::int32_t{3}), "#3"},
                      LookupCase{"Number as text is a name", Variant("1"), "1"},
                      LookupCase{"Double is a name", Variant(1.0), "1"},
                      LookupCase{"Name ignores case", Variant("ahu-1"), "AHU-1"},
                      LookupCase{"Empty name finds no unnamed tag", Variant(""), "<null>"},
                      LookupCase{"Position zero", Variant(std::int32_t{0}), "<null>"},
                      LookupCase{"Position past the end", Variant(std::int32_t{4}), "<null>"},
                      LookupCase{"Missing name", Variant("AHU-2"), "<null>"}),
    ByLabel());

struct CodeCase {
  std::string label;
  std::string pdsg;
  std::string app_name;
  std::string app_version;
};

class ExportAddTagTest : public ::testing::TestWithParam<CodeCase> {};

TEST_P(ExportAddTagTest, SplitsOnlyAFiveCharacterCode) {
  clsExportTags tags;
  const ExportTagRef tag = tags.AddTag(" AHU-1 ", GetParam().pdsg);
  ASSERT_TRUE(tag);
  EXPECT_EQ(tag->TagName(), "AHU-1");
  EXPECT_EQ(tag->AppName(), GetParam().app_name);
  EXPECT_EQ(tag->AppVersion(), GetParam().app_version);
}

INSTANTIATE_TEST_SUITE_P(Code, ExportAddTagTest,
                         ::testing::Values(CodeCase{"Five characters", "ABC12", "ABC", "12"},
                                           CodeCase{"Blanks trimmed first", "  ABC12 ", "ABC", "12"},
                                           CodeCase{"Four characters", "ABC1", "", ""},
                                           CodeCase{"Six characters", "ABC123", "", ""},
                                           CodeCase{"None", "", "", ""}),
                         ByLabel());

TEST(ExportSetTest, ASecondEntryOfANameIsRefusedAndTheFirstKept) {
  clsExportTags tags;
  const ExportTagRef first = tags.AddTag("AHU-1", "ABC12");
  EXPECT_FALSE(tags.AddTag("ahu-1", "XYZ99"));
  EXPECT_EQ(tags.Count(), 1);
  EXPECT_EQ(first->AppName(), "ABC");

  ASSERT_TRUE(first->AddTagData("Flow", "12.5", 1));
  EXPECT_FALSE(first->AddTagData("FLOW", "99", 2));
  EXPECT_EQ(first->ItemCount(), 1);
  EXPECT_EQ(first->Item(Variant("flow"))->Value(), "12.5");
}

TEST(ExportSetTest, DeleteRemovesTheNamedEntryOnlyAndEnumerationKeepsOrder) {
  ExportSet set;
  EXPECT_TRUE(set.tags.Delete(Variant("1")));
  // The unnamed tag has no key to remove it under.
  EXPECT_FALSE(set.tags.Delete(Variant(std::int32_t{2})));
  EXPECT_FALSE(set.tags.Delete(Variant("missing")));
  std::string order;
  for (const ExportTagRef& tag : set.tags) order += "[" + tag->TagName() + "]";
  EXPECT_EQ(order, "[AHU-1][]");
}

}  // namespace
}  // namespace pds::test
