// The archive commands as whole programs: `archive` inside a session, with a
// destination and through the save-file dialog, and `pds archive-info`
// reading what an archive holds, or refusing an archive it cannot trust.

#include "pds/ArchiveInfo.h"
#include "tests/apps/pds_command.h"
#include "tests/archive/zip_bytes.h"
#include "tests/config/service_fixture.h"

namespace pds::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

class ArchiveCommandTest : public ServiceTest {
 protected:
  // One PMP10 session fed commands (printf escapes); its own TMPDIR.
  PdsRun Session(const std::string& commands, const std::string& ui = "batch") {
    fs::create_directories(temp_ / "tmp");
    return RunPds(temp_, "session --root '" + temp_.path() + "' --app PMP10 --ui " + ui,
                  "TMPDIR='" + (temp_ / "tmp") + "'", commands);
  }
  // A saved project Alpha with a project number, and the commands after it.
  std::string SavedAlpha(const std::string& then) {
    fs::create_directories(temp_ / "Alpha");
    return "new\\nsave-as " + (temp_ / "Alpha") + " Alpha\\nset JobNumber X-7\\nsave\\n" + then + "exit\\n";
  }
};

TEST_F(ArchiveCommandTest, SessionArchiveToAFileIsReadBackByArchiveInfo) {
  Install();
  const std::string zip = temp_ / "alpha.qva";
  PdsRun run = Session(SavedAlpha("archive " + zip + "\\n"));
  ASSERT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_THAT(run.out, HasSubstr("archive: RETURN_OK"));

  fs::create_directories(temp_ / "info-tmp");
  PdsRun info = RunPds(temp_, "archive-info '" + zip + "'", "TMPDIR='" + (temp_ / "info-tmp") + "'");
  ASSERT_EQ(info.exit_code, 0) << info.err;
  EXPECT_THAT(info.out, HasSubstr("Master Archive Version:  AR002"));
  EXPECT_THAT(info.out, HasSubstr("Project Name:            Alpha"));
  EXPECT_THAT(info.out, HasSubstr("Project Number:          X-7"));
  EXPECT_THAT(info.out, HasSubstr("PMP10    Pump Designer v1.0"));
  // The extracted project file went into a private folder that is gone again.
  EXPECT_TRUE(fs::is_empty(temp_ / "info-tmp"));

  PdsRun json = RunPds(temp_, "archive-info '" + zip + "' --json");
  EXPECT_EQ(json.exit_code, 0);
  EXPECT_THAT(json.out, StartsWith("{\"ok\":true,"));
  EXPECT_THAT(json.out, HasSubstr("\"applications\":[{\"pdsg\":\"PMP10\",\"name\":\"Pump Designer v1.0\"}]"));
  EXPECT_THAT(json.out, HasSubstr("\"entries\":[\"PROJECT.QVP\",\"Project.mdb\",\"PMP10Tag.mdb\",\"PMP10Crv.dat\"]"));
}

TEST_F(ArchiveCommandTest, SessionArchiveWithoutFileAsksThroughTheSaveFileDialog) {
  Install();
  const std::string zip = temp_ / "chosen.qva";
  temp_.Write("answers.txt", "file \"" + zip + "\"\nmsgbox \"Archive Complete\" ~\"has been archived to\" -> OK\n");
  PdsRun run = Session(SavedAlpha("archive\\n"), "'script:" + (temp_ / "answers.txt") + "'");
  EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_THAT(run.out, HasSubstr("archive: RETURN_OK"));
  EXPECT_TRUE(fs::exists(zip));
  EXPECT_TRUE(fs::is_directory(temp_ / "TVX-ii/Archives"));
}

TEST_F(ArchiveCommandTest, SessionArchiveTakesOneFileOnly) {
  Install();
  PdsRun run = Session("archive a.qva b.qva\\n");
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_THAT(run.out + run.err, HasSubstr("USAGE"));
}

// ---- archives archive-info refuses

struct BadArchiveCase {
  const char* label;
  std::string (*make)(const TempFolder& t);  // returns the path given
  const char* message;
};

const BadArchiveCase kBadArchives[] = {
    {"Missing", [](const TempFolder& t) { return t / "none.qva"; }, "no archive"},
    {"Folder", [](const TempFolder& t) { fs::create_directory(t / "dir.qva"); return t / "dir.qva"; }, "is a folder"},
    {"PlainText", [](const TempFolder& t) { return t.Write("text.qva", "not an archive at all, only text"); },
     "Archive file is damaged"},
    {"CutShort",
     [](const TempFolder& t) { return t.Write("cut.qva", BuildZip({{"PROJECT.QVP", "[Project]\r\n"}}).substr(0, 30)); },
     "Archive file is damaged"},
    {"NoProjectFile", [](const TempFolder& t) { return t.Write("nq.qva", BuildZip({{"Project.mdb", "x"}})); },
     "holds no project file PROJECT.QVP"},
    {"ProjectFileWithPathPart",
     [](const TempFolder& t) { return t.Write("evil.qva", BuildZip({{"../PROJECT.QVP", "[Project]\r\n"}})); },
     "Archive file is damaged (Structure error)"},
};

class ArchiveInfoRefusalTest : public ::testing::TestWithParam<BadArchiveCase> {};

TEST_P(ArchiveInfoRefusalTest, ExitsWithOneAndAClearMessage) {
  TempFolder temp;
  const std::string path = GetParam().make(temp);
  PdsRun run = RunPds(temp, "archive-info '" + path + "'");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_THAT(run.err, HasSubstr(GetParam().message));
  EXPECT_THAT(run.out, IsEmpty());
  PdsRun json = RunPds(temp, "archive-info '" + path + "' --json");
  EXPECT_EQ(json.exit_code, 1);
  EXPECT_THAT(json.out, StartsWith("{\"ok\":false,\"error\":"));
  EXPECT_FALSE(fs::exists(temp / "PROJECT.QVP"));
}

INSTANTIATE_TEST_SUITE_P(Cases, ArchiveInfoRefusalTest, ::testing::ValuesIn(kBadArchives),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(ArchivedAppDisplayTextTest, VersionFromTheDesignationOnlyWhenTheNameHasNone) {
  EXPECT_EQ(ArchivedAppDisplayText("ABC12", "Sample App"), "Sample App v1.2");
  EXPECT_EQ(ArchivedAppDisplayText("ABC12", "Sample App 3"), "Sample App 3");
  EXPECT_EQ(ArchivedAppDisplayText("PMP10", ""), " v1.0");
  EXPECT_EQ(ArchivedAppDisplayText("X", "Odd"), "Odd");
}

}  // namespace
}  // namespace pds::test
