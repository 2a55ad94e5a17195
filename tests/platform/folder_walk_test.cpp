#include "platform/folder_walk.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace pds::platform {
namespace {

namespace fs = std::filesystem;

// The walk the readers must reproduce: one folder at a time, its wanted
// files, then each subfolder in listing order, links not followed.
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
    // Deep and wide parts, wanted files at several depths, in either case,
    // a folder and a link that carry the wanted name.
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
};

TEST_P(FolderWalkTest, AnswersInTheSequentialDepthFirstOrder) {
  std::vector<std::string> expected;
  SequentialWalk(tmp_.path() + "/", &expected);
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
  EXPECT_EQ(got, expected);
  EXPECT_EQ(sizes, 3u + (0 + 4 + 8 + 12 + 16 + 20 + 24 + 28) + (0 + 7 + 14 + 21 + 28) + (0 + 9 + 18 + 27 + 36 + 45 + 54));
}

TEST_P(FolderWalkTest, VisitStoppingEndsTheWalkAtThatFolder) {
  std::vector<std::string> expected;
  SequentialWalk(tmp_.path() + "/", &expected);
  std::vector<std::string> visited;
  EXPECT_FALSE(WalkFolders(tmp_.path(), Options(), [&](const WalkedFolder& f) {
    visited.push_back(f.path);
    return visited.size() < 40;
  }, [] {}));
  std::vector<std::string> folders;
  for (const std::string& p : expected) {
    if (p.back() == '/') folders.push_back(p);
  }
  folders.resize(40);
  EXPECT_EQ(visited, folders);
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

TEST_P(FolderWalkTest, MissingRootIsOneUnreadableFolder) {
  int visits = 0;
  EXPECT_TRUE(WalkFolders(tmp_ / "none", Options(), [&](const WalkedFolder& f) {
    ++visits;
    EXPECT_FALSE(f.readable);
    return true;
  }, [] {}));
  EXPECT_EQ(visits, 1);
}

INSTANTIATE_TEST_SUITE_P(Readers, FolderWalkTest, ::testing::Values(1, 2, 4),
                         [](const auto& info) { return std::to_string(info.param) + "Readers"; });

}  // namespace
}  // namespace pds::platform
