// Entries planted where the component expects its own (links, pipes, devices,
// oversized files) are never followed outside the folder worked on, and
// whether an entry could be removed is answered truly, for the superuser too.
#include <linux/fs.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "platform/env.h"
#include "platform/posix_env.h"
#include "tests/support/test_support.h"

namespace pds::platform {
namespace {

// What a test plants under a name.
enum class Planted { kLinkToFolder, kLinkToFile, kDanglingLink, kFifo, kFolder, kLinkToDevZero };

class HostileEntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(outside_);
    std::ofstream(outside_ + "/precious.txt") << "user data";
  }

  // Plants an entry at path; links point into the outside folder.
  void Plant(Planted what, const std::string& path) {
    switch (what) {
      case Planted::kLinkToFolder: fs::create_directory_symlink(outside_, path); break;
      case Planted::kLinkToFile: fs::create_symlink(outside_ + "/precious.txt", path); break;
      case Planted::kDanglingLink: fs::create_symlink(outside_ + "/made-through-link", path); break;
      case Planted::kFifo: ASSERT_EQ(mkfifo(path.c_str(), 0644), 0); break;
      case Planted::kFolder: fs::create_directory(path); break;
      case Planted::kLinkToDevZero: fs::create_symlink("/dev/zero", path); break;
    }
  }

  // The outside folder holds exactly what it held before.
  void ExpectOutsideUntouched() {
    EXPECT_EQ(pds::test::FolderNames(outside_), std::vector<std::string>{"precious.txt"});
    EXPECT_EQ(tmp_.Read("outside/precious.txt"), "user data");
  }

  Env* env_ = PosixEnv();
  pds::test::TempFolder tmp_;
  std::string outside_ = tmp_ / "outside";
};

// ---- emptying a folder

TEST_F(HostileEntryTest, EmptyFolderRemovesLinksAsLinksAndKeepsFoldersAndHiddenNames) {
  const std::string work = tmp_ / "~PMP10";
  fs::create_directory(work);
  Plant(Planted::kLinkToFolder, work + "/into-folder");
  Plant(Planted::kLinkToFile, work + "/into-file");
  Plant(Planted::kDanglingLink, work + "/dangling");
  Plant(Planted::kFifo, work + "/pipe");
  Plant(Planted::kFolder, work + "/sub");
  std::ofstream(work + "/PMP10Crv.dat") << "x";
  std::ofstream(work + "/.hidden") << "x";

  ASSERT_TRUE(env_->EmptyFolder(work, false).ok());
  EXPECT_EQ(pds::test::FolderNames(work), (std::vector<std::string>{".hidden", "sub"}));
  ExpectOutsideUntouched();
}

// ---- reading and copying only plain files

struct UnreadableCase {
  const char* name;
  Planted what;
  int code;
};

class UnreadableEntryTest : public HostileEntryTest, public ::testing::WithParamInterface<UnreadableCase> {};

TEST_P(UnreadableEntryTest, ReadAndCopyRefuseAtOnceAndLeaveNoCopy) {
  const std::string path = tmp_ / "PROJECT.QVP";
  Plant(GetParam().what, path);
  std::string content = "before";
  EXPECT_EQ(env_->ReadFile(path, &content).code, GetParam().code);
  EXPECT_EQ(content, "before");
  EXPECT_EQ(env_->CopyFile(path, tmp_ / "copy").code, GetParam().code);
  EXPECT_FALSE(fs::exists(tmp_ / "copy"));
  FileAttributes attributes;
  if (env_->GetAttributes(path, &attributes).ok()) {
    EXPECT_TRUE(attributes.special || attributes.directory);
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, UnreadableEntryTest,
                         ::testing::Values(UnreadableCase{"Fifo", Planted::kFifo, kErrNotRegularFile},
                                           UnreadableCase{"LinkToDevZero", Planted::kLinkToDevZero,
                                                          kErrNotRegularFile},
                                           UnreadableCase{"Folder", Planted::kFolder, 5},
                                           UnreadableCase{"DanglingLink", Planted::kDanglingLink, 2}),
                         pds::test::ByName());

TEST_F(HostileEntryTest, ReadFileRefusesAFileLargerThanAnyProfile) {
  const std::string big = tmp_ / "PROJECT.QVP";
  std::ofstream(big) << "[Project]\r\n";
  fs::resize_file(big, kMaxReadFileBytes + 1);  // sparse: no real disk use
  std::string content;
  EXPECT_EQ(env_->ReadFile(big, &content).code, kErrFileTooLarge);
  fs::resize_file(big, kMaxReadFileBytes);
  EXPECT_TRUE(env_->ReadFile(big, &content).ok());
  EXPECT_EQ(content.size(), kMaxReadFileBytes);
}

// ---- lock files

class PlantedLockFileTest : public HostileEntryTest, public ::testing::WithParamInterface<UnreadableCase> {};

TEST_P(PlantedLockFileTest, IsRefusedAndNothingOutsideIsWritten) {
  const std::string lock = tmp_ / "~LAY10.PLF";
  Plant(GetParam().what, lock);
  int handle = 0;
  EXPECT_EQ(env_->CreateLockFile(lock, "ATTENTION", &handle).code, GetParam().code);
  ExpectOutsideUntouched();
  EXPECT_FALSE(fs::exists(outside_ + "/made-through-link"));
  EXPECT_TRUE(fs::exists(fs::symlink_status(lock)));  // refused, not removed
}

INSTANTIATE_TEST_SUITE_P(Kinds, PlantedLockFileTest,
                         ::testing::Values(UnreadableCase{"LinkToFile", Planted::kLinkToFile, kErrIsLink},
                                           UnreadableCase{"DanglingLink", Planted::kDanglingLink, kErrIsLink},
                                           UnreadableCase{"LinkToFolder", Planted::kLinkToFolder, kErrIsLink},
                                           UnreadableCase{"Fifo", Planted::kFifo, kErrNotRegularFile},
                                           UnreadableCase{"Folder", Planted::kFolder, kErrNotRegularFile}),
                         pds::test::ByName());

struct RemovalCase {
  const char* name;
  const char* flagged;  // relative to the folder: "" for the folder itself, else the entry
  int flag;
};

class RemovalCheckTest : public ::testing::TestWithParam<RemovalCase> {
 protected:
  void TearDown() override {
    if (!flagged_.empty()) pds::test::SetFileFlag(flagged_, GetParam().flag, false);
  }
  Env* env_ = PosixEnv();
  pds::test::TempFolder tmp_;
  std::string flagged_;
};

TEST_P(RemovalCheckTest, FrozenEntryOrFolderIsRefusedAndAPlainOneAllowed) {
  const std::string folder = tmp_ / "project";
  fs::create_directory(folder);
  const std::string file = folder + "/PROJECT.QVP";
  tmp_.Write("project/PROJECT.QVP", "[Application Data]\r\n");
  EXPECT_TRUE(env_->CheckRemovable(file).ok());
  const std::string target = *GetParam().flagged ? folder + "/" + GetParam().flagged : folder;
  if (!pds::test::SetFileFlag(target, GetParam().flag, true)) GTEST_SKIP() << "cannot set file attributes here";
  flagged_ = target;
  EXPECT_EQ(env_->CheckRemovable(file).code, kErrFrozen);
  EXPECT_TRUE(fs::exists(file));
}

INSTANTIATE_TEST_SUITE_P(Attributes, RemovalCheckTest,
                         ::testing::Values(RemovalCase{"ImmutableFile", "PROJECT.QVP", FS_IMMUTABLE_FL},
                                           RemovalCase{"AppendOnlyFile", "PROJECT.QVP", FS_APPEND_FL},
                                           RemovalCase{"ImmutableFolder", "", FS_IMMUTABLE_FL},
                                           RemovalCase{"AppendOnlyFolder", "", FS_APPEND_FL}), pds::test::ByName());

TEST(RemovalCheck, MissingEntryAndMissingFolderAreToldApart) {
  pds::test::TempFolder tmp;
  EXPECT_EQ(PosixEnv()->CheckRemovable(tmp / "none").code, 2);
  EXPECT_EQ(PosixEnv()->CheckRemovable(tmp / "gone/none").code, 3);
}

}  // namespace
}  // namespace pds::platform
