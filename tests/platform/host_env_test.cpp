// What programs and hosts reach the machine through: the temporary folder can
// be redirected for a while and comes back, and whole trees are made and
// removed, read-only files included.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "pds/HostEnv.h"
#include "tests/support/test_support.h"

namespace pds {
namespace {

TEST(HostEnvTest, ScopedTempFolderRedirectsOnlyWhileItLives) {
  const std::string system = host::TempFolder();
  {
    host::ScopedTempFolder scoped;
    EXPECT_EQ(host::TempFolder(), system) << "nothing is redirected before Set";
    scoped.Set("/somewhere/Temp/");
    EXPECT_EQ(host::TempFolder(), "/somewhere/Temp/");
  }
  EXPECT_EQ(host::TempFolder(), system);
}

TEST(HostEnvTest, TreeIsCreatedAndRemovedWithReadOnlyFiles) {
  test::TempFolder temp;
  const std::string tree = temp / "a";
  ASSERT_TRUE(host::CreateFolders(tree + "/b/c"));
  ASSERT_TRUE(host::WriteFileAtomic(tree + "/b/c/f.txt", "x"));
  ASSERT_EQ(::chmod((tree + "/b/c/f.txt").c_str(), 0444), 0);
  EXPECT_TRUE(host::RemoveTree(tree));
  EXPECT_FALSE(host::Exists(tree));
}

}  // namespace
}  // namespace pds
