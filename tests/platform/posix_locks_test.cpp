#include <sys/stat.h>

#include <fstream>

#include "platform/env.h"
#include "tests/support/helper_process.h"

namespace pds::platform {
namespace {

// Holds on to whatever the helper took until it is killed.
[[noreturn]] void SignalReadyAndWait(const std::string& marker) {
  std::ofstream(marker) << "ready";
  for (;;) pause();
}

// args: lock file path, marker path
PDS_TEST_HELPER(hold_lock_file) {
  int handle = 0;
  if (!PosixEnv()->CreateLockFile(args.at(0), "helper", &handle).ok()) return 2;
  SignalReadyAndWait(args.at(1));
}

// args: database path, "shared" or "exclusive", marker path
PDS_TEST_HELPER(hold_range_lock) {
  int handle = 0;
  RangeLock mode = args.at(1) == "exclusive" ? RangeLock::kExclusive : RangeLock::kShared;
  if (!PosixEnv()->LockFileRange(args.at(0), mode, &handle).ok()) return 2;
  SignalReadyAndWait(args.at(2));
}

// The other process is this program run as a helper that takes the lock and waits to be killed.
class LockTest : public ::testing::Test {
 protected:
  // Starts the holder and waits until it holds its lock.
  bool StartHolder(const std::string& helper, std::vector<std::string> args) {
    args.push_back(tmp_ / "ready");
    return holder_.Start(helper, args, tmp_ / "ready");
  }

  Env* env_ = PosixEnv();
  pds::test::TempFolder tmp_;
  const std::string lock_ = tmp_ / "~ABC12.PLF";
  pds::test::HelperProcess holder_;  // killed, and its files closed, before the folder goes
};

// ---- lock files

TEST_F(LockTest, LockFileHoldsContentRefusesASecondHolderInThisProcessAndIsRemovedOnRelease) {
  int h = 0, h2 = 0;
  EXPECT_EQ(env_->CreateLockFile(tmp_ / "gone/~ABC12.PLF", "x", &h).code, 3);
  ASSERT_TRUE(env_->CreateLockFile(lock_, "first", &h).ok());
  EXPECT_EQ(env_->CreateLockFile(lock_, "second", &h2).code, 32);
  EXPECT_EQ(tmp_.Read("~ABC12.PLF"), "first");
  ASSERT_TRUE(env_->ReleaseLockFile(h).ok());
  EXPECT_FALSE(fs::exists(lock_));
  EXPECT_EQ(env_->ReleaseLockFile(h).code, 6);
  EXPECT_TRUE(env_->CreateLockFile(lock_, "second", &h2).ok());
  EXPECT_TRUE(env_->ReleaseLockFile(h2).ok());
}

TEST_F(LockTest, HolderInOtherProcessIsSharingViolationUntilKilledThenTheNextOpenerTakesTheFileOver) {
  ASSERT_TRUE(StartHolder("hold_lock_file", {lock_}));
  int h = 0;
  EXPECT_EQ(env_->CreateLockFile(lock_, "me", &h).code, 32);
  EXPECT_EQ(tmp_.Read("~ABC12.PLF"), "helper");
  holder_.Kill();
  ASSERT_TRUE(fs::exists(lock_));  // no delete-on-close here: the file stays, its lock does not
  ASSERT_TRUE(env_->CreateLockFile(lock_, "me", &h).ok());
  EXPECT_EQ(tmp_.Read("~ABC12.PLF"), "me");
  EXPECT_TRUE(env_->ReleaseLockFile(h).ok());
}

// A child must not inherit a held lock, or the lock outlives its release for as long as the child runs;
// and a release removes only the file it locked, not a new holder's file at the same path.
TEST_F(LockTest, ReleaseEndsTheLockThoughAChildWasStartedAndLeavesSomeoneElsesNewLockFileAlone) {
  int h = 0, old_handle = 0, new_handle = 0;
  ASSERT_TRUE(env_->CreateLockFile(lock_, "me", &h).ok());
  int pid = 0;
  ASSERT_TRUE(env_->StartProcess({"/bin/sh", "-c", "sleep 30"}, &pid).ok());
  ASSERT_TRUE(env_->ReleaseLockFile(h).ok());
  EXPECT_TRUE(env_->CreateLockFile(lock_, "again", &h).ok());
  EXPECT_TRUE(env_->ReleaseLockFile(h).ok());
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  ASSERT_TRUE(env_->CreateLockFile(lock_, "old", &old_handle).ok());
  fs::remove(lock_);
  ASSERT_TRUE(env_->CreateLockFile(lock_, "new", &new_handle).ok());
  ASSERT_TRUE(env_->ReleaseLockFile(old_handle).ok());
  EXPECT_EQ(tmp_.Read("~ABC12.PLF"), "new");
  EXPECT_EQ(env_->CreateLockFile(lock_, "third", &h).code, 32);
  EXPECT_TRUE(env_->ReleaseLockFile(new_handle).ok());
}

// ---- database range locks

class RangeLockTest : public LockTest {
 protected:
  void SetUp() override { db_ = tmp_.Write("Project.mdb", "database"); }

  Status Lock(RangeLock mode) {
    int h = 0;
    Status s = env_->LockFileRange(db_, mode, &h);
    if (s.ok()) handles_.push_back(h);
    return s;
  }

  void ReleaseAll() {
    for (int h : handles_) EXPECT_TRUE(env_->ReleaseRangeLock(h).ok());
    handles_.clear();
  }

  void TearDown() override { ReleaseAll(); }

  std::string db_;
  std::vector<int> handles_;
};

// The range lies far beyond the bytes SQLite locks, so the file's content is untouched.
TEST_F(RangeLockTest, SharedLocksCoexistInOneProcessAndAnExclusiveOneShutsOutEveryOtherOpenUntilReleased) {
  EXPECT_TRUE(Lock(RangeLock::kShared).ok());
  EXPECT_TRUE(Lock(RangeLock::kShared).ok());
  EXPECT_EQ(Lock(RangeLock::kExclusive).code, 32);
  ReleaseAll();
  ASSERT_TRUE(Lock(RangeLock::kExclusive).ok());
  EXPECT_EQ(tmp_.Read("Project.mdb"), "database");
  EXPECT_EQ(Lock(RangeLock::kShared).code, 32);
  EXPECT_EQ(Lock(RangeLock::kExclusive).code, 32);
  ReleaseAll();
  EXPECT_TRUE(Lock(RangeLock::kExclusive).ok());
  int h = 0;
  EXPECT_EQ(env_->LockFileRange(tmp_ / "missing.mdb", RangeLock::kShared, &h).code, 2);
  EXPECT_EQ(env_->ReleaseRangeLock(12345).code, 6);
}

TEST_F(RangeLockTest, OtherProcessHoldingSharedAllowsSharedAndHoldingExclusiveRefusesSharedUntilItDies) {
  ASSERT_TRUE(StartHolder("hold_range_lock", {db_, "shared"}));
  EXPECT_TRUE(Lock(RangeLock::kShared).ok());
  EXPECT_EQ(Lock(RangeLock::kExclusive).code, 32);
  holder_.Kill();
  ReleaseAll();
  fs::remove(tmp_ / "ready");
  ASSERT_TRUE(StartHolder("hold_range_lock", {db_, "exclusive"}));
  EXPECT_EQ(Lock(RangeLock::kShared).code, 32);
  holder_.Kill();
  EXPECT_TRUE(Lock(RangeLock::kExclusive).ok());
}

// ---- a lock file left by another user

// What CreateLockFile answers to a child process running as nobody; the test keeps its identity.
int CreateLockFileAsOtherUser(const std::string& path) {
  pid_t child = fork();
  if (child == 0) {
    if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0) _exit(100);
    int handle = 0;
    _exit(PosixEnv()->CreateLockFile(path, "nobody", &handle).code);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Another user's lock file is never taken while its holder lives, and then only where the folder may be written;
// the superuser replaces a dead holder's read-only lock file as everyone does, but not its own.
TEST_F(LockTest, LockFileLeftByAnotherUserIsTakenOverOnlyWhenItsHolderIsGoneAndTheFolderAllows) {
  if (geteuid() != 0) GTEST_SKIP() << "needs to start a process as another user and give it a file";
  chmod(tmp_.path().c_str(), 0755);
  const std::string path = tmp_ / "~LAY10.PLF";
  int held = 0;
  ASSERT_TRUE(env_->CreateLockFile(path, "root", &held).ok());
  EXPECT_EQ(CreateLockFileAsOtherUser(path), 32);
  ASSERT_TRUE(env_->ReleaseLockFile(held).ok());
  std::ofstream(path) << "root";  // what a killed holder leaves: the file, without its lock
  EXPECT_EQ(CreateLockFileAsOtherUser(path), 5);  // the folder is not theirs to write
  chmod(tmp_.path().c_str(), 0777);
  EXPECT_EQ(CreateLockFileAsOtherUser(path), 0);
  EXPECT_EQ(tmp_.Read("~LAY10.PLF"), "nobody");

  const std::string read_only = tmp_ / "~PMP10.PLF";
  std::ofstream(read_only) << "nobody";
  chmod(read_only.c_str(), 0444);
  EXPECT_EQ(env_->CreateLockFile(read_only, "root", &held).code, 5);
  ASSERT_EQ(chown(read_only.c_str(), 65534, 65534), 0);
  ASSERT_TRUE(env_->CreateLockFile(read_only, "root", &held).ok());
  EXPECT_EQ(tmp_.Read("~PMP10.PLF"), "root");
  EXPECT_TRUE(env_->ReleaseLockFile(held).ok());
}

}  // namespace
}  // namespace pds::platform
