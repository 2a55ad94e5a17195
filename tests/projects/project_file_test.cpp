#include <sys/stat.h>
#include <fstream>

#include "files/profile_file.h"
#include "projects/project_file.h"
#include "tests/projects/record_test_support.h"
#include "tests/support/fault_env.h"

namespace pds::test {
namespace {

const DataFileSpec kCurve{"PMP10Crv.dat", true, false, true, true, 1, "PMP10Crv.ro"};
const DataFileSpec kSketch{"*.skt", false, true, false, false, 0, ""};

class ProjectFileTest : public RecordTest {
 protected:
  std::string File() const { return temp_ / "PROJECT.QVP"; }
  platform::ProfileText Profile() const {
    platform::ProfileText text;
    EXPECT_TRUE(platform::ReadProfile(File(), &text).ok());
    return text;
  }
  std::vector<std::string> Entries(const std::string& section) const {
    return Profile().Entries(section).value_or(std::vector<std::string>{});
  }

  clsProjectDataServer server_;
};

TEST_F(ProjectFileTest, SaveWritesProjectAppsSharedFilesPropertiesAndAppFilesInOrder) {
  Start(server_, "PMP10");
  Shared().app_data_specs = {kCurve, kSketch};
  ProjectRef p = Record();
  p->SetJobNumber("J-1");
  ASSERT_TRUE(ServerOf(server_).SaveToProjectQVPFile(p));
  const std::string expected =
      "[Project]\r\nProject Name=Job A\r\nMaster Archive Version=AR002\r\n\r\n"
      "[Application Data]\r\nPMP10=Pump Designer\r\n\r\n"
      "[XXXYY File 01]\r\nFileName=Project.mdb\r\nRequiredFlag=-1\r\nVerifyFlag=-1\r\nArchiveFlag=-1\r\n"
      "EraseFlag=-1\r\nCreateMethod=0\r\nSourceFileName=Project.ro\r\n\r\n"
      "[Properties]\r\nProject Number=J-1\r\nProject Date=2024-03-05 14:07:09\r\nContact Name=\r\n"
      "Contact Type=\r\nSalesperson=\r\nLast Modified=\r\nProject Notes=\r\n\r\n"
      "[PMP10 File 01]\r\nFileName=PMP10Crv.dat\r\nRequiredFlag=-1\r\nVerifyFlag=0\r\nArchiveFlag=-1\r\n"
      "EraseFlag=-1\r\nCreateMethod=1\r\nSourceFileName=PMP10Crv.ro\r\n\r\n"
      "[PMP10 File 02]\r\nFileName=*.skt\r\nRequiredFlag=0\r\nVerifyFlag=-1\r\nArchiveFlag=0\r\n"
      "EraseFlag=0\r\nCreateMethod=0\r\nSourceFileName=\r\n";
  EXPECT_EQ(temp_.Read("PROJECT.QVP"), expected);

  // The archive's copy is the same without the shared file sections.
  std::string text;
  ASSERT_TRUE(ServerOf(server_).CreateProjectQVPFileAsString(p, text));
  std::string without_shared = expected;
  const std::size_t from = without_shared.find("[XXXYY File 01]");
  without_shared.erase(from, without_shared.find("[Properties]") - from);
  EXPECT_EQ(text, without_shared + "\r\n");
  host_->ExpectMsgBox("SaveToProjectQVPFile()", "Error - No current project object.");
  EXPECT_FALSE(ServerOf(server_).SaveToProjectQVPFile(nullptr));
}

TEST_F(ProjectFileTest, SavesOfSeveralApplicationsAccumulateWithoutDuplicates) {
  ProjectRef p = Record();
  Start(server_, "PMP10");
  ASSERT_TRUE(ServerOf(server_).SaveToProjectQVPFile(p));
  ASSERT_TRUE(ServerOf(server_).SaveToProjectQVPFile(p));
  const std::vector<std::string> sections = Profile().SectionNames();
  const std::vector<std::string> pump_file = Entries("PMP10 File 01");

  clsProjectDataServer layout;
  Start(layout, "LAY10");
  ASSERT_TRUE(ServerOf(layout).SaveToProjectQVPFile(p));
  ASSERT_TRUE(ServerOf(layout).SaveToProjectQVPFile(p));
  EXPECT_THAT(Entries("Application Data"), ElementsAre("PMP10=Pump Designer", "LAY10=Layout Planner"));
  EXPECT_EQ(Entries("PMP10 File 01"), pump_file);
  const std::vector<std::string> after = Profile().SectionNames();
  EXPECT_EQ(std::vector<std::string>(after.begin(), after.begin() + sections.size()), sections);
  EXPECT_EQ(after.size(), sections.size() + Shared().app_data_specs.size());

  // An application that keeps no files leaves no key behind.
  clsProjectDataServer calc;
  Start(calc, "CAL10");
  ASSERT_TRUE(ServerOf(calc).SaveToProjectQVPFile(p));
  EXPECT_EQ(Entries("Application Data").size(), 2u);
}

TEST_F(ProjectFileTest, TenFileSectionsAreStoredInOneWriteAndTheTenthReadsBack) {
  Start(server_, "PMP10");
  Shared().app_data_specs.assign(10, kSketch);
  Shared().app_data_specs[9] = kCurve;
  FaultEnv counting(&env_);
  platform::ScopedEnv scoped(&counting);
  ASSERT_TRUE(ServerOf(server_).SaveToProjectQVPFile(Record()));
  EXPECT_EQ(counting.Count(Call::kWriteFile), 1);
  EXPECT_THAT(Profile().SectionNames(), ::testing::Contains("PMP10 File 10"));
  std::vector<DataFileSpec> specs;
  ASSERT_TRUE(ServerOf(server_).GetProjectFileSpecsFromQVPFile("PMP10", specs, File()));
  ASSERT_EQ(specs.size(), 10u);
  EXPECT_EQ(specs[9].FileName + "|" + specs[9].SourceFileName, "PMP10Crv.dat|PMP10Crv.ro");
  EXPECT_TRUE(specs[9].RequiredFlag && specs[9].ArchiveFlag && specs[9].EraseFlag && !specs[9].VerifyFlag);
  EXPECT_EQ(specs[9].CreateMethod, 1);
}

// Shaped by other applications and hand edits: foreign keys, comments, other case, a stale file section.
constexpr const char* kWornFile =
    "; kept by hand\r\n[project]\r\nproject name=Old\r\nOwner=someone\r\n\r\n"
    "[Application Data]\r\nLAY10=Layout Planner\r\npmp10=Old Pump\r\nCAL10=Unit Calculator\r\n"
    "[LAY10 File 01]\r\nFileName=layout.dat\r\n"
    "[PMP10 File 01]\r\n;old\r\nFileName=old.dat\r\nExtra=1\r\n\r\n"
    "[pmp10 file 03]\r\nFileName=stale.dat\r\n"
    "[Properties]\r\nProject Number=9\r\nCustom=x\r\n";

// A save ends where its key and section writes, stored one by one, would end (with files and without).
TEST_F(ProjectFileTest, SaveEndsWhereKeyByKeyWritesWouldEnd) {
  for (const std::string pdsg : {"PMP10", "CAL10"}) {
    clsProjectDataServer server;
    Start(server, pdsg);
    Shared().app_data_specs =
        pdsg == "PMP10" ? std::vector<DataFileSpec>{kCurve, kSketch} : std::vector<DataFileSpec>{};
    ProjectRef p = Record();
    p->SetNotes("two\r\nlines");
    temp_.Write("PROJECT.QVP", kWornFile);
    ASSERT_TRUE(ServerOf(server).SaveToProjectQVPFile(p));

    const std::string reference = temp_.Write("REFERENCE.QVP", kWornFile);
    // Writes the saved file's section into the reference as one section write.
    auto copy_section = [&](const std::string& name) {
      const std::vector<std::string> lines = Profile().Entries(name).value();
      std::string data;
      for (const std::string& line : lines) data += line + '\0';
      EXPECT_TRUE(platform::WritePrivateProfileSection(name, data, reference)) << name;
    };
    ASSERT_TRUE(WritePPS("Project", "Project Name", "Job A", reference));
    ASSERT_TRUE(WritePPS("Project", "Master Archive Version", "AR002", reference));
    ASSERT_TRUE(WritePPS("Application Data", pdsg, Shared().app_name, reference));
    if (Shared().app_data_specs.empty()) {
      ASSERT_TRUE(WritePPS("Application Data", pdsg, std::nullopt, reference));
    }
    for (std::size_t i = 1; i <= Shared().shared_data_specs.size(); ++i) copy_section(FileSectionName("XXXYY", i));
    copy_section("Properties");
    for (std::size_t i = 1; i <= Shared().app_data_specs.size(); ++i) copy_section(FileSectionName(pdsg, i));
    EXPECT_EQ(temp_.Read("PROJECT.QVP"), temp_.Read("REFERENCE.QVP")) << pdsg;
  }
}

struct SaveFault {
  const char* name;
  int read_code;  // injected failures; 0: none
  int write_code;
  bool read_only;  // the file's own permissions refuse the write
  int reported;    // the system error the user is shown
};

class ProjectFileFaultTest : public ProjectFileTest, public ::testing::WithParamInterface<SaveFault> {};

// Whatever fails, the user learns the project name was not written and the file keeps its content.
TEST_P(ProjectFileFaultTest, FailedSaveReportsTheProjectNameAndLeavesTheFileAsItWas) {
  Start(server_, "PMP10");
  temp_.Write("PROJECT.QVP", kWornFile);
  const auto write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  if (GetParam().read_only) fs::permissions(File(), write, fs::perm_options::remove);
  FaultEnv fault(&env_);
  fault.Fail(Call::kReadFile, GetParam().read_code).Fail(Call::kWriteFile, GetParam().write_code);
  const int code = GetParam().reported;
  host_->ExpectMsgBox("WritePPS()", "Unable to write string [Project Name = Job A] to file " + LineBreaks(0) +
                                        File() + LineBreaks(2) + GetSystemErrorText(code))
      .ExpectMsgBox("SaveToProjectQVPFile()", GetSystemErrorText(code));
  {
    platform::ScopedEnv scoped(&fault);
    EXPECT_FALSE(ServerOf(server_).SaveToProjectQVPFile(Record()));
  }
  // The write is tried only when reading and the file's permissions allowed it.
  EXPECT_EQ(fault.Count(Call::kWriteFile), GetParam().write_code != 0 ? 1 : 0);
  EXPECT_EQ(temp_.Read("PROJECT.QVP"), kWornFile);
}

INSTANTIATE_TEST_SUITE_P(Faults, ProjectFileFaultTest,
                         ::testing::Values(SaveFault{"UnreadableFile", 5, 0, false, 5},
                                           SaveFault{"DiskFull", 0, 112, false, 112},
                                           SaveFault{"ReadOnlyFile", 0, 0, true, 5}), ByName());

TEST_F(ProjectFileTest, PropertiesReadBackAsWrittenAndStopAtFirstMissingKey) {
  Start(server_, "PMP10");
  ProjectRef p = Record();
  p->SetNotes("Line one\r\nLine two");
  p->SetContactType("Client");
  p->SetLastModified("2024-01-01 10:00:00");
  ASSERT_TRUE(ServerOf(server_).SaveToProjectQVPFile(p));
  auto back = std::make_shared<clsProject>();
  back->SetJobDate("");
  ASSERT_TRUE(ServerOf(server_).GetProjectPropertiesFromQVPFile(back, File()));
  EXPECT_EQ(back->JobName() + "|" + back->JobDate() + "|" + back->ContactType() + "|" + back->LastModified() + "|" +
                back->Notes(),
            std::string("Job A|") + kFixedGeneralDate + "|Client|2024-01-01 10:00:00|Line one\r\nLine two");

  temp_.Write("PROJECT.QVP", "[Project]\r\nProject Name=Job B\r\n[Properties]\r\nProject Number=7\r\n");
  host_->ExpectMsgBox("Error Reading Project Properties", GetSystemErrorText(2));
  EXPECT_FALSE(ServerOf(server_).GetProjectPropertiesFromQVPFile(back, File()));
  EXPECT_EQ(back->JobName() + "|" + back->JobNumber(), "Job B|7");
}

TEST_F(ProjectFileTest, NotesSurviveTheFileWhateverTheyHold) {
  for (const std::string notes : {"a\r\nb\r\n\r\nc", "C:\\new\\r folder \\", "\"quoted\"", "'single'", "\tx\t"}) {
    ASSERT_TRUE(WritePPS("Properties", "Project Notes", EncodeNotesValue(notes), File()));
    std::string value;
    ASSERT_TRUE(ReadPPS("Properties", "Project Notes", value, File()));
    EXPECT_EQ(DecodeNotesValue(value), notes);
  }
}

TEST_F(ProjectFileTest, FlagIsTrueExactlyForNonZeroNumbers) {
  for (const char* text : {"-1", " 1 ", "2"}) EXPECT_TRUE(FlagFromText(text)) << text;
  for (const char* text : {"0", "", "True", "yes"}) EXPECT_FALSE(FlagFromText(text)) << text;
}

TEST_F(ProjectFileTest, SpecReaderNeedsAPathAndStopsAtFirstMissingFileName) {
  temp_.Write("PROJECT.QVP",
              "[AB File 01]\r\nFileName=one.dat\r\nCreateMethod=2\r\n[AB File 02]\r\nRequiredFlag=-1\r\n"
              "[AB File 03]\r\nFileName=three.dat\r\n");
  std::vector<DataFileSpec> specs(5, kCurve);
  ASSERT_TRUE(ServerOf(server_).GetProjectFileSpecsFromQVPFile("AB", specs, File()));
  ASSERT_EQ(specs.size(), 3u);
  EXPECT_EQ(specs[0].FileName + "|" + specs[1].FileName + "|" + specs[2].FileName, "one.dat||");
  EXPECT_EQ(specs[0].CreateMethod, 2);
  EXPECT_FALSE(specs[1].RequiredFlag);
  host_->ExpectMsgBox("GetProjectFileSpecsFromQVPFile()", "Missing project file path and name.");
  EXPECT_FALSE(ServerOf(server_).GetProjectFileSpecsFromQVPFile("AB", specs, "  "));
}

// A project file missing or unreadable as one: each reader says why, names the file and returns at once.
struct UnreadableProjectFile {
  const char* name;
  void (*plant)(const std::string& path);
  int read_code;  // a read failure injected after the file was planted; 0: none
  std::string message;
  int os_error;  // the system error the report adds; 0: none
};

const std::string kNotPlain = "The project file is not a plain file (it is a folder, a device or a pipe) and cannot be read.";

class UnreadableProjectFileTest : public ProjectFileTest,
                                  public ::testing::WithParamInterface<UnreadableProjectFile> {};

TEST_P(UnreadableProjectFileTest, ReadersTellWhyAndNameTheFile) {
  GetParam().plant(File());
  FaultEnv fault(&env_);
  fault.Fail(Call::kReadFile, GetParam().read_code);
  platform::ScopedEnv scoped(&fault);
  std::string text = GetParam().message + LineBreaks(2) + InBrackets(File());
  if (GetParam().os_error != 0) text += LineBreaks(2) + GetSystemErrorText(GetParam().os_error);
  host_->ExpectMsgBox("GetProjectFileSpecsFromQVPFile()", text)
      .ExpectMsgBox("GetProjectAppsFromQVPFile()", text)
      .ExpectMsgBox("Error Reading Project Properties", text);
  std::vector<DataFileSpec> specs;
  AppList apps;
  EXPECT_FALSE(ServerOf(server_).GetProjectFileSpecsFromQVPFile("PMP10", specs, File()));
  EXPECT_FALSE(ServerOf(server_).GetProjectAppsFromQVPFile(apps, File()));
  EXPECT_FALSE(ServerOf(server_).GetProjectPropertiesFromQVPFile(Record(), File()));
  EXPECT_TRUE(specs.empty());
  EXPECT_TRUE(apps.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, UnreadableProjectFileTest,
    ::testing::Values(
        UnreadableProjectFile{"Missing", [](const std::string&) {}, 0, "File not found.", 0},
        UnreadableProjectFile{"Folder", [](const std::string& p) { fs::create_directory(p); }, 0, kNotPlain, 0},
        UnreadableProjectFile{"Fifo", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0); }, 0,
                              kNotPlain, 0},
        UnreadableProjectFile{"PermissionDenied",
                              [](const std::string& p) { std::ofstream(p) << "[Project]\r\n"; }, 5,
                              "The project file could not be read.", 5}), ByName());

TEST_F(ProjectFileTest, AppListWithoutSectionIsUnchanged) {
  AppList apps = {{"OLD01", "Old"}};
  temp_.Write("PROJECT.QVP", "[Project]\r\nProject Name=Job A\r\n");
  EXPECT_TRUE(ServerOf(server_).GetProjectAppsFromQVPFile(apps, File()));
  EXPECT_EQ(apps, (AppList{{"OLD01", "Old"}}));
  temp_.Write("PROJECT.QVP", "[Application Data]\r\nPMP10=Pump Designer\r\nLAY10=Layout = Planner\r\n");
  EXPECT_TRUE(ServerOf(server_).GetProjectAppsFromQVPFile(apps, File()));
  EXPECT_EQ(apps, (AppList{{"OLD01", "Old"}, {"PMP10", "Pump Designer"}, {"LAY10", "Layout = Planner"}}));
}

TEST_F(ProjectFileTest, DeleteAppFileSectionsRemovesOnlyThatApplicationsSections) {
  temp_.Write("PROJECT.QVP",
              "[Application Data]\r\nPMP10=Pump\r\n[PMP10 File 01]\r\nFileName=a\r\n[pmp10 file 02]\r\nFileName=b\r\n"
              "[XPMP10 File 01]\r\nFileName=c\r\n[LAY10 File 01]\r\nFileName=d\r\n[PMP10 File Notes]\r\nx=1\r\n");
  ASSERT_TRUE(DeleteAppFileSections("PMP10", File()));
  EXPECT_THAT(Profile().SectionNames(),
              ElementsAre("Application Data", "XPMP10 File 01", "LAY10 File 01", "PMP10 File Notes"));
  EXPECT_FALSE(DeleteAppFileSections("PMP10", temp_ / "missing.QVP"));
  EXPECT_EQ(Err().last_os_error, 2);
}

}  // namespace
}  // namespace pds::test
