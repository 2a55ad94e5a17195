// The keyed-collection rules of the tag collections.
#include <gtest/gtest.h>

#include "pds/clsUnitTags.h"

namespace pds {
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
  // Removing by position goes by the position's text as a key: only a tag
  // named "3" would go, and there is none.
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

}  // namespace
}  // namespace pds
