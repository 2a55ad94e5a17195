#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "pds/PendingError.h"
#include "pds/KeyedCollection.h"

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

}  // namespace
}  // namespace pds
