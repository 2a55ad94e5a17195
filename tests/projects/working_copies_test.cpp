// Working copies: the working folder and its guard, files from templates,
// copies, verification and temporary names (started as "lay10", so derived
// names must come out in upper case); the untitled work area of each process;
// and which copies and folders a save asks to be made durable.
#include <sys/stat.h>
#include <unistd.h>

#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "tests/projects/staging_fixture.h"
#include "ui/copy_progress.h"

namespace pds::test {
namespace {

const std::string kCannotInit = "Cannot open this project because the project work folder could not be initialized.";

class WorkingCopyStagingTest : public StagingTest {
 protected:
  void SetUp() override { Start("lay10"); }

  std::string NewFolder(const std::string& relative) {
    fs::create_directories(temp_ / relative);
    return temp_ / relative;
  }
};

// ---- preparing the working folder

TEST_F(WorkingCopyStagingTest, WorkingFolderIsAnUpperCaseTildeFolderAndWhenThereIsEmptiedOfFilesButKept) {
  EXPECT_TRUE(IsUntitledWorkFolder(ServerOf(server()).GetWorkingProjectPath(""), "~LAY10"));
  const std::string project = NewFolder("projects/Alpha");
  const std::string work = project + "/~LAY10";
  ASSERT_EQ(ServerOf(server()).GetWorkingProjectPath(project), work);
  EXPECT_TRUE(fs::is_directory(work));
  WriteFile(work + "/LAY10Lay.dat");
  WriteFile(work + "/stale.tmp");
  fs::create_directory(work + "/keep");
  // The files repeat the saved ones: a leftover without unsaved work.
  WriteFile(project + "/LAY10Lay.dat");
  WriteFile(project + "/stale.tmp");

  ASSERT_EQ(ServerOf(server()).GetWorkingProjectPath(project), work);
  EXPECT_FALSE(fs::exists(work + "/LAY10Lay.dat"));
  EXPECT_FALSE(fs::exists(work + "/stale.tmp"));
  EXPECT_TRUE(fs::is_directory(work + "/keep"));
}

TEST_F(WorkingCopyStagingTest, FileNamedLikeTheWorkingFolderOrAFailedCreationBlocksPreparation) {
  const std::string project = NewFolder("projects/Alpha");
  WriteFile(project + "/~LAY10", "not a folder");
  host_->ExpectMsgBox("GetWorkingProjectPath()",
                      kCannotInit + "\r\n" + "A file with the same name as the work folder already exists:  \r[" +
                          project + "/~LAY10]");

  EXPECT_EQ(ServerOf(server()).GetWorkingProjectPath(project), "");
  EXPECT_EQ(ReadFile(project + "/~LAY10"), "not a folder");
  fs::remove(project + "/~LAY10");
  env_.Fail(Call::kCreateFolder, 5);
  host_->ExpectMsgBox("GetWorkingProjectPath()", GetSystemErrorText(5));
  EXPECT_EQ(ServerOf(server()).GetWorkingProjectPath(project), "");
  EXPECT_FALSE(fs::exists(project + "/~LAY10"));
}

TEST_F(WorkingCopyStagingTest, DeleteWorkFolderRefusesOtherFoldersAndRemovesAWorkingOneWithReadOnlyFiles) {
  const std::string project = NewFolder("projects/Alpha");
  WriteFile(project + "/LAY10Lay.dat");
  host_->ExpectMsgBox("DeleteWorkFolder()",
                      "Attempting to delete an invalid folder.  The following folder is not a project work folder.\r[" +
                          project + "]");
  EXPECT_FALSE(ServerOf(server()).DeleteWorkFolder(project));
  EXPECT_TRUE(fs::exists(project + "/LAY10Lay.dat"));
  // A working folder that is not there is already deleted.
  EXPECT_TRUE(ServerOf(server()).DeleteWorkFolder(project + "/~LAY10"));
  EXPECT_FALSE(ServerOf(server()).DeleteWorkFolder(""));

  // The name is compared without regard to case.
  const std::string work = NewFolder("projects/Alpha/~lay10");
  WriteFile(work + "/LAY10Lay.dat");
  WriteFile(work + "/LAY10Sym.dat");
  fs::permissions(work + "/LAY10Sym.dat", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);

  EXPECT_TRUE(ServerOf(server()).DeleteWorkFolder(work));
  EXPECT_FALSE(fs::exists(work));
  EXPECT_TRUE(fs::exists(project + "/LAY10Lay.dat"));
}

// ---- links and leftovers in the working folder's place

TEST_F(WorkingCopyStagingTest, PreparingAndDeletingRefuseALinkedWorkFolderAndLeaveItsTarget) {
  const std::string victim = NewFolder("victim");
  WriteFile(victim + "/precious.txt", "user data");
  const std::string base = NewFolder("projects/Alpha");
  const std::string work = base + "/~LAY10";
  fs::create_directory_symlink(victim, work);
  host_->ExpectMsgBox("GetWorkingProjectPath()",
                      kCannotInit + "\r\n" +
                          "The work folder is a symbolic link to another folder; it is never followed, so that folder "
                          "is left as it is. Remove the link:  \r[" + work + "]")
      .ExpectMsgBox("DeleteWorkFolder()",
                    "Attempting to delete an invalid folder.  The following folder is a symbolic link, not a project "
                    "work folder; it is left as it is.\r[" + work + "]")
      .ExpectMsgBoxContaining("GetWorkingProjectPath()", "symbolic link");
  EXPECT_EQ(ServerOf(server()).GetWorkingProjectPath(base), "");
  EXPECT_FALSE(ServerOf(server()).DeleteWorkFolder(work));
  EXPECT_EQ(ReadFile(victim + "/precious.txt"), "user data");
  EXPECT_TRUE(fs::is_symlink(work));
  // A dangling link is refused too: nothing is created where it points.
  fs::remove(work);
  fs::create_directory_symlink(victim + "/missing", work);
  EXPECT_EQ(ServerOf(server()).GetWorkingProjectPath(base), "");
  EXPECT_FALSE(fs::exists(victim + "/missing"));
}

// Each process has an untitled working folder of its own, so a link planted in the shared folder goes unused.
TEST_F(WorkingCopyStagingTest, ALinkPlantedInTheSharedTemporaryFolderIsNeverUsed) {
  const std::string victim = NewFolder("victim");
  WriteFile(victim + "/precious.txt", "user data");
  const std::string planted = temp_ / "systemp/~LAY10";
  fs::create_directory_symlink(victim, planted);
  const std::string work = ServerOf(server()).GetWorkingProjectPath("");
  EXPECT_NE(work, planted);
  EXPECT_EQ(work.substr(work.size() - 7), "/~LAY10");
  EXPECT_TRUE(ServerOf(server()).DeleteWorkFolder(work));
  EXPECT_EQ(ReadFile(victim + "/precious.txt"), "user data");
  EXPECT_TRUE(fs::is_symlink(planted));
}

TEST_F(WorkingCopyStagingTest, LeftoversOfAKilledSaveAreSweptOnOpenAndClose) {
  const std::string dead = std::to_string(EndedProcessId());
  const std::string project = NewFolder("projects/Alpha");
  const std::string work = NewFolder("projects/Alpha/~LAY10");
  const std::vector<std::string> leftovers = {".PROJECT.QVP.p" + dead + ".0badf00d.tmp", "~QX" + dead + "-1A2B.TMP",
                                              "~QX" + dead + "-1A2B.TMP-journal"};
  for (const std::string& name : leftovers) WriteFile(project + "/" + name);
  WriteFile(project + "/.kept");

  ASSERT_EQ(ServerOf(server()).GetWorkingProjectPath(project), work);  // as an open prepares it
  for (const std::string& name : leftovers) EXPECT_FALSE(fs::exists(project + "/" + name)) << name;
  EXPECT_TRUE(fs::exists(project + "/.kept"));

  // At close a leftover inside the working folder keeps it no longer, and one beside it goes.
  WriteFile(work + "/.LAY10Lay.dat.p" + dead + ".00000001.tmp");
  WriteFile(project + "/" + leftovers[1]);
  EXPECT_TRUE(ServerOf(server()).DeleteWorkFolder(work));
  EXPECT_FALSE(fs::exists(work));
  EXPECT_FALSE(fs::exists(project + "/" + leftovers[1]));
}

// ---- files from templates

TEST_F(WorkingCopyStagingTest, RequiredFilesAreCopiedFromReadOnlyTemplatesAsWritableFiles) {
  const std::string code = inst_.CodePath("LAY10");
  ASSERT_FALSE(IsWritable(code + "/LAY10Lay.ro"));
  Shared().app_data_specs.push_back({"LAY10Sym.dat", true, false, true, true, 2, "LAY10Sym.ro"});
  const std::string work = ServerOf(server()).GetWorkingProjectPath("");

  EXPECT_TRUE(ServerOf(server()).CopyNewAppFilesToWorkArea(work));
  EXPECT_EQ(ReadFile(work + "/LAY10Lay.dat"), ReadFile(code + "/LAY10Lay.ro"));
  EXPECT_TRUE(IsWritable(work + "/LAY10Lay.dat"));
  // A required file made by the application itself (CreateMethod 2) is its own business.
  EXPECT_FALSE(fs::exists(work + "/LAY10Sym.dat"));
  // So is a new project database.
  const std::string folder = NewFolder("projects/Alpha");
  ASSERT_TRUE(ServerOf(server()).CopyNewLocalProjectRoFile(folder));
  EXPECT_TRUE(IsWritable(folder + "/Project.mdb"));
  EXPECT_EQ(Rows(folder + "/Project.mdb", "SELECT COUNT(*) FROM Properties").size(), 1u);
}

TEST_F(WorkingCopyStagingTest, MissingTemplateStillCreatesTheFollowingFilesAndFails) {
  Shared().app_data_specs = {
      {"LAY10Gone.dat", true, true, true, true, 1, "LAY10Gone.ro"},
      {"LAY10Opt.dat", false, false, true, true, 1, "LAY10Lay.ro"},  // not required: never created
      {"LAY10Lay.dat", true, true, true, true, 1, "LAY10Lay.ro"},
  };
  const std::string work = ServerOf(server()).GetWorkingProjectPath("");
  host_->ExpectMsgBox("CopyNewAppFilesToWorkArea()", "Error:  The following application file is missing.\r\n[" +
                                                         inst_.CodePath("LAY10") + "/LAY10Gone.ro]\r\n" +
                                                         ContactSupportText());

  EXPECT_FALSE(ServerOf(server()).CopyNewAppFilesToWorkArea(work));
  EXPECT_TRUE(fs::exists(work + "/LAY10Lay.dat"));
  EXPECT_FALSE(fs::exists(work + "/LAY10Gone.dat"));
  EXPECT_FALSE(fs::exists(work + "/LAY10Opt.dat"));
}

// ---- copying existing files

TEST_F(WorkingCopyStagingTest, ExistingFilesAreCopiedByPatternAndAMissingRequiredOneFailsWithoutStoppingTheRest) {
  Shared().app_data_specs = {
      {"LAY10Lay.dat", true, true, false, false, 0, ""},
      {"LAY10*.log", false, false, false, false, 0, ""},
      {"LAY10Sym.dat", true, false, false, false, 0, ""},
  };
  const std::string from = NewFolder("projects/Alpha");
  const std::string to = NewFolder("projects/Alpha/~LAY10");
  WriteFile(from + "/lay10a.log", "a");
  WriteFile(from + "/LAY10b.log", "b");
  WriteFile(from + "/LAY10Sym.dat", "symbols");
  WriteFile(from + "/PMP10Tag.mdb", "other application");
  host_->ExpectMsgBox("CopyFileSpec()", GetSystemErrorText(2) + "\r\n\n[LAY10Lay.dat]");

  EXPECT_FALSE(ServerOf(server()).CopyExistingAppFiles(from, to));
  EXPECT_EQ(ReadFile(to + "/lay10a.log"), "a");
  EXPECT_EQ(ReadFile(to + "/LAY10b.log"), "b");
  EXPECT_EQ(ReadFile(to + "/LAY10Sym.dat"), "symbols");
  EXPECT_FALSE(fs::exists(to + "/PMP10Tag.mdb"));
  EXPECT_FALSE(host_->wait_cursor());
}

// Large copies show how far they are and which file is on its way; small ones show nothing.
TEST_F(WorkingCopyStagingTest, LargeCopiesShowTheirProgressFileByFile) {
  Shared().app_data_specs = {{"LAY10*.dat", true, false, false, false, 0, ""}};
  const std::string from = NewFolder("projects/Alpha");
  const std::string to = NewFolder("projects/Alpha/~LAY10");
  WriteFile(from + "/LAY10Small.dat", "small");
  ASSERT_TRUE(ServerOf(server()).CopyExistingAppFiles(from, to));
  EXPECT_THAT(host_->shown(), IsEmpty());

  std::filesystem::resize_file(from + "/LAY10Small.dat", CopyProgress::kThresholdBytes);
  WriteFile(from + "/LAY10Big.dat", "");
  std::filesystem::resize_file(from + "/LAY10Big.dat", CopyProgress::kThresholdBytes);
  ASSERT_TRUE(ServerOf(server()).CopyExistingAppFiles(from, to));
  std::vector<std::string> seen;
  for (const auto& item : host_->shown()) {
    ASSERT_EQ(item.kind, "progress");
    EXPECT_EQ(item.title, "Copying project files to the work area");
    seen.push_back(item.text);
  }
  ASSERT_GE(seen.size(), 6u);  // shown, then each file starting and done, then closed
  EXPECT_THAT(seen.front(), HasSubstr("prgCopy"));
  EXPECT_THAT(seen[1], ::testing::AnyOf(HasSubstr("LAY10Big.dat"), HasSubstr("LAY10Small.dat")));
  EXPECT_THAT(seen[2], HasSubstr("50"));
  EXPECT_THAT(seen.back(), HasSubstr("100"));
}

TEST_F(WorkingCopyStagingTest, VerificationIgnoresFilesNotMarkedForItAndAMissingVerifiedFileBlocksTheProject) {
  const std::string folder = NewFolder("projects/Alpha");
  WriteFile(folder + "/lay10lay.dat");  // present under another case
  std::vector<DataFileSpec> specs = {{"LAY10Lay.dat", true, true, false, false, 0, ""},
                                     {"LAY10Sym.dat", true, false, false, false, 0, ""}};
  EXPECT_TRUE(ServerOf(server()).VerifyProjectData("Alpha", folder, specs));
  specs[1].VerifyFlag = true;
  host_->ExpectMsgBox("VerifyProjectData()",
                      "Project 'Alpha' cannot be opened.  One or more data files is missing.\r[" + folder +
                          "/LAY10Sym.dat]\r\n\n" + ContactSupportText());
  EXPECT_FALSE(ServerOf(server()).VerifyProjectData("Alpha", folder, specs));
  EXPECT_FALSE(host_->wait_cursor());
}

TEST_F(WorkingCopyStagingTest, TemporaryFilesAreNewEmptyFilesWithTheirPrefix) {
  const std::string folder = NewFolder("projects/Alpha");
  const std::string first = server().GetTempPathAndFileName("  " + folder + "  ");
  const std::string second = server().GetTempPathAndFileName(folder);
  const std::string in_temp = server().GetTempPathAndFileName();

  EXPECT_NE(first, second);
  for (const std::string& path : {first, second}) {
    EXPECT_EQ(fs::path(path).parent_path().string(), folder);
    EXPECT_TRUE(fs::path(path).filename().string().starts_with("~QX")) << path;
    EXPECT_EQ(fs::file_size(path), 0u);
  }
  EXPECT_EQ(fs::path(in_temp).parent_path().string(), temp_ / "systemp");
  EXPECT_EQ(fs::file_size(in_temp), 0u);
}

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

const char* const kNotOwn = "It belongs to another user or is open to other users, so it is never used.";

INSTANTIATE_TEST_SUITE_P(
    Kinds, UnsafeUserFolderTest,
    ::testing::Values(
        UnsafeFolderCase{"OpenToOthers",
                         [](const std::string& user, const std::string&) {
                           fs::create_directories(user);
                           chmod(user.c_str(), 0777);
                         },
                         kNotOwn},
        UnsafeFolderCase{"OwnedByAnotherUser",
                         [](const std::string& user, const std::string&) {
                           fs::create_directories(user);
                           chmod(user.c_str(), 0700);
                           // Given away when privileged, else opened to others: the same refusal.
                           if (chown(user.c_str(), 65534, 65534) != 0) chmod(user.c_str(), 0777);
                         },
                         kNotOwn},
        UnsafeFolderCase{"LinkToAnotherFolder",
                         [](const std::string& user, const std::string& to) { fs::create_directory_symlink(to, user); },
                         "It is a symbolic link, which is never used."}), ByName());

class FlushRecordingEnv : public platform::EnvWrapper {
 public:
  explicit FlushRecordingEnv(platform::Env* target) : EnvWrapper(target) {}
  platform::Status CopyFile(const std::string& from, const std::string& to, bool durable) override {
    (durable ? durable_copies : plain_copies).push_back(fs::path(to).filename().string());
    return target()->CopyFile(from, to, durable);
  }
  platform::Status SyncFolder(const std::string& folder) override {
    synced.push_back(folder);
    return sync_error != 0 ? platform::Status::Error(sync_error) : target()->SyncFolder(folder);
  }

  std::vector<std::string> durable_copies, plain_copies, synced;
  int sync_error = 0;
};

class DurableSaveTest : public StagingTest {
 protected:
  void SetUp() override {
    Start("LAY10");
    Shared().app_data_specs = {
        {"LAY10Lay.dat", true, true, false, false, 0, ""},
        {"LAY10R??.dat", false, false, false, false, 0, ""},
    };
    project_ = MakeProjectFolder("Alpha");
    // Lower case: the working folder is recognised without regard to case.
    work_ = project_ + "/~lay10";
    fs::create_directories(work_);
    for (const std::string& folder : {project_, work_}) {
      for (const char* name : {"LAY10Lay.dat", "LAY10R01.dat", "LAY10R02.dat"})
        std::ofstream(folder + "/" + name) << name;
    }
    scoped_recorder_.emplace(&recorder_);
  }

  std::string project_, work_;
  // Installed after the start, so that only the operation under test is recorded.
  FlushRecordingEnv recorder_{&env_};
  std::optional<platform::ScopedEnv> scoped_recorder_;
};

TEST_F(DurableSaveTest, SaveFlushesEveryCopyAndTheProjectFolderOnce) {
  EXPECT_TRUE(ServerOf(server()).CopyExistingAppFiles(work_, project_ + "/"));
  EXPECT_THAT(recorder_.durable_copies,
              ::testing::UnorderedElementsAre("LAY10Lay.dat", "LAY10R01.dat", "LAY10R02.dat"));
  EXPECT_THAT(recorder_.plain_copies, IsEmpty());
  EXPECT_THAT(recorder_.synced, ElementsAre(project_));
}

TEST_F(DurableSaveTest, StagingIntoTheWorkingFolderFlushesNothing) {
  EXPECT_TRUE(ServerOf(server()).CopyExistingAppFiles(project_, work_));
  EXPECT_EQ(recorder_.plain_copies.size(), 3u);
  EXPECT_THAT(recorder_.durable_copies, IsEmpty());
  EXPECT_THAT(recorder_.synced, IsEmpty());
}

TEST_F(DurableSaveTest, FailedFolderFlushIsReportedFailsTheCopyAndTheFilesStayCopied) {
  recorder_.sync_error = 23;  // a data error from the device
  host_->ExpectMsgBox("CopyExistingAppFiles()", GetSystemErrorText(23));
  EXPECT_FALSE(ServerOf(server()).CopyExistingAppFiles(work_, project_));
  EXPECT_EQ(recorder_.durable_copies.size(), 3u);
}

}  // namespace
}  // namespace pds::test
