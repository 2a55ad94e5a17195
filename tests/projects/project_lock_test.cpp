
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <unistd.h>

#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "tests/projects/record_test_support.h"

namespace pds::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTitle = "LockProjectApp()";
constexpr const char* kInUse = "Project is already in use by another user.";

class ProjectLockTest : public RecordTest {
 protected:
  void SetUp() override {
    Shared().installed_apps = {{"PMP10", "Pump Designer", "1.0", 6},
                               {"LAY10", "Layout Planner", "1.0", 2},
                               {"CAL10", "Unit Calculator", "1.0", 0}};
  }
  std::string LockFile(const std::string& pdsg) const { return temp_ / ("~" + pdsg + ".PLF"); }
};

TEST_F(ProjectLockTest, LockingTwiceKeepsOneHandleAndWritesTheNotice) {
  ProjectRef p = Record();
  ASSERT_TRUE(p->LockProjectApp("LAY10"));
  ASSERT_TRUE(p->LockProjectApp("LAY10"));
  ASSERT_TRUE(p->LockProjectApp("lay10"));  // one designation whatever its case
  EXPECT_EQ(env_.creates(), 1);
  EXPECT_THAT(p->LockHandles(), ::testing::ElementsAre(::testing::Key("LAY10")));
  EXPECT_EQ(temp_.Read("~LAY10.PLF"),
            "ATTENTION:  Project [Job A] is currently open with 'Layout Planner' by another user.");
}

TEST_F(ProjectLockTest, SecondRecordIsAnotherUserUntilTheHolderIsDestroyed) {
  ProjectRef holder = Record();
  ASSERT_TRUE(holder->LockProjectApp("PMP10"));
  ProjectRef other = Record();
  host_->ExpectMsgBox(kTitle, kInUse).ExpectMsgBox(kTitle, kInUse);
  EXPECT_FALSE(other->LockProjectApp("PMP10"));
  EXPECT_FALSE(other->LockProjectApp("pmp10"));
  EXPECT_EQ(host_->shown().at(0).style, vbInformation);
  EXPECT_TRUE(other->LockProjectApp("LAY10"));  // another application shares the project

  holder.reset();
  EXPECT_FALSE(fs::exists(LockFile("PMP10")));
  EXPECT_TRUE(other->LockProjectApp("PMP10"));
  EXPECT_TRUE(fs::exists(LockFile("LAY10")));
}

TEST_F(ProjectLockTest, FolderMustBeGivenAndExist) {
  ProjectRef missing = Record();
  missing->SetJobPath(temp_ / "gone");
  host_->ExpectMsgBox(kTitle, "Project folder not specified.").ExpectMsgBox(kTitle, "Project folder not found.");
  EXPECT_FALSE(std::make_shared<clsProject>()->LockProjectApp("PMP10"));
  EXPECT_FALSE(missing->LockProjectApp("PMP10"));
  EXPECT_EQ(host_->shown().at(1).style, vbExclamation);
}

// Each refusal keeps the one sentence, then says why in words a user can act
// on, names the lock file, and adds the system's text.
struct LockRefusal {
  const char* name;
  int code;
  std::string reason;
};

class LockRefusalTest : public ProjectLockTest, public ::testing::WithParamInterface<LockRefusal> {};

TEST_P(LockRefusalTest, IsReportedWithReasonFileAndSystemError) {
  env_.RefuseLockFiles(GetParam().code);
  ProjectRef p = Record();
  host_->ExpectMsgBox(kTitle, "Project lock file could not be created." + LineBreaks(2) + GetParam().reason +
                                  InBrackets(LockFile("PMP10")) + LineBreaks(2) +
                                  GetSystemErrorText(GetParam().code));
  EXPECT_FALSE(p->LockProjectApp("PMP10"));
  EXPECT_TRUE(p->LockHandles().empty());
  EXPECT_EQ(Err().last_os_error, 0);  // cleared on every exit
}

INSTANTIATE_TEST_SUITE_P(
    Causes, LockRefusalTest,
    ::testing::Values(
        LockRefusal{"ReadOnlyFileSystem", 19, "The project folder is on a read-only file system.\r\n"},
        LockRefusal{"DiskFull", 112, "There is no space left on the disk holding the project folder.\r\n"},
        LockRefusal{"Link", platform::kErrIsLink,
                    "The lock file is a symbolic link.  It is never followed, so that the file it names is left as "
                    "it is; remove the link.\r\n"},
        LockRefusal{"OtherCause", 23, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Access denied is told apart by what stands in the way: the user's own
// read-only lock file, or another user's that the folder keeps.
TEST_F(ProjectLockTest, ReadOnlyLockFileOfThisUserIsNamedAsSuch) {
  temp_.Write("~PMP10.PLF", "left");
  chmod(LockFile("PMP10").c_str(), 0444);
  host_->ExpectMsgBox(kTitle, "Project lock file could not be created." + LineBreaks(2) +
                                  "The lock file left in the project folder is read-only.  Remove it when no one "
                                  "has the project open.\r\n" +
                                  InBrackets(LockFile("PMP10")) + LineBreaks(2) + GetSystemErrorText(5));
  EXPECT_FALSE(Record()->LockProjectApp("PMP10"));
}

TEST_F(ProjectLockTest, AnotherUsersLockFileTheFolderKeepsBlamesTheFolder) {
  temp_.Write("~PMP10.PLF", "left");
  chmod(LockFile("PMP10").c_str(), 0444);
  if (geteuid() != 0 || chown(LockFile("PMP10").c_str(), 65534, 65534) != 0 || !SetFileFlag(temp_.path(), FS_APPEND_FL, true)) {
    GTEST_SKIP() << "needs to give a file away and mark a folder append-only";
  }
  host_->ExpectMsgBox(kTitle, "Project lock file could not be created." + LineBreaks(2) +
                                  "Permission denied: a lock file left in the project folder cannot be written by "
                                  "this user, and the folder does not let this user replace it.\r\n" +
                                  InBrackets(LockFile("PMP10")) + LineBreaks(2) + GetSystemErrorText(5));
  const bool locked = Record()->LockProjectApp("PMP10");
  SetFileFlag(temp_.path(), FS_APPEND_FL, false);
  EXPECT_FALSE(locked);
}

TEST_F(ProjectLockTest, LockProjectLocksForEveryInstalledApplication) {
  clsProjectDataServer server;
  EXPECT_TRUE(server.LockProject());  // no project at all
  EXPECT_EQ(env_.creates(), 0);
  ServerOf(server).SetCurrentProject(Record());
  ASSERT_TRUE(server.LockProject());
  EXPECT_EQ(server.Project()->LockHandles().size(), 3u);
  for (const char* pdsg : {"PMP10", "LAY10", "CAL10"}) EXPECT_TRUE(fs::exists(LockFile(pdsg))) << pdsg;
}

TEST_F(ProjectLockTest, LockProjectStopsAtFirstRefusalAndKeepsEarlierLocks) {
  ProjectRef other_user = Record();
  ASSERT_TRUE(other_user->LockProjectApp("LAY10"));
  clsProjectDataServer server;
  ProjectRef given = Record();
  host_->ExpectMsgBox(kTitle, kInUse);
  EXPECT_FALSE(server.LockProject(given));
  EXPECT_THAT(given->LockHandles(), ::testing::ElementsAre(::testing::Key("PMP10")));
  EXPECT_FALSE(fs::exists(LockFile("CAL10")));
}

}  // namespace
}  // namespace pds::test
