// The project record: its fields and their trimming, its properties saved to
// and loaded from the project database, and its project locks, one lock file
// per application in the project folder, held until the record is destroyed,
// and what refuses a lock and how it is reported.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>

#include "pds/UiHost.h"
#include "tests/projects/record_test_support.h"

namespace pds::test {
namespace {

using ProjectRecordTest = RecordTest;

TEST_F(ProjectRecordTest, NewRecordIsUntitledAndDatedNowAndSettersTrimBlanksExceptInTheContactType) {
  clsProject p;
  EXPECT_EQ(p.JobName(), "Untitled");
  EXPECT_EQ(p.JobDate(), kFixedGeneralDate);
  EXPECT_EQ(p.JobID(), 0);
  EXPECT_EQ(p.ProjectCategory(), 0);
  for (const std::string& text : {p.JobPath(), p.JobNumber(), p.ContactType(), p.LastModified(), p.ProjectDbPath()}) {
    EXPECT_EQ(text, "");
  }
  p.SetJobName("  \tMain plant\t ");
  EXPECT_EQ(p.JobName(), "\tMain plant\t");
  p.SetContactType("  Client ");
  EXPECT_EQ(p.ContactType(), "  Client ");
  p.SetContactType("   ");
  EXPECT_EQ(p.ContactType(), "(none)");
  // The folder gives the project database's path; a blank one keeps both.
  p.SetJobPath("  /data/Job A  ");
  EXPECT_EQ(p.JobPath(), "/data/Job A");
  EXPECT_EQ(p.ProjectDbPath(), "/data/Job A/Project.mdb");
  p.SetJobPath("   ");
  EXPECT_EQ(p.JobPath(), "");
  EXPECT_EQ(p.ProjectDbPath(), "/data/Job A/Project.mdb");
}

TEST_F(ProjectRecordTest, DestroyingRecordReleasesEachLockOnce) {
  auto p = std::make_unique<clsProject>();
  p->SetJobPath(temp_.path());
  ASSERT_TRUE(p->LockProjectApp("PMP10") && p->LockProjectApp("LAY10") && p->LockProjectApp("PMP10"));
  EXPECT_TRUE(env_.releases().empty());
  p.reset();
  using ::testing::_;
  EXPECT_THAT(env_.releases(), ElementsAre(::testing::Pair(_, 1), ::testing::Pair(_, 1)));
  EXPECT_FALSE(std::filesystem::exists(temp_ / "~PMP10.PLF"));
}

class ProjectPropertiesTest : public RecordTest {
 protected:
  void SetUp() override { MakeProjectDb(temp_.path(), FieldSize()); }
  virtual long FieldSize() const { return 0; }
  std::vector<std::map<std::string, std::string>> Stored() const {
    return NamedRows(temp_ / "Project.mdb", "SELECT * FROM Properties");
  }

  clsProjectDataServer server_;
  ProjectRef project_ = Record("Job A");
};

TEST_F(ProjectPropertiesTest, SaveStoresEveryPropertyAndLoadReadsThemBack) {
  project_->SetJobNumber("J-100");
  project_->SetContactType("Client");
  project_->SetContactName("Ann Lee");
  project_->SetSalesPerson("Bo Berg");
  project_->SetJobDate("2023-11-02");
  project_->SetNotes("Line one\r\nLine two");
  ASSERT_TRUE(ServerOf(server_).SaveProjectProperties(project_));
  EXPECT_EQ(project_->LastModified(), kFixedGeneralDate);
  const std::map<std::string, std::string> row = {
      {"sJobName", "Job A"},      {"sJobNumber", "J-100"},   {"sContactType", "Client"},
      {"sContactName", "Ann Lee"}, {"sSalesperson", "Bo Berg"}, {"sDate", "2023-11-02"},
      {"sNotes", "Line one\r\nLine two"}, {"sLastModified", kFixedGeneralDate}};
  EXPECT_THAT(Stored(), ElementsAre(row));

  ProjectRef loaded = Record("");
  ASSERT_TRUE(ServerOf(server_).LoadProjectProperties(loaded));
  EXPECT_EQ(loaded->JobName() + "|" + loaded->JobNumber() + "|" + loaded->ContactType() + "|" +
                loaded->ContactName() + "|" + loaded->SalesPerson() + "|" + loaded->JobDate() + "|" +
                loaded->Notes() + "|" + loaded->LastModified(),
            std::string("Job A|J-100|Client|Ann Lee|Bo Berg|2023-11-02|Line one\r\nLine two|") + kFixedGeneralDate);
}

TEST_F(ProjectPropertiesTest, EmptyPropertiesAreStoredAsOneBlankAndLoadBackEmpty) {
  ASSERT_TRUE(ServerOf(server_).SaveProjectProperties(project_));
  auto rows = Stored();
  ASSERT_EQ(rows.size(), 1u);
  for (const char* field : {"sJobNumber", "sContactType", "sContactName", "sSalesperson", "sNotes"}) {
    EXPECT_EQ(rows[0][field], " ") << field;
  }
  ProjectRef loaded = Record("Other");
  loaded->SetJobNumber("stale");
  ASSERT_TRUE(ServerOf(server_).LoadProjectProperties(loaded));
  EXPECT_EQ(loaded->JobNumber(), "");
  EXPECT_EQ(loaded->ContactType(), "(none)");
}

class UntitledNameTest : public ProjectPropertiesTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(UntitledNameTest, SaveRefusesUntitledAndLeavesTableAsItWas) {
  ASSERT_TRUE(ServerOf(server_).SaveProjectProperties(project_));
  project_->SetJobName(GetParam());
  project_->SetJobNumber("changed");
  host_->ExpectMsgBox("Invalid Project Name", std::string("Invalid project name.  [") + GetParam() + "]");
  EXPECT_FALSE(ServerOf(server_).SaveProjectProperties(project_));
  auto rows = Stored();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0]["sJobName"] + "|" + rows[0]["sJobNumber"], "Job A| ");
}

INSTANTIATE_TEST_SUITE_P(AnyCase, UntitledNameTest, ::testing::Values("Untitled", "uNTitled", "UNTITLED"), ByText());

TEST_F(ProjectPropertiesTest, MissingRecordOrFolderAndAValueTheTableRefusesAreReportedAndStoreNothing) {
  host_->ExpectMsgBox("SaveProjectProperties()", "Error - No current project object.")
      .ExpectMsgBox("LoadProjectProperties()", "Project path invalid.  No path specified.");
  EXPECT_FALSE(ServerOf(server_).SaveProjectProperties(nullptr));
  EXPECT_FALSE(ServerOf(server_).LoadProjectProperties(std::make_shared<clsProject>()));
  EXPECT_FALSE(ServerOf(server_).LoadProjectProperties(nullptr));  // silently
  EXPECT_EQ(host_->shown().at(0).style, vbCritical);
  project_->SetJobNumber(std::string(51, 'N'));  // the field holds 50
  host_->ExpectMsgBoxContaining("SaveProjectProperties()", "");
  EXPECT_FALSE(ServerOf(server_).SaveProjectProperties(project_));
  EXPECT_TRUE(Stored().empty());
}

TEST_F(ProjectPropertiesTest, LoadWithoutDatabaseOrRowKeepsRecord) {
  project_->SetJobNumber("kept");
  EXPECT_TRUE(ServerOf(server_).LoadProjectProperties(project_));  // no row yet
  std::filesystem::remove(temp_ / "Project.mdb");
  EXPECT_FALSE(ServerOf(server_).LoadProjectProperties(project_));
  EXPECT_NE(Err().number, 0);  // left pending for the caller's report
  EXPECT_EQ(project_->JobName() + "|" + project_->JobNumber(), "Job A|kept");
}

TEST_F(ProjectPropertiesTest, LoadReadsNullAsEmptyAndKeepsContactTypeBlanks) {
  Execute(temp_ / "Project.mdb", {"INSERT INTO Properties (sJobName, sContactType) VALUES ('Job C', ' Client ')"});
  project_->SetJobNumber("stale");
  project_->SetLastModified("stale");
  ASSERT_TRUE(ServerOf(server_).LoadProjectProperties(project_));
  EXPECT_EQ(project_->JobName() + "|" + project_->ContactType() + "|" + project_->JobNumber() + "|" +
                project_->LastModified(),
            "Job C| Client ||");
}

// The stamp fits sLastModified: date and time, else the date, else none (the record still takes the date).
class LastModifiedStampTest : public ProjectPropertiesTest,
                              public ::testing::WithParamInterface<std::tuple<long, std::string, std::string>> {
 protected:
  long FieldSize() const override { return std::get<0>(GetParam()); }
};

TEST_P(LastModifiedStampTest, StampFitsTheField) {
  ASSERT_TRUE(ServerOf(server_).SaveProjectProperties(project_));
  EXPECT_EQ(project_->LastModified(), std::get<1>(GetParam()));
  auto rows = Stored();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0]["sLastModified"], std::get<2>(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(FieldSizes, LastModifiedStampTest,
                         ::testing::Values(std::tuple{19L, kFixedGeneralDate, kFixedGeneralDate},
                                           std::tuple{18L, kFixedShortDate, kFixedShortDate},
                                           std::tuple{10L, kFixedShortDate, kFixedShortDate},
                                           std::tuple{9L, kFixedShortDate, "<null>"}),
                         [](const auto& info) { return "Size" + std::to_string(std::get<0>(info.param)); });

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
  EXPECT_THAT(p->LockHandles(), ElementsAre(::testing::Key("LAY10")));
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
  EXPECT_TRUE(other->LockHandles().empty());
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

// Each refusal keeps the one sentence, says why in words a user can act on, names the file, adds the system's text.
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
        LockRefusal{"OtherCause", 23, ""}), ByName());

// Access denied names what is in the way: the user's own read-only lock file, or another user's the folder keeps.
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
  EXPECT_THAT(given->LockHandles(), ElementsAre(::testing::Key("PMP10")));
  EXPECT_FALSE(fs::exists(LockFile("CAL10")));
}

}  // namespace
}  // namespace pds::test
