// Folder listings: the wildcard rules of a search, the search's entries,
// ends and failures, and the folder walk, which answers in the sequential
// depth-first order whatever number of threads it uses, stops where a visit
// says so, and counts an unreadable folder as empty.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "platform/dir_search.h"
#include "platform/folder_walk.h"
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

TEST_F(DirSearchTest, StarDotStarListsEverythingPatternsSelectWithoutRegardToCaseAndNoMatchIsFileNotFound) {
  EXPECT_EQ(All("*.*"), (std::set<std::string>{".", "..", "Project.mdb", "PROJECT.QVP", "Job1.QVA", "README",
                                              "Sub.dir"}));
  EXPECT_EQ(All("*.qva"), (std::set<std::string>{"Job1.QVA"}));
  EXPECT_EQ(All("project.*"), (std::set<std::string>{"Project.mdb", "PROJECT.QVP"}));
  Status s;
  EXPECT_TRUE(All("*.xyz", &s).empty());
  EXPECT_EQ(s.code, 2);
  All("missing/*.*", &s);
  EXPECT_EQ(s.code, 3);
}

TEST_F(DirSearchTest, FolderEntryIsMarkedEndOfListingGivesNoMoreFilesAndClosesAndANewFirstReplacesASearch) {
  DirSearch search;
  DirEntry e;
  ASSERT_TRUE(search.First(tmp_ / "sub.DIR", &e).ok());
  EXPECT_EQ(e.name, "Sub.dir");
  EXPECT_TRUE(e.directory);
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

// A search held for the whole process must follow an environment a test installs later.
TEST_F(DirSearchTest, DefaultSearchUsesEnvironmentCurrentAtFirst) {
  pds::test::FaultEnv failing;
  failing.Fail(pds::test::Call::kListFolder, 21);
  DirSearch search;
  DirEntry e;
  ScopedEnv scoped(&failing);
  EXPECT_EQ(search.First(tmp_ / "*.*", &e).code, 21);
}

// The order the readers must reproduce: a folder, its wanted files, then each subfolder, links not followed.
void SequentialWalk(const std::string& folder, std::vector<std::string>* order) {
  order->push_back(folder);
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  std::vector<std::string> subfolders;
  while (dirent* d = readdir(dir)) {
    const std::string name = d->d_name;
    if (name == "." || name == "..") continue;
    struct stat st;
    if (lstat((folder + name).c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) subfolders.push_back(folder + name + "/");
    if (S_ISREG(st.st_mode) && (name == "PROJECT.QVP" || name == "project.qvp")) order->push_back(folder + name);
  }
  closedir(dir);
  for (const std::string& sub : subfolders) SequentialWalk(sub, order);
}

class FolderWalkTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    // Deep and wide parts, wanted files at several depths in either case, a folder and a link of that name.
    for (int i = 0; i < 30; ++i) {
      std::string wide = tmp_ / ("w" + std::to_string(i));
      fs::create_directories(wide + "/a/b");
      if (i % 4 == 0) Put(wide + "/PROJECT.QVP", i);
      if (i % 7 == 0) Put(wide + "/a/b/project.qvp", i);
    }
    std::string deep = tmp_.path();
    for (int d = 0; d < 60; ++d) {
      deep += "/d" + std::to_string(d);
      fs::create_directory(deep);
      if (d % 9 == 0) Put(deep + "/PROJECT.QVP", d);
    }
    fs::create_directories(tmp_ / "folder/PROJECT.QVP");
    fs::create_directory_symlink(tmp_.path(), tmp_ / "loop");
    Put(tmp_ / "PROJECT.QVP", 3);
    SequentialWalk(tmp_.path() + "/", &expected_);
  }
  static void Put(const std::string& path, int size) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    std::fputs(std::string(static_cast<std::size_t>(size), 'x').c_str(), f);
    std::fclose(f);
  }
  FolderWalkOptions Options() const {
    FolderWalkOptions options;
    options.file_name = "PROJECT.QVP";
    options.threads = GetParam();
    return options;
  }
  test::TempFolder tmp_;
  std::vector<std::string> expected_;  // folders and wanted files in the sequential order
};

TEST_P(FolderWalkTest, AnswersInTheSequentialDepthFirstOrderAndStopsWhereAVisitSays) {
  std::vector<std::string> got;
  std::uint64_t sizes = 0;
  EXPECT_TRUE(WalkFolders(tmp_.path(), Options(), [&](const WalkedFolder& f) {
    got.push_back(f.path);
    for (const FoundFile& file : f.files) {
      got.push_back(f.path + file.name);
      sizes += file.size;
    }
    return true;
  }, [] {}));
  EXPECT_EQ(got, expected_);
  EXPECT_EQ(sizes, 3u + (0 + 4 + 8 + 12 + 16 + 20 + 24 + 28) + (0 + 7 + 14 + 21 + 28) + (0 + 9 + 18 + 27 + 36 + 45 + 54));
  std::vector<std::string> visited;
  EXPECT_FALSE(WalkFolders(tmp_.path(), Options(), [&](const WalkedFolder& f) {
    visited.push_back(f.path);
    return visited.size() < 40;
  }, [] {}));
  std::vector<std::string> folders;
  for (const std::string& p : expected_) {
    if (p.back() == '/') folders.push_back(p);
  }
  folders.resize(40);
  EXPECT_EQ(visited, folders);
  int visits = 0;  // a missing root is one unreadable folder
  EXPECT_TRUE(WalkFolders(tmp_ / "none", Options(), [&](const WalkedFolder& f) {
    ++visits;
    EXPECT_FALSE(f.readable);
    return true;
  }, [] {}));
  EXPECT_EQ(visits, 1);
}

TEST_P(FolderWalkTest, UnreadableFolderCountsAsEmpty) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every folder";
  chmod((tmp_ / "w0").c_str(), 0);
  std::vector<std::string> unreadable;
  int found = 0;
  WalkFolders(tmp_.path(), Options(), [&](const WalkedFolder& f) {
    if (!f.readable) unreadable.push_back(f.path);
    found += static_cast<int>(f.files.size());
    return true;
  }, [] {});
  chmod((tmp_ / "w0").c_str(), 0755);
  EXPECT_EQ(unreadable, std::vector<std::string>{tmp_ / "w0/"});
  EXPECT_EQ(found, 1 + 8 + 5 + 7 - 2);  // w0 held one at its top and one below
}

INSTANTIATE_TEST_SUITE_P(Readers, FolderWalkTest, ::testing::Values(1, 2, 4),
                         [](const auto& info) { return std::to_string(info.param) + "Readers"; });

}  // namespace
}  // namespace pds::platform
