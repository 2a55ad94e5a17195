#include "platform/dir_search.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "tests/support/case_names.h"
#include "tests/support/fault_env.h"
#include "tests/support/test_support.h"

namespace pds::platform {
namespace {

struct WildcardCase {
  const char* pattern;
  const char* name;
  bool matches;
};

class WildcardMatchTest : public ::testing::TestWithParam<WildcardCase> {};

TEST_P(WildcardMatchTest, FollowsWindowsSearchRules) {
  const WildcardCase& c = GetParam();
  EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.matches) << "pattern " << c.pattern << " name " << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, WildcardMatchTest,
    ::testing::Values(
        // "*.*" is every name, with or without a dot
        WildcardCase{"*.*", "README", true}, WildcardCase{"*.*", "a.b.c", true},
        WildcardCase{"*.*", ".hidden", true}, WildcardCase{"*", "anything.at.all", true},
        // a trailing "." keeps only names without a dot
        WildcardCase{"*.", "README", true}, WildcardCase{"*.", "read.me", false},
        WildcardCase{"abc.", "abc", true}, WildcardCase{"abc.", "abc.txt", false},
        // "name.*" also finds the bare name
        WildcardCase{"abc.*", "abc", true}, WildcardCase{"abc.*", "abc.QVP", true},
        WildcardCase{"abc.*", "abcd", false}, WildcardCase{"abc.*", "ab", false},
        // "?" is exactly one character
        WildcardCase{"?", "a", true}, WildcardCase{"?", "", false}, WildcardCase{"?", "ab", false},
        WildcardCase{"Prj??000.mdb", "Prjxy000.mdb", true}, WildcardCase{"Prj??000.mdb", "Prjx000.mdb", false},
        // without regard to case, ASCII letters only
        WildcardCase{"*.qva", "JOB1.QVA", true}, WildcardCase{"PROJECT.QVP", "project.qvp", true},
        WildcardCase{"\xC3\xA9*", "\xC3\x89t\xC3\xA9", false},
        // stars backtrack over repeated pieces
        WildcardCase{"*a*b", "xaybzab", true}, WildcardCase{"*a*b", "xaybza", false},
        WildcardCase{"*.mdb", "Project.mdb.bak", false}, WildcardCase{"~*.PLF", "~ABC12.PLF", true},
        // the entries "." and ".." are found by a pattern of dots
        WildcardCase{".", ".", true}, WildcardCase{"..", "..", true}, WildcardCase{".", "..", false},
        // an empty pattern finds nothing
        WildcardCase{"", "a", false}),
    [](const auto& info) { return pds::test::SpelledName(info.param.pattern) + "_" + pds::test::SpelledName(info.param.name); });

class DirSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tmp_.Write("Project.mdb", "x");
    tmp_.Write("PROJECT.QVP", "x");
    tmp_.Write("Job1.QVA", "x");
    tmp_.Write("README", "x");
    std::filesystem::create_directory(tmp_ / "Sub.dir");
  }

  // Every name the search returns, in one set.
  std::set<std::string> All(const std::string& pattern, Status* first_status = nullptr) {
    std::set<std::string> names;
    DirSearch search;
    DirEntry e;
    Status s = search.First(tmp_ / pattern, &e);
    if (first_status) *first_status = s;
    while (s.ok()) {
      names.insert(e.name);
      s = search.Next(&e);
    }
    EXPECT_FALSE(search.is_open());
    return names;
  }

  pds::test::TempFolder tmp_;
};

TEST_F(DirSearchTest, StarDotStarListsEverythingAndPatternsSelectWithoutRegardToCase) {
  EXPECT_EQ(All("*.*"), (std::set<std::string>{".", "..", "Project.mdb", "PROJECT.QVP", "Job1.QVA", "README",
                                              "Sub.dir"}));
  EXPECT_EQ(All("*.qva"), (std::set<std::string>{"Job1.QVA"}));
  EXPECT_EQ(All("project.*"), (std::set<std::string>{"Project.mdb", "PROJECT.QVP"}));
}

TEST_F(DirSearchTest, DirectoryEntryCarriesFolderAttribute) {
  DirSearch search;
  DirEntry e;
  ASSERT_TRUE(search.First(tmp_ / "sub.DIR", &e).ok());
  EXPECT_EQ(e.name, "Sub.dir");
  EXPECT_TRUE(e.directory);
}

TEST_F(DirSearchTest, NoMatchGivesFileNotFoundAndAMissingFolderPathNotFound) {
  Status s;
  EXPECT_TRUE(All("*.xyz", &s).empty());
  EXPECT_EQ(s.code, 2);
  All("missing/*.*", &s);
  EXPECT_EQ(s.code, 3);
}

TEST_F(DirSearchTest, EndOfListingGivesNoMoreFilesAndClosesAndANewFirstReplacesASearch) {
  DirSearch search;
  DirEntry e;
  ASSERT_TRUE(search.First(tmp_ / "README", &e).ok());
  EXPECT_TRUE(search.is_open());
  EXPECT_EQ(search.Next(&e).code, 18);
  EXPECT_FALSE(search.is_open());
  EXPECT_EQ(search.Next(&e).code, 18);
  // A new First replaces an earlier search.
  ASSERT_TRUE(search.First(tmp_ / "*.*", &e).ok());
  ASSERT_TRUE(search.First(tmp_ / "*.QVA", &e).ok());
  EXPECT_EQ(e.name, "Job1.QVA");
  EXPECT_EQ(search.Next(&e).code, 18);
}

// A search held for the whole process must follow an environment a test
// installs later.
TEST_F(DirSearchTest, DefaultSearchUsesEnvironmentCurrentAtFirst) {
  pds::test::FaultEnv failing;
  failing.Fail(pds::test::Call::kListFolder, 21);
  DirSearch search;
  DirEntry e;
  ScopedEnv scoped(&failing);
  EXPECT_EQ(search.First(tmp_ / "*.*", &e).code, 21);
}

}  // namespace
}  // namespace pds::platform
