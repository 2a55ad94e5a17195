// Temporary files left by a writer that was killed mid-save are recognised
// and removed; those of a writer that still runs, and everything that merely
// looks alike, stay.
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "platform/env.h"
#include "platform/posix_env.h"
#include "tests/support/test_support.h"

namespace pds::platform {
namespace {

class StaleTempTest : public ::testing::Test {
 protected:
  std::vector<std::string> Names() const { return pds::test::FolderNames(tmp_.path()); }
  Env* env_ = PosixEnv();
  pds::test::TempFolder tmp_;
};

TEST_F(StaleTempTest, LeftoversOfEndedWritersGoAndEverythingElseStays) {
  const std::string dead = std::to_string(pds::test::EndedProcessId());
  const std::string alive = std::to_string(getpid());
  struct Case {
    std::string name;
    bool removed;
  };
  const std::vector<Case> cases = {
      {".PROJECT.QVP.p" + dead + ".0badf00d.tmp", true},    // a save's sibling, writer gone
      {"~QX" + dead + "-1A2B.TMP", true},                    // a compaction's temporary database
      {"~QX" + dead + "-1A2B.TMP-journal", true},            // and its journal
      {".PROJECT.QVP.p" + alive + ".0badf00d.tmp", false},  // this process may still write it
      {"~QX" + alive + "-1A2C.TMP", false},
      {".PROJECT.QVP.0badf00d.tmp", false},  // no writer named: cannot be judged
      {"~QX1A2B.TMP", false},
      {".hidden", false},
      {"PMP10Crv.dat", false},
      {"~PMP10.PLF", false},
  };
  for (const Case& c : cases) std::ofstream(tmp_ / c.name) << "x";
  int removed = -1;
  ASSERT_TRUE(env_->RemoveStaleTempFiles(tmp_.path(), &removed).ok());
  for (const Case& c : cases) EXPECT_EQ(!fs::exists(tmp_ / c.name), c.removed) << c.name;
  EXPECT_EQ(removed, 3);
}

// The lock a writer holds on its temporary file, and with it the file's protection, ends with the writer.
TEST_F(StaleTempTest, AWriterKilledBeforeItsRenameLeavesAFileTheSweepRemoves) {
  pid_t child = fork();
  if (child == 0) {
    std::string left;
    _exit(CreateSiblingTemp(tmp_ / "Project.mdb", 0644, &left) >= 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  std::string ours;
  const int fd = CreateSiblingTemp(tmp_ / "PROJECT.QVP", 0644, &ours);  // still being written
  ASSERT_GE(fd, 0);
  ASSERT_EQ(Names().size(), 2u);
  int removed = 0;
  ASSERT_TRUE(env_->RemoveStaleTempFiles(tmp_.path(), &removed).ok());
  EXPECT_EQ(removed, 1);
  EXPECT_EQ(Names(), std::vector<std::string>{fs::path(ours).filename().string()});
  close(fd);
}

}  // namespace
}  // namespace pds::platform
