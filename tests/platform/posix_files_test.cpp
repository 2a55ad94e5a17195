#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/env.h"
#include "tests/support/test_support.h"

namespace pds::platform {
namespace {

mode_t ModeOf(const std::string& path) {
  struct stat st;
  EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

class PosixFilesTest : public ::testing::Test {
 protected:
  bool IsReadOnly(const std::string& path) {
    FileAttributes a;
    EXPECT_TRUE(env_->GetAttributes(path, &a).ok()) << path;
    return a.read_only;
  }

  Env* env_ = PosixEnv();
  pds::test::TempFolder tmp_;
};

// ---- copying

TEST_F(PosixFilesTest, CopyIsExactReplacesDestinationAndKeepsPermissionsAndWriteTime) {
  std::string from = tmp_.Write("a.mdb", "new content");
  std::string to = tmp_.Write("b.mdb", "old and longer content");
  chmod(from.c_str(), 0640);
  struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
  utimensat(AT_FDCWD, from.c_str(), times, 0);

  ASSERT_TRUE(env_->CopyFile(from, to).ok());
  EXPECT_EQ(tmp_.Read("b.mdb"), "new content");
  EXPECT_EQ(ModeOf(to), 0640u);
  EXPECT_EQ(fs::last_write_time(to), fs::last_write_time(from));
  EXPECT_EQ(pds::test::FolderNames(tmp_.path()), (std::vector<std::string>{"a.mdb", "b.mdb"}));
  // So the copy of a read-only template is read-only.
  chmod(from.c_str(), 0444);
  ASSERT_TRUE(env_->CopyFile(from, tmp_ / "c.mdb").ok());
  EXPECT_TRUE(IsReadOnly(tmp_ / "c.mdb"));
  std::string content;
  for (unsigned i = 0; i < 300000; ++i) content += static_cast<char>(i * 7919u % 251u);
  ASSERT_TRUE(env_->CopyFile(tmp_.Write("big", content), tmp_ / "copy").ok());
  EXPECT_EQ(tmp_.Read("copy"), content);
}

TEST_F(PosixFilesTest, CopyFailuresNameTheMissingPartAndLeaveAReadOnlyDestination) {
  std::string from = tmp_.Write("a", "new");
  std::string to = tmp_.Write("b", "old");
  chmod(to.c_str(), 0444);
  EXPECT_EQ(env_->CopyFile(from, to).code, 5);
  EXPECT_EQ(tmp_.Read("b"), "old");
  EXPECT_EQ(env_->CopyFile(tmp_ / "missing", tmp_ / "c").code, 2);
  EXPECT_EQ(env_->CopyFile(tmp_ / "nofolder/a", tmp_ / "c").code, 3);
  EXPECT_EQ(env_->CopyFile(from, tmp_ / "nofolder/c").code, 3);
  EXPECT_EQ(pds::test::FolderNames(tmp_.path()), (std::vector<std::string>{"a", "b"}));
}

// ---- attributes, deleting, renaming

TEST_F(PosixFilesTest, ReadOnlyRoundTripRefusesDeleteUntilMadeNormalAndAnyWriteBitMeansNotReadOnly) {
  std::string f = tmp_.Write("f", "x");
  chmod(f.c_str(), 0402);
  EXPECT_FALSE(IsReadOnly(f));
  chmod(f.c_str(), 0664);
  ASSERT_TRUE(env_->SetReadOnly(f, true).ok());
  EXPECT_EQ(ModeOf(f), 0444u);
  EXPECT_TRUE(IsReadOnly(f));
  EXPECT_EQ(env_->DeleteFile(f).code, 5);
  EXPECT_TRUE(fs::exists(f));

  ASSERT_TRUE(env_->SetReadOnly(f, false).ok());
  EXPECT_EQ(ModeOf(f), 0644u);
  EXPECT_FALSE(IsReadOnly(f));
  EXPECT_TRUE(env_->DeleteFile(f).ok());
  EXPECT_FALSE(fs::exists(f));
}

TEST_F(PosixFilesTest, MissingEntryIsFileNotFoundMissingFolderPathNotFoundAndReadingAFolderAccessDenied) {
  std::string f = tmp_.Write("file", "x");
  FileAttributes a;
  EXPECT_EQ(env_->GetAttributes(tmp_ / "missing", &a).code, 2);
  EXPECT_EQ(env_->GetAttributes(tmp_ / "missing/inner", &a).code, 3);
  EXPECT_EQ(env_->GetAttributes(f + "/inner", &a).code, 3);
  EXPECT_EQ(env_->DeleteFile(tmp_ / "missing/inner").code, 3);
  EXPECT_EQ(env_->DeleteFile(tmp_ / "missing").code, 2);
  std::string content;
  EXPECT_EQ(env_->ReadFile(tmp_ / "missing", &content).code, 2);
  EXPECT_EQ(env_->ReadFile(tmp_.path(), &content).code, 5);  // a folder
}

TEST_F(PosixFilesTest, RenameReplacesNormalFileButNotReadOnlyOne) {
  std::string a = tmp_.Write("a", "A");
  std::string b = tmp_.Write("b", "B");
  std::string c = tmp_.Write("c", "C");
  ASSERT_TRUE(env_->RenameFile(a, b).ok());
  EXPECT_EQ(tmp_.Read("b"), "A");
  chmod(b.c_str(), 0444);
  EXPECT_EQ(env_->RenameFile(c, b).code, 5);
  EXPECT_EQ(tmp_.Read("b"), "A");
  EXPECT_EQ(tmp_.Read("c"), "C");
}

// ---- folders

TEST_F(PosixFilesTest, FolderIsCreatedOnceAndRemovedOnlyWhenEmpty) {
  ASSERT_TRUE(env_->CreateFolder(tmp_ / "d").ok());
  EXPECT_EQ(env_->CreateFolder(tmp_ / "d").code, 183);
  EXPECT_EQ(env_->CreateFolder(tmp_ / "x/y").code, 3);
  EXPECT_EQ(env_->RemoveFolder(tmp_ / "x/y").code, 3);
  tmp_.Write("d/f", "x");
  EXPECT_EQ(env_->RemoveFolder(tmp_ / "d").code, 5);
  EXPECT_TRUE(fs::exists(tmp_ / "d/f"));
  fs::remove(tmp_ / "d/f");
  EXPECT_TRUE(env_->RemoveFolder(tmp_ / "d").ok());
  EXPECT_FALSE(fs::exists(tmp_ / "d"));
}

TEST_F(PosixFilesTest, ListFolderGivesDotEntriesFirstThenEntriesWithAttributes) {
  tmp_.Write("f", "12345");
  fs::create_directory(tmp_ / "sub");
  std::vector<DirEntry> entries;
  ASSERT_TRUE(env_->ListFolder(tmp_.path(), &entries).ok());
  ASSERT_EQ(entries.size(), 4u);
  std::vector<std::string> listed;
  for (const DirEntry& e : entries) listed.push_back(e.name + (e.directory ? "/" : " " + std::to_string(e.size)));
  std::sort(listed.begin() + 2, listed.end());  // after the dot entries, the folder's own order
  EXPECT_EQ(listed, (std::vector<std::string>{"./", "../", "f 5", "sub/"}));
  EXPECT_EQ(env_->ListFolder(tmp_ / "missing", &entries).code, 3);
}

// ---- whole-file reads and atomic writes

TEST_F(PosixFilesTest, WriteFileAtomicCreatesAndReplacesKeepingPermissionBitsButNotAReadOnlyFile) {
  std::string p = tmp_ / "PROJECT.QVP";
  ASSERT_TRUE(env_->WriteFileAtomic(p, "one\r\n").ok());
  ASSERT_TRUE(env_->WriteFileAtomic(p, "two\r\n").ok());
  std::string content;
  ASSERT_TRUE(env_->ReadFile(p, &content).ok());
  EXPECT_EQ(content, "two\r\n");
  EXPECT_EQ(pds::test::FolderNames(tmp_.path()), (std::vector<std::string>{"PROJECT.QVP"}));
  chmod(p.c_str(), 0604);
  ASSERT_TRUE(env_->WriteFileAtomic(p, "three").ok());
  EXPECT_EQ(ModeOf(p), 0604u) << "the replacement keeps the old file's permission bits";
  chmod(p.c_str(), 0444);
  EXPECT_EQ(env_->WriteFileAtomic(p, "new").code, 5);
  EXPECT_EQ(tmp_.Read("PROJECT.QVP"), "three");
  EXPECT_EQ(pds::test::FolderNames(tmp_.path()), (std::vector<std::string>{"PROJECT.QVP"}));
  EXPECT_EQ(env_->WriteFileAtomic(tmp_ / "missing/f", "x").code, 3);
}

// A write failing half way (the file-size limit stops even root) keeps the old file and leaves no temporary.
TEST_F(PosixFilesTest, WriteFileAtomicFailingHalfWayKeepsOldContent) {
  std::string p = tmp_.Write("f", "old");
  std::string big(1 << 20, 'x');

  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct sigaction ignore = {}, old_action;
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &old_action);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  Status s = env_->WriteFileAtomic(p, big);
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &old_action, nullptr);

  EXPECT_FALSE(s.ok());
  EXPECT_EQ(tmp_.Read("f"), "old");
  EXPECT_EQ(pds::test::FolderNames(tmp_.path()), (std::vector<std::string>{"f"}));
}

TEST_F(PosixFilesTest, FileTimesReportLastWrite) {
  std::string f = tmp_.Write("f", "x");
  struct timespec times[2] = {{1500000000, 0}, {1600000000, 500000000}};
  ASSERT_EQ(utimensat(AT_FDCWD, f.c_str(), times, 0), 0);
  FileTimes t;
  ASSERT_TRUE(env_->GetFileTimes(f, &t).ok());
  EXPECT_EQ(std::chrono::duration_cast<std::chrono::milliseconds>(t.last_write.time_since_epoch()).count(),
            1600000000500LL);
  EXPECT_EQ(std::chrono::system_clock::to_time_t(t.last_access), 1500000000);
  EXPECT_LE(t.creation, std::chrono::system_clock::now());
  EXPECT_EQ(env_->GetFileTimes(tmp_ / "nope/f", &t).code, 3);
}

}  // namespace
}  // namespace pds::platform
