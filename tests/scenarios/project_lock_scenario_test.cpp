// Project locks between processes: another process of this test program
// holds a project's lock for one application while this process tries to
// lock the same project, as a second user's application would.

#include <cstdio>

#include "pds/clsProject.h"
#include "platform/env.h"
#include "tests/support/helper_process.h"

namespace pds::test {
namespace {

// args: project folder, designation, marker written once the lock is held.
PDS_TEST_HELPER(hold_project_lock) {
  clsProject project;
  project.SetJobPath(args.at(0));
  if (!project.LockProjectApp(args.at(1))) return 3;
  std::FILE* marker = std::fopen(args.at(2).c_str(), "w");
  if (marker) std::fclose(marker);
  for (;;) pause();
}

class ProjectLockScenarioTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_THAT(host_->Problems(), ::testing::IsEmpty()); }
  // Starts a holder of the project's PMP10 lock and waits, for real, until it holds it.
  bool StartHolder() { return holder_.Start("hold_project_lock", {temp_.path(), "PMP10", temp_ / "held"}, temp_ / "held"); }

  TempFolder temp_;
  ScopedScriptedHost host_;
  HelperProcess holder_;
};

TEST_F(ProjectLockScenarioTest, OtherProcessKeepsOutOnlyItsOwnApplication) {
  ASSERT_TRUE(StartHolder());
  clsProject mine;
  mine.SetJobPath(temp_.path());
  host_->ExpectMsgBox("LockProjectApp()", "Project is already in use by another user.");
  EXPECT_FALSE(mine.LockProjectApp("PMP10"));
  EXPECT_TRUE(mine.LockHandles().empty());
  EXPECT_TRUE(mine.LockProjectApp("LAY10"));
}

TEST_F(ProjectLockScenarioTest, KilledHolderFreesTheProjectAtOnce) {
  ASSERT_TRUE(StartHolder());
  holder_.Kill();
  // The dead holder's file may still be there; its lock is not.
  clsProject mine;
  mine.SetJobPath(temp_.path());
  mine.SetJobName("Next");
  EXPECT_TRUE(mine.LockProjectApp("PMP10"));
  EXPECT_THAT(temp_.Read("~PMP10.PLF"), ::testing::HasSubstr("[Next]"));
}

}  // namespace
}  // namespace pds::test
