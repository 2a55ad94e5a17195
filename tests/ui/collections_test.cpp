// The keyed collections and the list view's items: keys without case, one-based positions, insertion around
// positions and removal, where an added item goes in a sorted list, and indexes and keys after both.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "pds/Controls.h"
#include "pds/KeyedCollection.h"
#include "pds/PendingError.h"

namespace pds {
namespace {

std::vector<std::string> Contents(const KeyedCollection<std::string>& c) {
  std::vector<std::string> out;
  for (const std::string& s : c) out.push_back(s);
  return out;
}

long RaisedNumber(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

class KeyedCollectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    c_.Add("alpha", KeyOf("Alpha"));
    c_.Add("beta", KeyOf("Beta"));
    c_.Add("gamma", KeyOf("Gamma"));
  }
  KeyedCollection<std::string> c_;
};

TEST_F(KeyedCollectionTest, KeysCompareWithoutCaseAndPositionsAreOneBasedAlsoForItemsWithoutKeys) {
  EXPECT_EQ(c_.Item("kbeta"), "beta");
  EXPECT_EQ(c_.Item("KBETA"), "beta");
  EXPECT_TRUE(c_.Exists("kGAMMA"));
  EXPECT_EQ(c_.Item(1), "alpha");
  EXPECT_EQ(c_.Item(3), "gamma");
  EXPECT_EQ(c_.PositionOf("KGamma"), 3);
  EXPECT_EQ(c_.KeyAt(2), "KBeta") << "the key keeps the case it was added with";
  // Items without keys are addressed by position only.
  c_.Add("no key 1");
  c_.Add("no key 2");
  EXPECT_EQ(c_.Item(5), "no key 2");
  EXPECT_FALSE(c_.Exists(""));
}

TEST_F(KeyedCollectionTest, DuplicateKeyRaises457MissingKeyOrPositionRaises5AndNeitherChangesAnything) {
  EXPECT_EQ(RaisedNumber([&] { c_.Add("again", "KALPHA"); }), 457);
  EXPECT_FALSE(c_.TryAdd("again", "kalpha"));
  EXPECT_EQ(RaisedNumber([&] { c_.Item("KDelta"); }), 5);
  EXPECT_EQ(RaisedNumber([&] { c_.Item(0); }), 5);
  EXPECT_EQ(RaisedNumber([&] { c_.Item(4); }), 5);
  EXPECT_EQ(RaisedNumber([&] { c_.Remove("KDelta"); }), 5);
  EXPECT_EQ(RaisedNumber([&] { c_.AddBefore("x", "", 4); }), 5);
  EXPECT_EQ(c_.Find("KDelta"), nullptr);
  EXPECT_EQ(c_.Find(4), nullptr);
  EXPECT_FALSE(c_.TryRemove(0));
  EXPECT_EQ(c_.Count(), 3);
}

TEST_F(KeyedCollectionTest, InsertAtFrontAndAroundPositions) {
  c_.AddFront("first", "KFirst");
  c_.AddAfter("after-beta", "", 3);
  c_.AddBefore("before-alpha", "", 2);
  EXPECT_EQ(Contents(c_),
            (std::vector<std::string>{"first", "before-alpha", "alpha", "beta", "after-beta", "gamma"}));
  EXPECT_EQ(c_.PositionOf("kfirst"), 1);
  EXPECT_EQ(c_.PositionOf("KGamma"), 6) << "keys follow their items when positions shift";
}

TEST(KeyedCollectionEmptyTest, AddFrontWorksOnAnEmptyCollection) {
  KeyedCollection<int> c;
  c.AddFront(1, "K1");
  c.AddFront(2, "K2");
  EXPECT_EQ(c.Item(1), 2);
  EXPECT_TRUE(c.TryAdd(3, "K3", 3)) << "position Count + 1 appends";
  EXPECT_FALSE(c.TryAdd(4, "K4", 5));
}

TEST_F(KeyedCollectionTest, RemoveByKeyAndPositionKeepsTheRestAddressable) {
  std::string* gamma = c_.Find("KGamma");
  c_.Remove("kalpha");
  EXPECT_FALSE(c_.Exists("KAlpha"));
  EXPECT_EQ(c_.Item(1), "beta");
  c_.Remove(1);
  EXPECT_EQ(c_.Count(), 1);
  EXPECT_EQ(c_.Find("KGamma"), gamma) << "items do not move in memory";
  EXPECT_TRUE(c_.TryAdd("alpha again", "KAlpha")) << "a removed key is free again";
}

TEST_F(KeyedCollectionTest, CopyIsIndependent) {
  KeyedCollection<std::string> copy = c_;
  copy.Item("KBeta") = "changed";
  copy.Remove("KAlpha");
  EXPECT_EQ(c_.Item("KBeta"), "beta");
  EXPECT_EQ(c_.Count(), 3);
  EXPECT_EQ(copy.Item(1), "changed");
  EXPECT_TRUE(copy.Exists("KGamma"));
}

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

// An item added to a sorted list at a given place must end where sorting the whole list again would put it:
// among the items it ties with, as near to the asked place as they allow.
class SortedInsertTest : public ::testing::TestWithParam<std::tuple<int, int>> {
 protected:
  // Fills the list with items of which three tie without case, and sorts it in the order given.
  static void FillSorted(ListView& list, int order) {
    list.SetSortOrder(order);
    list.AddItem("a", "apple");
    list.AddItem("b1", "Berry");
    list.AddItem("b2", "berry");
    list.AddItem("b3", "BERRY");
    list.AddItem("c", "cherry");
    list.SetSorted(true);
  }
};

TEST_P(SortedInsertTest, AddedItemGoesWhereSortingAgainPutsIt) {
  const auto [index, order] = GetParam();
  ListView sorted("lvwSorted");
  FillSorted(sorted, order);
  sorted.AddItem("new", "Berry", index);

  ListView expected("lvwExpected");
  FillSorted(expected, order);
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
