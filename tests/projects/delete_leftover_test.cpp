// A deletion that cannot use the project file says which file and why, before
// anything goes; and a deletion cut short after the project left the list is
// finished by the next delete of its name, from the mark it left.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "pds/UiHost.h"
#include "platform/env.h"
#include "platform/errors.h"
#include "tests/projects/lifecycle_fixture.h"

namespace pds::test {
namespace {

namespace fs = std::filesystem;

const std::string kFailure = "Error Deleting Project.\r\n\n";

// Sets or clears the immutable attribute; false when this process may not.
bool SetImmutable(const std::string& path, bool on) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
  ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  close(fd);
  return ok;
}

std::set<std::string> Entries(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

// Fails, with access denied, the deletion of one named file.
class StopAtEnv : public platform::EnvWrapper {
 public:
  explicit StopAtEnv(platform::Env* target) : EnvWrapper(target) {}
  platform::Status DeleteFile(const std::string& path) override {
    if (!stop_at.empty() && fs::path(path).filename() == stop_at) return platform::Status::Error(5);
    return target()->DeleteFile(path);
  }
  std::string stop_at;
};

class DeleteLeftoverTest : public LifecycleTest {
 protected:
  void TearDown() override {
    if (!immutable_.empty()) SetImmutable(immutable_, false);
    LifecycleTest::TearDown();
  }
  // Alpha saved by PMP10 and closed.
  std::string SaveAlpha() {
    Start("PMP10");
    const std::string alpha = SaveNewProject("Alpha");
    EXPECT_EQ(server().ProjectNew(), RETURN_OK);
    return alpha;
  }
  void ExpectDeleteQuestion() {
    host_->ExpectMsgBox("Delete Project", "Delete all Pump Designer v1.0 data in project [Alpha]?", vbYes);
  }
  std::string immutable_;
  StopAtEnv faults_{&env_};
  platform::ScopedEnv scoped_faults_{&faults_};
};

struct UnusableCase {
  const char* name;
  bool asks;  // whether the file reads well enough for the question to come
  // Spoils the project file; returns what the message says after the common opening.
  std::string (*spoil)(const std::string& project_file, DeleteLeftoverTest& test);
};

class UnusableProjectFileTest : public DeleteLeftoverTest, public ::testing::WithParamInterface<UnusableCase> {
 public:
  void MarkImmutable(const std::string& path) {
    if (SetImmutable(path, true)) immutable_ = path;
  }
  bool Marked() const { return !immutable_.empty(); }
};

// Replaces the project file with something that is not a plain file.
std::string NotPlain(const std::string& project_file, int code) {
  return "The project file cannot be used:\r[" + project_file + "]\r\n\nError " + std::to_string(code) + "  -  " +
         platform::SystemErrorMessage(code);
}

TEST_P(UnusableProjectFileTest, NamesTheFileAndTheCauseAndDeletesNothing) {
  const std::string alpha = SaveAlpha();
  const std::string expected = kFailure + GetParam().spoil(alpha + "/PROJECT.QVP", *this);
  if (std::string(GetParam().name) == "Immutable" && !Marked()) GTEST_SKIP() << "no immutable attribute here";
  const std::set<std::string> before = Entries(alpha);
  if (GetParam().asks) ExpectDeleteQuestion();
  host_->ExpectMsgBox("clsProjectDataServer.DeleteProject()", expected);
  EXPECT_EQ(server().ProjectDelete("Alpha"), RETURN_ERROR);
  EXPECT_EQ(Entries(alpha), before);
  EXPECT_NE(JobId("Alpha"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, UnusableProjectFileTest,
    ::testing::Values(
        UnusableCase{"Immutable", true,
                     [](const std::string& file, DeleteLeftoverTest& test) {
                       static_cast<UnusableProjectFileTest&>(test).MarkImmutable(file);
                       return "The project cannot be deleted because the following file cannot be removed:\r[" + file +
                              "]\r\n\nError 1922  -  " + platform::SystemErrorMessage(platform::kErrFrozen);
                     }},
        UnusableCase{"Pipe", false,
                     [](const std::string& file, DeleteLeftoverTest&) {
                       fs::remove(file);
                       mkfifo(file.c_str(), 0644);
                       return NotPlain(file, platform::kErrNotRegularFile);
                     }},
        UnusableCase{"LinkToDevice", false,
                     [](const std::string& file, DeleteLeftoverTest&) {
                       fs::remove(file);
                       fs::create_symlink("/dev/zero", file);
                       return NotPlain(file, platform::kErrIsLink);
                     }},
        UnusableCase{"Folder", false,
                     [](const std::string& file, DeleteLeftoverTest&) {
                       fs::remove(file);
                       fs::create_directory(file);
                       return NotPlain(file, platform::kErrNotRegularFile);
                     }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DeleteLeftoverTest, NameNotListedSaysSo) {
  Start("PMP10");
  host_->ExpectMsgBox("clsProjectDataServer.DeleteProject()",
                      kFailure + "There is no project named [Nowhere] in the projects list.");
  EXPECT_EQ(server().ProjectDelete("Nowhere"), RETURN_ERROR);
}

struct CutShortCase {
  const char* name;
  const char* stop_at;  // the file whose deletion fails
  bool emptied;         // cut short after the last file and the mark went
};

class CutShortDeleteTest : public DeleteLeftoverTest, public ::testing::WithParamInterface<CutShortCase> {};

TEST_P(CutShortDeleteTest, NextDeleteOfTheNameFinishesIt) {
  const std::string alpha = SaveAlpha();
  faults_.stop_at = GetParam().stop_at;
  ExpectDeleteQuestion();
  host_->ExpectMsgBox("clsProjectDataServer.DeleteProject()",
                      kFailure + "The following file could not be deleted:\r[" + alpha + "/" + GetParam().stop_at +
                          "]\r\n\nError 5  -  Permission denied.\r\n");
  EXPECT_EQ(server().ProjectDelete("Alpha"), RETURN_ERROR);
  faults_.stop_at.clear();
  ASSERT_EQ(JobId("Alpha"), 0);
  if (GetParam().emptied) {
    for (const auto& entry : fs::directory_iterator(alpha)) fs::remove(entry.path());
  }
  host_->ExpectMsgBox("Delete Project",
                      "Project [Alpha] is no longer listed, but a deletion of it was cut short and left its folder:\r[" +
                          alpha + "]\r\n\nFinish deleting it?",
                      vbYes);
  host_->ExpectMsgBox("Delete Project", "The deletion of project [Alpha] has been finished.", vbOK);
  EXPECT_EQ(server().ProjectDelete("Alpha"), RETURN_OK);
  EXPECT_FALSE(fs::exists(alpha));
}

INSTANTIATE_TEST_SUITE_P(Points, CutShortDeleteTest,
                         ::testing::Values(CutShortCase{"AtTheTagDatabase", "PMP10Tag.mdb", false},
                                           CutShortCase{"AtTheProjectDatabase", "Project.mdb", false},
                                           CutShortCase{"AtTheProjectFile", "PROJECT.QVP", false},
                                           CutShortCase{"WithOnlyTheFolderLeft", "PROJECT.QVP", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DeleteLeftoverTest, UnmarkedFilesOfAnUnlistedFolderAreLeftAlone) {
  const std::string alpha = SaveAlpha();
  const std::string stray = Projects() + "/Stray";
  fs::create_directories(stray);
  const std::string qvp = stray + "/PROJECT.QVP";
  fs::copy_file(alpha + "/PROJECT.QVP", qvp);
  host_->ExpectMsgBox("clsProjectDataServer.DeleteProject()",
                      kFailure + "There is no project named [Stray] in the projects list.\rThe folder of that name holds "
                                 "files no listed project uses; they are left as they are:\r[" +
                          stray + "]");
  EXPECT_EQ(server().ProjectDelete("Stray"), RETURN_ERROR);
  EXPECT_TRUE(fs::exists(qvp));
}

TEST_F(DeleteLeftoverTest, FinishingCanBeDeclined) {
  const std::string alpha = SaveAlpha();
  faults_.stop_at = "PROJECT.QVP";
  ExpectDeleteQuestion();
  host_->ExpectMsgBoxContaining("clsProjectDataServer.DeleteProject()", kFailure);
  server().ProjectDelete("Alpha");
  faults_.stop_at.clear();
  host_->ExpectMsgBoxContaining("Delete Project", "Finish deleting it?", vbNo);
  EXPECT_EQ(server().ProjectDelete("Alpha"), RETURN_USER_CANCEL);
  EXPECT_TRUE(fs::exists(alpha + "/PROJECT.QVP"));
}

}  // namespace
}  // namespace pds::test
