#include "files/profile_file.h"

#include "pds/PendingError.h"
#include "tests/support/fault_env.h"
#include "tests/support/test_support.h"

namespace pds::platform {
namespace {

using namespace std::string_literals;

class ProfileFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearError(); }
  void TearDown() override { ClearError(); }

  std::string Get(const std::string& section, const std::string& key, const std::string& def = "<none>") {
    std::string out;
    GetPrivateProfileString(section, key, def, 1024, file_, &out);
    return out;
  }
  bool Put(const std::string& section, const std::string& key, const std::optional<std::string>& value) {
    return WritePrivateProfileString(section, key, value, file_);
  }
  std::string Content() { return dir_.Read("PROJECT.QVP"); }

  test::TempFolder dir_;
  std::string file_ = dir_ / "PROJECT.QVP";
};

TEST_F(ProfileFileTest, WritingKeysCreatesFileAndSectionsWithCrLf) {
  ASSERT_TRUE(Put("Project", "Project Name", "Alpha"));
  ASSERT_TRUE(Put("Properties", "Project Number", "7"));
  ASSERT_TRUE(Put("Project", "Master Archive Version", "AR002"));
  EXPECT_EQ(Content(),
            "[Project]\r\nProject Name=Alpha\r\nMaster Archive Version=AR002\r\n\r\n"
            "[Properties]\r\nProject Number=7\r\n");
  EXPECT_EQ(Err().last_os_error, 0);
}

TEST_F(ProfileFileTest, NamesCompareWithoutCaseAndFirstMatchWins) {
  dir_.Write("PROJECT.QVP", "[Project]\nName=first\nname=second\n[PROJECT]\nName=third\nOther=x\n");
  EXPECT_EQ(Get("project", "NAME"), "first");
  // Keys of a later section with the same name are never reached.
  EXPECT_EQ(Get("Project", "Other"), "<none>");

  ASSERT_TRUE(Put("PROJECT", "nAmE", "new"));
  EXPECT_EQ(Content(), "[Project]\r\nName=new\r\nname=second\r\n[PROJECT]\r\nName=third\r\nOther=x\r\n");
}

TEST_F(ProfileFileTest, ValuesComeBackTrimmedWithQuotePairRemoved) {
  dir_.Write("PROJECT.QVP",
             "[S]\r\n  Spaced  =  inner  value \t\r\nDouble=\"quoted \"\r\nSingle='x'\r\nHalf=\"open\r\n"
             "True=-1\r\nFalse=0\r\nEmpty=\r\nWord=True\r\nYes=yes\r\nPadded= 1 \r\n");
  const std::pair<const char*, const char*> values[] = {
      {"spaced", "inner  value"}, {"Double", "quoted "}, {"Single", "x"}, {"Half", "\"open"},
      // The project file's flag rule is applied to these texts by its reader.
      {"True", "-1"}, {"False", "0"}, {"Empty", ""}, {"Word", "True"}, {"Yes", "yes"}, {"Padded", "1"}};
  for (const auto& [key, value] : values) EXPECT_EQ(Get("S", key), value) << key;
}

TEST_F(ProfileFileTest, CommentsBlankLinesAndOrphanLinesAreKeptButNeverMatched) {
  dir_.Write("PROJECT.QVP", "orphan=1\n[S]\n;key=commented\n\nkey=real\n\n[T]\nt=1\n");
  EXPECT_EQ(Get("S", "key"), "real");
  EXPECT_EQ(Get("S", ";key"), "<none>");
  EXPECT_EQ(Get("", "orphan"), "<none>");

  ASSERT_TRUE(Put("S", "added", "2"));
  EXPECT_EQ(Content(), "orphan=1\r\n[S]\r\n;key=commented\r\n\r\nkey=real\r\nadded=2\r\n\r\n[T]\r\nt=1\r\n");
}

TEST_F(ProfileFileTest, AbsentValueDeletesKeyAndAbsentKeyDeletesSection) {
  dir_.Write("PROJECT.QVP", "[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\nz=3\r\n");
  ASSERT_TRUE(Put("a", "X", std::nullopt));
  EXPECT_EQ(Content(), "[A]\r\ny=2\r\n\r\n[B]\r\nz=3\r\n");
  ASSERT_TRUE(WritePrivateProfileString("A", std::nullopt, std::nullopt, file_));
  EXPECT_EQ(Content(), "[B]\r\nz=3\r\n");
  EXPECT_EQ(Get("A", "y"), "<none>");
}

TEST_F(ProfileFileTest, DeletingFromMissingFileSucceedsWithoutCreatingItButWritingIntoAMissingFolderFails) {
  EXPECT_TRUE(Put("A", "x", std::nullopt));
  EXPECT_TRUE(WritePrivateProfileString("A", std::nullopt, std::nullopt, file_));
  EXPECT_FALSE(std::filesystem::exists(file_));
  EXPECT_FALSE(WritePrivateProfileString("Project", "Project Name", "A", dir_ / "gone/PROJECT.QVP"));
  EXPECT_NE(Err().last_os_error, 0);
}

TEST_F(ProfileFileTest, SectionReplaceKeepsExactlyTheNewKeys) {
  dir_.Write("PROJECT.QVP", "[A]\r\nx=1\r\ny=2\r\n;note\r\n\r\n[B]\r\nz=3\r\n");
  ASSERT_TRUE(WritePrivateProfileSection("a", "y=20\0w=30\0\0"s, file_));
  ASSERT_TRUE(WritePrivateProfileSection("C", "c=1\0"s, file_));
  EXPECT_EQ(Content(), "[A]\r\ny=20\r\nw=30\r\n\r\n[B]\r\nz=3\r\n\r\n[C]\r\nc=1\r\n");
  EXPECT_EQ(Get("A", "x"), "<none>");
}

TEST_F(ProfileFileTest, ListsAndStringsFollowBufferLimits) {
  dir_.Write("PROJECT.QVP", "[A]\r\n y = 20 \r\nw=30\r\n[B]\r\n[S]\r\nk=abcdef\r\n");
  std::string out;
  EXPECT_EQ(GetPrivateProfileSection("A", 1024, file_, &out), 10u);
  EXPECT_EQ(out, "y=20\0w=30\0"s);
  EXPECT_EQ(GetPrivateProfileSection("A", 11, file_, &out), 10u);  // the list and its final NUL fit exactly
  EXPECT_EQ(GetPrivateProfileSection("A", 10, file_, &out), 8u);
  EXPECT_EQ(out, "y=20\0w=3"s);
  EXPECT_EQ(GetPrivateProfileSection("B", 1024, file_, &out), 0u);

  EXPECT_EQ(GetPrivateProfileSectionNames(1024, file_, &out), 6u);
  EXPECT_EQ(out, "A\0B\0S\0"s);
  EXPECT_EQ(GetPrivateProfileSectionNames(4, file_, &out), 2u);
  EXPECT_EQ(out, "A\0"s);
  // A string keeps the buffer's size less one.
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", 4, file_, &out), 3u);
  EXPECT_EQ(out, "abc");
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", 0, file_, &out), 0u);
  EXPECT_EQ(out, "");
  EXPECT_EQ(GetPrivateProfileString("S", "missing", "dflt  ", 1024, file_, &out), 4u);
  EXPECT_EQ(out, "dflt");
}

TEST_F(ProfileFileTest, MissingFileOrKeyGivesDefaultAndError2) {
  SetLastOsError(0);
  EXPECT_EQ(Get("Project", "Project Name", "none"), "none");
  EXPECT_EQ(Err().last_os_error, 2);
  std::string out = "stale";
  EXPECT_EQ(GetPrivateProfileSectionNames(1024, file_, &out), 0u);
  EXPECT_EQ(out, "");

  dir_.Write("PROJECT.QVP", "[Project]\r\nProject Name=A\r\n");
  EXPECT_EQ(Get("Project", "Project Name"), "A");
  EXPECT_EQ(Err().last_os_error, 0);
  EXPECT_EQ(Get("Project", "Other", ""), "");
  EXPECT_EQ(Err().last_os_error, 2);
}

TEST_F(ProfileFileTest, ReadOnlyFileRefusesWritesAndKeepsContent) {
  const std::string original = "[Project]\r\nProject Name=A\r\n";
  dir_.Write("PROJECT.QVP", original);
  std::filesystem::permissions(file_, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  EXPECT_FALSE(Put("Project", "Project Name", "B"));
  EXPECT_EQ(Err().last_os_error, 5);
  EXPECT_FALSE(WritePrivateProfileSection("Properties", "a=1\0"s, file_));
  EXPECT_FALSE(Put("Project", "Project Name", std::nullopt));
  EXPECT_EQ(Content(), original);
}

TEST_F(ProfileFileTest, FailedWriteRecordsSystemError) {
  dir_.Write("PROJECT.QVP", "[Project]\r\nProject Name=A\r\n");
  test::FaultEnv env(CurrentEnv());
  env.Fail(test::Call::kWriteFile, 112);
  ScopedEnv scoped(&env);
  EXPECT_FALSE(Put("Project", "Project Name", "B"));
  EXPECT_EQ(Err().last_os_error, 112);
  EXPECT_EQ(Get("Project", "Project Name"), "A");
}

}  // namespace
}  // namespace pds::platform
