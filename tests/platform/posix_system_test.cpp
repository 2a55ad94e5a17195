// What the component reaches the machine through besides files and locks:
// temporary files, volumes, the program's folder, child processes, standard
// descriptors closed at start, and the hosts' environment.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <regex>
#include <set>
#include <thread>

#include "pds/HostEnv.h"
#include "pds/StdDescriptors.h"
#include "platform/env.h"
#include "tests/support/test_support.h"

namespace pds::platform {
namespace {

TEST(TempFileTest, NamesKeepPrefixAreUniqueFilesAreEmptyAMissingFolderIsPathNotFoundAndTheFolderFollowsTmpdir) {
  Env* env = PosixEnv();
  pds::test::TempFolder tmp;
  const std::regex shape("~QX[0-9A-F]{4}\\.TMP");
  std::set<std::string> seen;
  for (int i = 0; i < 300; ++i) {
    std::string path;
    ASSERT_TRUE(env->CreateTempFile(tmp.path(), "~QX", &path).ok());
    EXPECT_EQ(fs::path(path).parent_path(), fs::path(tmp.path()));
    std::string name = fs::path(path).filename().string();
    EXPECT_TRUE(std::regex_match(name, shape)) << name;
    EXPECT_TRUE(seen.insert(name).second) << "repeated " << name;
    EXPECT_EQ(fs::file_size(path), 0u);
  }
  std::string path;
  ASSERT_TRUE(env->CreateTempFile(tmp.path() + "/", "p", &path).ok());
  EXPECT_EQ(path.find("//"), std::string::npos) << "a folder's trailing slash is not doubled: " << path;
  EXPECT_EQ(env->CreateTempFile(tmp / "missing", "~QX", &path).code, 3);
  // The temporary folder follows TMPDIR and ends with a slash.
  {
    pds::test::ScopedEnvVar v("TMPDIR", "/var/tmp");
    EXPECT_EQ(PosixEnv()->TempFolder(), "/var/tmp/");
  }
  {
    pds::test::ScopedEnvVar v("TMPDIR", nullptr);
    EXPECT_EQ(PosixEnv()->TempFolder(), "/tmp/");
  }
}

TEST(VolumeTest, LogicalDrivesStartAtRootLeaveOutSystemTreesAndAPathNotYetCreatedHasItsVolumesNameLimit) {
  pds::test::TempFolder tmp;
  int existing = PosixEnv()->MaxFileNameLength(tmp.path());
  EXPECT_GT(existing, 0);
  EXPECT_EQ(PosixEnv()->MaxFileNameLength(tmp / "not/yet/there.mdb"), existing);
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

// Real child processes: the one place these tests wait in real time, briefly, for a child to end.
class ProcessTest : public ::testing::Test {
 protected:
  // Polls until the child ends; false when it is still running after 30 s.
  bool WaitForExit(int pid, int* code) {
    for (int i = 0; i < 3000; ++i) {
      bool running = true;
      Status s = env_->PollProcess(pid, &running, code);
      EXPECT_TRUE(s.ok()) << s.code;
      if (!s.ok()) return false;
      if (!running) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  Env* env_ = PosixEnv();
};

TEST_F(ProcessTest, BareProgramNameIsFoundInPathAndTheChildsExitCodeKeepsBeingAnswered) {
  int pid = 0;
  ASSERT_TRUE(env_->StartProcess({"sh", "-c", "exit 3"}, &pid).ok());
  int code = -1;
  ASSERT_TRUE(WaitForExit(pid, &code));
  EXPECT_EQ(code, 3);
  bool running = true;
  code = -1;
  ASSERT_TRUE(env_->PollProcess(pid, &running, &code).ok());
  EXPECT_FALSE(running);
  EXPECT_EQ(code, 3);
}

TEST_F(ProcessTest, RunningChildIsReportedRunningAKilledOneGives128PlusSignalAndAMissingProgramIsFileNotFound) {
  int pid = 0;
  ASSERT_TRUE(env_->StartProcess({"/bin/sh", "-c", "sleep 30"}, &pid).ok());
  bool running = false;
  int code = -1;
  ASSERT_TRUE(env_->PollProcess(pid, &running, &code).ok());
  EXPECT_TRUE(running);
  kill(pid, SIGKILL);
  ASSERT_TRUE(WaitForExit(pid, &code));
  EXPECT_EQ(code, 128 + SIGKILL);
  EXPECT_EQ(env_->StartProcess({"/nonexistent/translator"}, &pid).code, 2);
  EXPECT_EQ(env_->StartProcess({"pds-no-such-program-anywhere"}, &pid).code, 2);
  EXPECT_EQ(env_->StartProcess({}, &pid).code, 87);
  EXPECT_EQ(env_->PollProcess(1, &running, &code).code, 87) << "not a child of this process";
}

bool IsDevNull(int fd) {
  struct stat st, null_st;
  return fstat(fd, &st) == 0 && stat("/dev/null", &null_st) == 0 && S_ISCHR(st.st_mode) &&
         st.st_rdev == null_st.st_rdev;
}

// In a child: closes the descriptors, runs the check, exits 0 if all are open and a new file gets 3 or more.
void CloseCheckAndOpen(const std::vector<int>& closed, const std::string& file) {
  for (int fd : closed) close(fd);
  if (!EnsureStandardDescriptors()) std::_Exit(10);
  for (int fd : closed) {
    if (!IsDevNull(fd)) std::_Exit(11);
  }
  const int opened = open(file.c_str(), O_RDWR | O_CREAT, 0644);
  std::_Exit(opened >= 3 ? 0 : 12);
}

struct ClosedCase {
  const char* label;
  std::vector<int> closed;
};

class StandardDescriptorsTest : public ::testing::TestWithParam<ClosedCase> {
 protected:
  test::TempFolder temp_;
};

TEST_P(StandardDescriptorsTest, ClosedOnesAreFilledBeforeAnyFileIsOpened) {
  EXPECT_EXIT(CloseCheckAndOpen(GetParam().closed, temp_ / "App.mdb"), ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(Closed, StandardDescriptorsTest,
                         ::testing::Values(ClosedCase{"Input", {0}}, ClosedCase{"Output", {1}},
                                           ClosedCase{"OutputAndError", {1, 2}},
                                           ClosedCase{"All", {0, 1, 2}}), pds::test::ByLabel());

TEST(StandardDescriptorsOpenTest, OpenOnesAreLeftAsTheyAre) {
  struct stat before;
  ASSERT_EQ(fstat(1, &before), 0);
  ASSERT_TRUE(EnsureStandardDescriptors());
  struct stat after;
  ASSERT_EQ(fstat(1, &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
  EXPECT_EQ(before.st_dev, after.st_dev);
}

TEST(HostEnvTest, ScopedTempFolderRedirectsOnlyWhileItLivesAndATreeWithReadOnlyFilesIsCreatedAndRemoved) {
  const std::string system = host::TempFolder();
  {
    host::ScopedTempFolder scoped;
    EXPECT_EQ(host::TempFolder(), system) << "nothing is redirected before Set";
    scoped.Set("/somewhere/Temp/");
    EXPECT_EQ(host::TempFolder(), "/somewhere/Temp/");
  }
  EXPECT_EQ(host::TempFolder(), system);
  test::TempFolder temp;
  const std::string tree = temp / "a";
  ASSERT_TRUE(host::CreateFolders(tree + "/b/c"));
  ASSERT_TRUE(host::WriteFileAtomic(tree + "/b/c/f.txt", "x"));
  ASSERT_EQ(::chmod((tree + "/b/c/f.txt").c_str(), 0444), 0);
  EXPECT_TRUE(host::RemoveTree(tree));
  EXPECT_FALSE(host::Exists(tree));
}

}  // namespace
}  // namespace pds::platform
