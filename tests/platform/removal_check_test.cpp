// Whether an entry could be removed is asked before a change that must not
// stop halfway; the answer has to hold for the superuser too, whom only the
// immutable and append-only attributes stop.
#include <fcntl.h>
#include <linux/fs.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/env.h"
#include "tests/support/test_support.h"

namespace pds::platform {
namespace {

namespace fs = std::filesystem;

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
                                           RemovalCase{"AppendOnlyFolder", "", FS_APPEND_FL}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RemovalCheck, MissingEntryAndMissingFolderAreToldApart) {
  pds::test::TempFolder tmp;
  EXPECT_EQ(PosixEnv()->CheckRemovable(tmp / "none").code, 2);
  EXPECT_EQ(PosixEnv()->CheckRemovable(tmp / "gone/none").code, 3);
}

}  // namespace
}  // namespace pds::platform
