#include <fcntl.h>
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

// Lock tests that need a second process run the test program itself as a
// helper that takes the lock, leaves a marker and waits to be killed. These
// are the tests that must wait in real time for another process.
class LockTest : public ::testing::Test {
 protected:
  // Starts the holder and waits until it holds its lock.
  bool StartHolder(const std::string& helper, std::vector<std::string> args) {
    args.push_back(tmp_ / "ready");
    return holder_.Start(helper, args, tmp_ / "ready");
  }

  Env* env_ = PosixEnv();
  pds::test::TempFolder tmp_;
  pds::test::HelperProcess holder_;  // killed, and its files closed, before the folder goes
};

// ---- lock files

TEST_F(LockTest, LockFileHoldsContentAndIsRemovedOnRelease) {
  std::string path = tmp_ / "~ABC12.PLF";
  int h = 0;
  ASSERT_TRUE(env_->CreateLockFile(path, "user1", &h).ok());
  EXPECT_EQ(tmp_.Read("~ABC12.PLF"), "user1");
  ASSERT_TRUE(env_->ReleaseLockFile(h).ok());
  EXPECT_FALSE(fs::exists(path));
  EXPECT_EQ(env_->ReleaseLockFile(h).code, 6);
}

TEST_F(LockTest, SecondHolderInSameProcessIsSharingViolation) {
  std::string path = tmp_ / "~ABC12.PLF";
  int h1 = 0, h2 = 0;
  ASSERT_TRUE(env_->CreateLockFile(path, "first", &h1).ok());
  EXPECT_EQ(env_->CreateLockFile(path, "second", &h2).code, 32);
  EXPECT_EQ(tmp_.Read("~ABC12.PLF"), "first");
  ASSERT_TRUE(env_->ReleaseLockFile(h1).ok());
  EXPECT_TRUE(env_->CreateLockFile(path, "second", &h2).ok());
  EXPECT_TRUE(env_->ReleaseLockFile(h2).ok());
}

TEST_F(LockTest, HolderInOtherProcessIsSharingViolation) {
  std::string path = tmp_ / "~ABC12.PLF";
  ASSERT_TRUE(StartHolder("hold_lock_file", {path}));
  int h = 0;
  EXPECT_EQ(env_->CreateLockFile(path, "me", &h).code, 32);
  EXPECT_EQ(tmp_.Read("~ABC12.PLF"), "helper");
}

TEST_F(LockTest, KilledHolderLeavesFileThatNextOpenerTakesOver) {
  std::string path = tmp_ / "~ABC12.PLF";
  ASSERT_TRUE(StartHolder("hold_lock_file", {path}));
  holder_.Kill();
  ASSERT_TRUE(fs::exists(path));  // no delete-on-close here: the file stays, its lock does not

  int h = 0;
  ASSERT_TRUE(env_->CreateLockFile(path, "me", &h).ok());
  EXPECT_EQ(tmp_.Read("~ABC12.PLF"), "me");
  EXPECT_TRUE(env_->ReleaseLockFile(h).ok());
}

// A child started while a lock is held must not inherit it: the lock would
// otherwise outlive its release for as long as the child runs.
TEST_F(LockTest, StartedChildDoesNotKeepLockAlive) {
  std::string path = tmp_ / "~ABC12.PLF";
  int h = 0;
  ASSERT_TRUE(env_->CreateLockFile(path, "me", &h).ok());
  int pid = 0;
  ASSERT_TRUE(env_->StartProcess({"/bin/sh", "-c", "sleep 30"}, &pid).ok());
  ASSERT_TRUE(env_->ReleaseLockFile(h).ok());
  EXPECT_TRUE(env_->CreateLockFile(path, "again", &h).ok());
  EXPECT_TRUE(env_->ReleaseLockFile(h).ok());
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

// Releasing must remove only the file it locked: if the path was deleted and
// taken by a new holder meanwhile, that holder's file stays.
TEST_F(LockTest, ReleaseLeavesSomeoneElsesNewLockFileAlone) {
  std::string path = tmp_ / "~ABC12.PLF";
  int old_handle = 0, new_handle = 0, h = 0;
  ASSERT_TRUE(env_->CreateLockFile(path, "old", &old_handle).ok());
  fs::remove(path);
  ASSERT_TRUE(env_->CreateLockFile(path, "new", &new_handle).ok());
  ASSERT_TRUE(env_->ReleaseLockFile(old_handle).ok());
  EXPECT_EQ(tmp_.Read("~ABC12.PLF"), "new");
  EXPECT_EQ(env_->CreateLockFile(path, "third", &h).code, 32);
  EXPECT_TRUE(env_->ReleaseLockFile(new_handle).ok());
}

TEST_F(LockTest, LockFileInMissingFolderIsPathNotFound) {
  int h = 0;
  EXPECT_EQ(env_->CreateLockFile(tmp_ / "gone/~ABC12.PLF", "x", &h).code, 3);
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

TEST_F(RangeLockTest, SharedLocksCoexistInOneProcess) {
  EXPECT_TRUE(Lock(RangeLock::kShared).ok());
  EXPECT_TRUE(Lock(RangeLock::kShared).ok());
  EXPECT_EQ(Lock(RangeLock::kExclusive).code, 32);
}

TEST_F(RangeLockTest, ExclusiveLockShutsOutEveryOtherOpenUntilReleased) {
  ASSERT_TRUE(Lock(RangeLock::kExclusive).ok());
  EXPECT_EQ(Lock(RangeLock::kShared).code, 32);
  EXPECT_EQ(Lock(RangeLock::kExclusive).code, 32);
  ReleaseAll();
  EXPECT_TRUE(Lock(RangeLock::kExclusive).ok());
}

TEST_F(RangeLockTest, SharedHolderInOtherProcessAllowsSharedRefusesExclusive) {
  ASSERT_TRUE(StartHolder("hold_range_lock", {db_, "shared"}));
  EXPECT_TRUE(Lock(RangeLock::kShared).ok());
  EXPECT_EQ(Lock(RangeLock::kExclusive).code, 32);
}

TEST_F(RangeLockTest, ExclusiveHolderInOtherProcessRefusesSharedUntilItDies) {
  ASSERT_TRUE(StartHolder("hold_range_lock", {db_, "exclusive"}));
  EXPECT_EQ(Lock(RangeLock::kShared).code, 32);
  holder_.Kill();
  EXPECT_TRUE(Lock(RangeLock::kExclusive).ok());
}

// The range lies far beyond the bytes SQLite locks, so the file's own
// content and its ordinary locks are untouched.
TEST_F(RangeLockTest, RangeLockLeavesFileContentAlone) {
  ASSERT_TRUE(Lock(RangeLock::kExclusive).ok());
  EXPECT_EQ(fs::file_size(db_), 8u);
  EXPECT_EQ(tmp_.Read("Project.mdb"), "database");
}

TEST_F(RangeLockTest, MissingDatabaseAndUnknownHandle) {
  int h = 0;
  EXPECT_EQ(env_->LockFileRange(tmp_ / "missing.mdb", RangeLock::kShared, &h).code, 2);
  EXPECT_EQ(env_->ReleaseRangeLock(12345).code, 6);
}

// ---- a lock file left by another user

// What CreateLockFile answers to a process running as another user (nobody),
// started in a child so that the test process keeps its own identity.
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

// A dead holder's lock file that belongs to another user is replaced where
// the folder may be written, refused with 5 where it may not, and never
// taken while its holder lives.
TEST_F(LockTest, AnotherUsersLockFileIsTakenOverOnlyWhenItsHolderIsGoneAndTheFolderAllows) {
  if (geteuid() != 0) GTEST_SKIP() << "needs to start a process as another user";
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
}

// The superuser may write another user's read-only file, but takes a dead
// holder's lock file over the way everyone does: by replacing it. Its own
// read-only lock file stays refused, as Windows refuses it.
TEST_F(LockTest, ReadOnlyLockFileIsTakenOverOnlyWhenAnotherUserLeftIt) {
  if (geteuid() != 0) GTEST_SKIP() << "needs to give a file to another user";
  const std::string path = tmp_ / "~PMP10.PLF";
  std::ofstream(path) << "nobody";
  chmod(path.c_str(), 0444);
  int held = 0;
  EXPECT_EQ(env_->CreateLockFile(path, "root", &held).code, 5);
  ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
  ASSERT_TRUE(env_->CreateLockFile(path, "root", &held).ok());
  EXPECT_EQ(tmp_.Read("~PMP10.PLF"), "root");
  EXPECT_TRUE(env_->ReleaseLockFile(held).ok());
}

}  // namespace
}  // namespace pds::platform
