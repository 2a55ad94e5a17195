// The list view's items: where an added item goes in a sorted list, the
// indexes after insertions and removals, and keys that are freed again.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "pds/PendingError.h"
#include "pds/Controls.h"

namespace pds {
namespace {

std::string Order(const ListView& list) {
  std::string s;
  for (int i = 1; i <= list.ItemCount(); ++i) s += list.Item(i)->Key() + " ";
  return s;
}

bool IndexesFollowPositions(const ListView& list) {
  for (int i = 1; i <= list.ItemCount(); ++i) {
    if (list.Item(i)->Index() != i) return false;
  }
  return true;
}

// An item added to a sorted list at a given place must end where sorting the
// whole list again would put it: among the items it ties with, as near to
// the asked place as they allow.
class SortedInsertTest : public ::testing::TestWithParam<std::tuple<int, int>> {
 protected:
  static void Fill(ListView& list) {
    list.AddItem("a", "apple");
    list.AddItem("b1", "Berry");
    list.AddItem("b2", "berry");
    list.AddItem("b3", "BERRY");
    list.AddItem("c", "cherry");
  }
};

TEST_P(SortedInsertTest, AddedItemGoesWhereSortingAgainPutsIt) {
  const auto [index, order] = GetParam();
  ListView sorted("lvwSorted");
  sorted.SetSortOrder(order);
  Fill(sorted);
  sorted.SetSorted(true);
  sorted.AddItem("new", "Berry", index);

  ListView expected("lvwExpected");
  expected.SetSortOrder(order);
  Fill(expected);
  expected.SetSorted(true);
  expected.SetSorted(false);
  expected.AddItem("new", "Berry", index);
  expected.SetSorted(true);

  EXPECT_EQ(Order(sorted), Order(expected));
  EXPECT_TRUE(IndexesFollowPositions(sorted));
}

INSTANTIATE_TEST_SUITE_P(AskedPlaces, SortedInsertTest,
                         ::testing::Combine(::testing::Values(0, 1, 2, 3, 4, 5, 6, 9),
                                            ::testing::Values(lvwAscending, lvwDescending)),
                         [](const auto& info) {
                           return "Place" + std::to_string(std::get<0>(info.param)) +
                                  (std::get<1>(info.param) == lvwAscending ? "Ascending" : "Descending");
                         });

class ListItemsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearError();
    for (const char* key : {"K1", "K2", "K3", "K4"}) list_.AddItem(key, std::string("item ") + key);
  }
  void TearDown() override { ClearError(); }
  ListView list_{"lvwItems"};
};

TEST_F(ListItemsTest, IndexesAndSelectionFollowInsertionsAndRemovalsInTheMiddle) {
  list_.AddItem("K0", "first", 1);
  list_.AddItem("K25", "middle", 4);
  EXPECT_EQ(Order(list_), "K0 K1 K2 K25 K3 K4 ");
  EXPECT_TRUE(IndexesFollowPositions(list_));
  list_.Item(2)->SetSelected(true);
  ASSERT_TRUE(list_.RemoveItem(2));
  EXPECT_EQ(list_.SelectedItem(), nullptr) << "removing the selected item leaves no selection";
  EXPECT_EQ(Order(list_), "K0 K2 K25 K3 K4 ");
  EXPECT_TRUE(IndexesFollowPositions(list_));
  EXPECT_EQ(list_.Item("k3")->Index(), 4);
}

TEST_F(ListItemsTest, KeysAreFoundWithoutCaseAndFreedByRemoval) {
  EXPECT_EQ(list_.Item("k2"), list_.Item(2));
  EXPECT_EQ(list_.AddItem("k2", "again"), nullptr);
  EXPECT_EQ(Err().number, 35602);
  ClearError();
  ASSERT_TRUE(list_.RemoveItem(2));
  EXPECT_EQ(list_.Item("K2"), nullptr);
  ASSERT_NE(list_.AddItem("k2", "again"), nullptr) << "a removed item's key can be given again";
  list_.ClearItems();
  EXPECT_EQ(list_.Item("K1"), nullptr);
  EXPECT_NE(list_.AddItem("K1", "after clearing"), nullptr);
  EXPECT_EQ(Err().number, 0);
}

}  // namespace
}  // namespace pds
