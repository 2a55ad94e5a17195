// Untitled projects keep their working folders in a folder of the process's
// own, inside the user's private folder of the temporary folder: another
// session of the same application never empties them, folders of ended
// processes are cleared away, and a private folder that others could reach
// is not used.
#include <sys/stat.h>
#include <unistd.h>

#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "tests/projects/staging_fixture.h"

namespace pds::test {
namespace {

namespace fs = std::filesystem;

class UntitledWorkAreaTest : public StagingTest {
 protected:
  // A folder as a process leaves it: an untitled working copy and its lock file.
  std::string MakeArea(const std::string& name) {
    const std::string area = UserTempFolder() + "/" + name;
    fs::create_directories(area + "/~LAY10");
    fs::permissions(UserTempFolder(), fs::perms::owner_all, fs::perm_options::replace);
    WriteFile(area + "/~LAY10/LAY10Lay.dat", "unsaved work");
    WriteFile(area + "/session.lock");
    return area;
  }
};

TEST_F(UntitledWorkAreaTest, FoldersOfEndedProcessesGoAndThoseOfLiveOnesStay) {
  const std::string ended = MakeArea("session-ended");
  const std::string live = MakeArea("session-live");
  int handle = 0;
  ASSERT_TRUE(platform::CurrentEnv()->CreateLockFile(live + "/session.lock", "", &handle).ok());
  Start("LAY10");
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  EXPECT_FALSE(fs::exists(ended));
  EXPECT_EQ(ReadFile(live + "/~LAY10/LAY10Lay.dat"), "unsaved work");
  EXPECT_TRUE(IsUntitledWorkFolder(server().Project()->WorkingJobPath(), "~LAY10"));
  EXPECT_NE(fs::path(server().Project()->WorkingJobPath()).parent_path(), live);
  EXPECT_TRUE(platform::CurrentEnv()->ReleaseLockFile(handle).ok());
}

struct UnsafeFolderCase {
  const char* name;
  void (*make)(const std::string& user_folder, const std::string& elsewhere);
  const char* why;  // the reason the message gives after naming the folder
};

class UnsafeUserFolderTest : public UntitledWorkAreaTest, public ::testing::WithParamInterface<UnsafeFolderCase> {};

TEST_P(UnsafeUserFolderTest, IsNotUsedAndNothingIsWrittenThere) {
  const std::string elsewhere = temp_ / "elsewhere";
  fs::create_directories(elsewhere);
  GetParam().make(UserTempFolder(), elsewhere);
  Start("LAY10");
  host_->ExpectMsgBox("GetWorkingProjectPath()",
                      "The folder for this user's working files of untitled projects cannot be used:\r[" +
                          UserTempFolder() + "]\r" + GetParam().why + "\r\n\nError 5  -  Permission denied.\r\n");
  EXPECT_EQ(server().ProjectNew(), RETURN_ERROR);
  EXPECT_TRUE(fs::is_empty(elsewhere));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, UnsafeUserFolderTest,
    ::testing::Values(UnsafeFolderCase{"OpenToOthers",
                                       [](const std::string& user, const std::string&) {
                                         fs::create_directories(user);
                                         chmod(user.c_str(), 0777);
                                       },
                                       "It belongs to another user or is open to other users, so it is never used."},
                      UnsafeFolderCase{"OwnedByAnotherUser",
                                       [](const std::string& user, const std::string&) {
                                         fs::create_directories(user);
                                         chmod(user.c_str(), 0700);
                                         // Only a privileged test can give it away; otherwise it is
                                         // opened to others, which is refused the same way.
                                         if (chown(user.c_str(), 65534, 65534) != 0) chmod(user.c_str(), 0777);
                                       },
                                       "It belongs to another user or is open to other users, so it is never used."},
                      UnsafeFolderCase{"LinkToAnotherFolder",
                                       [](const std::string& user, const std::string& elsewhere) {
                                         fs::create_directory_symlink(elsewhere, user);
                                       },
                                       "It is a symbolic link, which is never used."}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pds::test
