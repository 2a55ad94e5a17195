#include <stdlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <regex>
#include <set>

#include "platform/env.h"
#include "tests/support/test_support.h"

namespace pds::platform {
namespace {

namespace fs = std::filesystem;

class TempFileTest : public ::testing::Test {
 protected:
  Env* env_ = PosixEnv();
  pds::test::TempFolder tmp_;
};

TEST_F(TempFileTest, NamesKeepPrefixAreUniqueAndFilesAreEmptyAndAMissingFolderIsPathNotFound) {
  const std::regex shape("~QX[0-9A-F]{4}\\.TMP");
  std::set<std::string> seen;
  for (int i = 0; i < 300; ++i) {
    std::string path;
    ASSERT_TRUE(env_->CreateTempFile(tmp_.path(), "~QX", &path).ok());
    EXPECT_EQ(fs::path(path).parent_path(), fs::path(tmp_.path()));
    std::string name = fs::path(path).filename().string();
    EXPECT_TRUE(std::regex_match(name, shape)) << name;
    EXPECT_TRUE(seen.insert(name).second) << "repeated " << name;
    EXPECT_EQ(fs::file_size(path), 0u);
  }
  std::string path;
  ASSERT_TRUE(env_->CreateTempFile(tmp_.path() + "/", "p", &path).ok());
  EXPECT_EQ(path.find("//"), std::string::npos) << "a folder's trailing slash is not doubled: " << path;
  EXPECT_EQ(env_->CreateTempFile(tmp_ / "missing", "~QX", &path).code, 3);
}

TEST(TempFolderTest, FollowsTmpdirAndEndsWithSlash) {
  {
    pds::test::ScopedEnvVar v("TMPDIR", "/var/tmp");
    EXPECT_EQ(PosixEnv()->TempFolder(), "/var/tmp/");
  }
  {
    pds::test::ScopedEnvVar v("TMPDIR", nullptr);
    EXPECT_EQ(PosixEnv()->TempFolder(), "/tmp/");
  }
}

TEST(VolumeTest, MaxFileNameLengthOfPathNotYetCreatedIsItsVolumes) {
  pds::test::TempFolder tmp;
  int existing = PosixEnv()->MaxFileNameLength(tmp.path());
  EXPECT_GT(existing, 0);
  EXPECT_EQ(PosixEnv()->MaxFileNameLength(tmp / "not/yet/there.mdb"), existing);
}

TEST(VolumeTest, LogicalDrivesStartAtRootAndLeaveOutSystemTrees) {
  std::vector<std::string> drives = PosixEnv()->LogicalDrives();
  ASSERT_FALSE(drives.empty());
  EXPECT_EQ(drives[0], "/");
  for (const std::string& d : drives) {
    EXPECT_NE(d.rfind("/proc", 0), 0u) << d;
    EXPECT_NE(d.rfind("/sys", 0), 0u) << d;
    EXPECT_TRUE(fs::is_directory(d)) << d;
  }
  std::set<std::string> unique(drives.begin(), drives.end());
  EXPECT_EQ(unique.size(), drives.size());
}

TEST(ModuleTest, ModuleFolderIsTheFolderOfTheProgramHoldingTheCode) {
  // The test program links the platform objects in, so it is the module.
  EXPECT_EQ(PosixEnv()->ModuleFolder(), fs::path(pds::test::SelfPath()).parent_path().string());
}

}  // namespace
}  // namespace pds::platform
