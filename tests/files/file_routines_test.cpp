// The file routines: paths, names and the rules a project, file or folder
// name must follow, copying and deleting by file pattern, folders and
// listings, with every failure reported through the common reporter.

#include <set>

#include "files/file_routines.h"
#include "pds/PendingError.h"
#include "pds/UiHost.h"
#include "tests/support/fault_env.h"
#include "tests/support/test_support.h"
#include "ui/messages.h"

namespace pds {
namespace {

using platform::ScopedEnv;

TEST(PathAndTextRoutinesTest, KeepTheRootSplitAtTheLastSlashIgnoreNullsBlanksAndCaseAndPadToWidth) {
  EXPECT_EQ(AddBackslash("/a/b/"), "/a/b/");
  EXPECT_EQ(AddBackslash(" /a/b "), "/a/b/");
  EXPECT_EQ(AddBackslash(""), "");
  EXPECT_EQ(RemoveBackslash("/a/b/ "), "/a/b");
  EXPECT_EQ(RemoveBackslash("/a/b"), "/a/b");
  EXPECT_EQ(RemoveBackslash("  "), "");
  EXPECT_EQ(RemoveBackslash("/"), "/");
  EXPECT_EQ(AddBackslash(RemoveBackslash("/")), "/");
  EXPECT_EQ(GetPathFolder("/a/b/c.txt"), "/a/b");
  EXPECT_EQ(GetPathFolder("/c.txt"), "/");
  EXPECT_EQ(GetPathFolder("c.txt"), "");
  EXPECT_EQ(GetLastPathPart("/a/b/c.txt"), "c.txt");
  EXPECT_EQ(GetLastPathPart("/a/b/"), "b");
  EXPECT_EQ(GetLastPathPart("/"), "");
  EXPECT_EQ(StripNull(std::string(" abc \0 junk", 11)), "abc");
  EXPECT_TRUE(IsSameText(" Untitled", "UNTITLED "));
  EXPECT_FALSE(IsSameText("Untitled", "Untitled2"));
  EXPECT_EQ(ZeroPad(7, 2), "07");
  EXPECT_EQ(ZeroPad(123, 2), "23");
  EXPECT_EQ(ZeroPad(10, 2), "10");
  EXPECT_EQ(ZeroPad(5, 0), "");
}

class FileRoutinesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearError();
    fs::create_directory(from_);
    fs::create_directory(to_);
  }
  void TearDown() override { EXPECT_TRUE(host_->Problems().empty()) << ::testing::PrintToString(host_->Problems()); }

  test::TempFolder dir_;
  test::ScopedScriptedHost host_;
  std::string from_ = dir_ / "from";
  std::string to_ = dir_ / "to";
};

TEST_F(FileRoutinesTest, CopyFileSpecCopiesMatchingFilesOnlyPassesWithoutAMatchWhenNotRequiredAndReportsWhatIsMissing) {
  dir_.Write("from/a.dat", "a");
  dir_.Write("from/b.DAT", "b");
  dir_.Write("from/c.txt", "c");
  fs::create_directory(from_ + "/d.dat");
  EXPECT_TRUE(CopyFileSpec("*.dat", from_, to_ + "/", true));
  EXPECT_EQ(test::FolderNames(to_), (std::vector<std::string>{"a.dat", "b.DAT"}));
  EXPECT_EQ(dir_.Read("to/b.DAT"), "b");
  fs::create_directories(from_ + "/Tag.mdb");
  host_->ExpectMsgBox("CopyFileSpec()",
                      "Error copying file.  The following is a folder, not a file:\r\n[" + from_ + "/Tag.mdb]");
  EXPECT_FALSE(CopyFileSpec("Tag.mdb", from_, to_, true));
  EXPECT_TRUE(CopyFileSpec("*.xyz", from_, to_, false));
  EXPECT_EQ(test::FolderNames(to_), (std::vector<std::string>{"a.dat", "b.DAT"}));
  const std::string gone = dir_ / "gone";
  host_->ExpectMsgBox("CopyFileSpec()",
                      "Error copying file.  The following required folder was not found:\r\n[" + gone + "]")
      .ExpectMsgBox("CopyFileSpec()",
                    "Error copying file.  The following destination folder was not found:\r\n[" + gone + "]");
  EXPECT_FALSE(CopyFileSpec("*.*", gone, to_, false));
  EXPECT_FALSE(CopyFileSpec("*.*", from_, gone, false));
}

TEST_F(FileRoutinesTest, FailedCopyShowsBothPathsAndStopsTheSpec) {
  dir_.Write("from/a.dat", "a");
  dir_.Write("from/b.dat", "b");
  test::FaultEnv env(platform::CurrentEnv());
  env.Fail(test::Call::kCopy, 5);
  ScopedEnv scoped(&env);
  host_->ExpectMsgBoxContaining("bFileCopy()", GetSystemErrorText(5) + "\r\n\nError copying file...\r\nFrom:  \t" +
                                                   from_ + "/");
  EXPECT_FALSE(CopyFileSpec("*.dat", from_, to_, true));
  EXPECT_EQ(env.Count(test::Call::kCopy), 1);

  host_->ExpectMsgBox("bFileCopy()", GetSystemErrorText(5) + "\r\n\nError copying file...\r\nFrom:  \t/x/s\rTo:  \t/y/d");
  EXPECT_FALSE(bFileCopy("/x/s", "/y/d"));
  EXPECT_EQ(Err().last_os_error, 0);  // reported once, not again by the caller
}

TEST_F(FileRoutinesTest, DeleteFileSpecKeepsDotFilesReadOnlyFilesAndFoldersAndReportsMissingFolder) {
  dir_.Write("from/a.tmp", "");
  dir_.Write("from/.b.tmp", "");
  dir_.Write("from/keep.dat", "");
  const std::string locked = dir_.Write("from/locked.tmp", "");
  fs::permissions(locked, fs::perms::owner_read);
  fs::create_directory(from_ + "/sub.tmp");
  EXPECT_TRUE(DeleteFileSpec(from_ + "/*.TMP"));
  EXPECT_EQ(test::FolderNames(from_), (std::vector<std::string>{".b.tmp", "keep.dat", "locked.tmp", "sub.tmp"}));
  EXPECT_TRUE(DeleteFileSpec(from_ + "/*.none"));
  host_->ExpectMsgBox("DeleteFileSpec()", "Path not found.");
  EXPECT_FALSE(DeleteFileSpec(dir_ / "gone/*.*"));
}

TEST_F(FileRoutinesTest, RemoveFolderRefusesFolderWithFilesRemovesAnEmptyOneAndReportsMissing) {
  dir_.Write("from/a.dat", "");
  host_->ExpectMsgBox("RemoveFolder()",
                      "Could not remove folder.  A folder must be empty before it can be removed.  The folder may "
                      "contain other file(s) or subfolder(s).\r\n\n[" + from_ + "]");
  EXPECT_FALSE(RemoveFolder(from_, true));
  EXPECT_FALSE(RemoveFolder(from_, false));  // silently, leaving the code for the caller
  EXPECT_EQ(Err().last_os_error, 5);
  EXPECT_TRUE(fs::exists(from_ + "/a.dat"));
  EXPECT_TRUE(RemoveFolder(to_, true));
  EXPECT_FALSE(fs::exists(to_));
  host_->ExpectMsgBox("RemoveFolder()", "Cannot remove folder [" + to_ + "]");
  EXPECT_FALSE(RemoveFolder(to_, true));
  EXPECT_FALSE(RemoveFolder(to_, false));
}

TEST_F(FileRoutinesTest, Dir1ContinuesTheListingFiltersFoldersAndOffersRetryWhenTheDeviceIsNotReady) {
  dir_.Write("from/a.txt", "");
  dir_.Write("from/b.txt", "");
  fs::create_directory(from_ + "/sub");
  auto list = [](const std::string& pattern, int attributes) {
    std::set<std::string> names;
    for (std::string n = Dir1(pattern, attributes); !n.empty(); n = Dir1("", attributes)) names.insert(n);
    return names;
  };
  EXPECT_EQ(list(from_ + "/", 0), (std::set<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(list(from_ + "/", kDirIncludeFolders), (std::set<std::string>{".", "..", "a.txt", "b.txt", "sub"}));
  EXPECT_EQ(Dir1("", 0), "");  // the finished search stays closed
  EXPECT_EQ(Dir1(from_ + "/a*", 0), "a.txt");
  EXPECT_EQ(Dir1(from_ + "/b*", 0), "b.txt");  // a new pattern starts over
  EXPECT_EQ(Dir1("", 0), "");

  test::FaultEnv env(platform::CurrentEnv());
  env.Fail(test::Call::kListFolder, 21, {}, 0, 2);
  ScopedEnv scoped(&env);
  host_->ExpectMsgBox("Dir1()", "Device not ready.  Try Again?", vbYes)
      .ExpectMsgBox("Dir1()", "Device not ready.  Try Again?", vbYes);
  EXPECT_EQ(Dir1(from_ + "/a*.txt", 0), "a.txt");

  env.Fail(test::Call::kListFolder, 21, {}, 0, 1);
  host_->ExpectMsgBox("Dir1()", "Device not ready.  Try Again?", vbNo);
  EXPECT_EQ(Dir1(from_ + "/a*.txt", 0), "");
}

TEST_F(FileRoutinesTest, FileExistsNeverTakesWildcardsLiterallyAndIsFolderEmptyIgnoresSubfolders) {
  dir_.Write("from/a*b", "");
  EXPECT_FALSE(FileExists(from_ + "/a*b"));
  EXPECT_FALSE(FileExists(from_ + "/a?b"));
  EXPECT_TRUE(FileExists(from_));
  EXPECT_FALSE(FileExists(from_ + "/none"));
  EXPECT_FALSE(FileExists(""));
  fs::create_directory(to_ + "/sub");
  EXPECT_TRUE(IsFolderEmpty(to_ + "/"));
  dir_.Write("to/.hidden", "");
  EXPECT_FALSE(IsFolderEmpty(to_));
  EXPECT_FALSE(IsFolderEmpty(""));

  const std::string gone = dir_ / "gone/";
  host_->ExpectMsgBox("New Project Folder",
                      "Folder was not found.\r[" + gone +
                          "]\r\nPlease select an empty folder or create a new folder for your project.");
  EXPECT_FALSE(IsFolderEmpty(gone));
}

TEST_F(FileRoutinesTest, MaxFileNameLengthOfPathNotYetCreated) {
  const long here = GetMaxFileNameLength(dir_.path());
  EXPECT_GT(here, 0);
  EXPECT_EQ(GetMaxFileNameLength(dir_ / "new/sub/name"), here);
}

using namespace std::string_literals;

class NameRulesTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearError(); }
  void TearDown() override { EXPECT_TRUE(host_->Problems().empty()) << ::testing::PrintToString(host_->Problems()); }

  test::ScopedScriptedHost host_;
};

struct NameCase {
  std::string name;
  std::string message;  // empty: accepted
};

std::string NameOfCase(const ::testing::TestParamInfo<NameCase>& info) { return test::CaseName(info.param.name); }

// ---- project names

class ProjectNameTest : public NameRulesTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(ProjectNameTest, IsAcceptedOrRefusedNamingTheRuleAndEachRefusedCharacter) {
  const NameCase& c = GetParam();
  if (!c.message.empty()) host_->ExpectMsgBox("ValidCharsInProjectName()", c.message);
  EXPECT_EQ(ValidCharsInProjectName(c.name, 0), c.message.empty());
}

const std::string kRefused = "Invalid project name.  The following characters cannot be used in a project name:  ";

INSTANTIATE_TEST_SUITE_P(
    Names, ProjectNameTest,
    ::testing::Values(
        NameCase{"Main plant (phase 2) $%`-@{}~!#._", ""},
        NameCase{"Good\0bad'"s, ""},  // only the text before a NUL is the name
        NameCase{"Bob's & Sons, Inc, Ltd", kRefused + "('&,,)"},
        NameCase{"Café", kRefused + "(é)"},  // a non-ASCII letter is shown whole
        NameCase{"\0abc"s,
                 "Invalid project name.  The project name is too short.  Please enter a longer project name."},
        NameCase{".hidden", "Invalid project name.  A project name cannot begin with a period."}),
    NameOfCase);

TEST_F(NameRulesTest, ProjectNameLengthLimitIsInclusiveAndCheckProjectNameRefusesEmptyAndUntitled) {
  const std::string title = "ValidCharsInProjectName()";
  const std::string too_long = "Invalid project name.  The project name is too long.  Please enter a shorter project name.";
  host_->ExpectMsgBox(title, too_long).ExpectMsgBox(title, too_long);
  EXPECT_TRUE(ValidCharsInProjectName(std::string(10, 'A'), 10));
  EXPECT_FALSE(ValidCharsInProjectName(std::string(11, 'A'), 10));

  const int saved = JobNameLengthLimit();
  SetJobNameLengthLimit(12);
  EXPECT_TRUE(ValidCharsInProjectName(std::string(12, 'b'), 0));
  EXPECT_FALSE(ValidCharsInProjectName(std::string(13, 'b'), 0));
  SetJobNameLengthLimit(saved);
  host_->ExpectMsgBox("Invalid Project Name", "Invalid project name.")
      .ExpectMsgBox("Invalid Project Name", "Invalid project name.  [ untitled ]");
  EXPECT_FALSE(CheckProjectName(""));
  EXPECT_FALSE(CheckProjectName(" untitled "));
  EXPECT_TRUE(CheckProjectName("Untitled 2"));
}

// ---- file and folder names

class ShortFileNameTest : public NameRulesTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(ShortFileNameTest, AppliesEightDotThreeRules) {
  const NameCase& c = GetParam();
  if (!c.message.empty()) host_->ExpectMsgBox("ValidateShortFileName()", c.message);
  EXPECT_EQ(ValidateShortFileName(c.name), c.message.empty());
}

const std::string kTooLong = "Invalid file or folder name.  This name is too long.  Please enter a shorter name.";

INSTANTIATE_TEST_SUITE_P(
    Names, ShortFileNameTest,
    ::testing::Values(
        NameCase{"PROJECT1.QVP", ""}, NameCase{"ABCDEFGH", ""}, NameCase{"lower.txt", ""},
        NameCase{"ABCDEFGHI", kTooLong}, NameCase{"ABCDEFGHI.TXT", kTooLong},
        NameCase{".ABC", "Invalid file or folder name.  Period is out of place."},
        NameCase{"NAME.ABCD", "Invalid file or folder name.  Too many characters after the period."},
        NameCase{"NAME.", "Invalid file or folder name.  Period cannot be last character in name."},
        NameCase{"A.B.C", "Invalid file or folder name.  Cannot have multiple periods in a name."},
        NameCase{"A+B", "Invalid File or Folder name.  (+)  is not a valid character."}),
    NameOfCase);

class LongFileNameTest : public NameRulesTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(LongFileNameTest, AppliesLongNameRules) {
  const NameCase& c = GetParam();
  if (!c.message.empty()) host_->ExpectMsgBox("ValidateLongFileName()", c.message);
  EXPECT_EQ(ValidateLongFileName(c.name, 12), c.message.empty());
}

const std::string kPeriodEnds =
    "Invalid file or folder name.  A file or folder name cannot begin or end with a period(.).";

INSTANTIATE_TEST_SUITE_P(
    Names, LongFileNameTest,
    ::testing::Values(
        NameCase{"report*?.txt", ""}, NameCase{"My Project &", ""},
        NameCase{"", "Invalid file or folder name.  Please enter a longer name."},
        NameCase{"thirteen_char", "Invalid file or folder name.  The name is too long.  Please enter a shorter name."},
        NameCase{".hidden", kPeriodEnds}, NameCase{"name.", kPeriodEnds}),
    NameOfCase);

}  // namespace
}  // namespace pds
