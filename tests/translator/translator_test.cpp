// Retrieval from a previous version: shell-script translators playing the
// protocol's parts (what they are told, what their result code gives, the
// refusals), and the sample translator pds-translate run as the component runs
// it, every refusal leaving the target's tag database as it was.
#include <sys/stat.h>
#include <sys/wait.h>

#include "archive/translator.h"
#include "pds/UserSettings.h"
#include "pds/clsProject.h"
#include "tests/projects/lifecycle_fixture.h"

namespace pds {
namespace {

using ::testing::Optional;

constexpr const char* kFailed = "Retrieve from previous version failed.";
constexpr const char* kOuterTitle = "ProjectRetrieveFromPreviousVersion()";

// The script line that writes code as the translator's result.
std::string WriteResult(const std::string& code) { return "sed -i 's/^ResultCode=.*/ResultCode=" + code + "/' \"$F\""; }

class PreviousVersionTest : public test::LifecycleTest {
 protected:
  void SetUp() override {
    Start("LAY10");
    ASSERT_EQ(server().ProjectNew(), RETURN_OK);
    std::filesystem::create_directories(old_project_);
  }

  // An executable translator that runs body with F naming the settings file.
  std::string Translator(const std::string& body, const std::string& name = "translate.sh") {
    const std::string path = temp_.Write(name, "#!/bin/sh\nF=\"$XDG_CONFIG_HOME/tvx-ii/" +
                                                   std::string(kTranslatorSettingsApp) + ".ini\"\n" + body + "\n");
    chmod(path.c_str(), 0755);
    return path;
  }
  void ExpectFolderDialog() { host_->ExpectDialog("frmFolder", test::TypeAndOk("txtProjectFolder", old_project_)); }
  static bool AnySettingLeft() {
    for (const char* key : {"SourceFolder", "TargetFolder", "ResultCode"}) {
      if (GetUserSetting(kTranslatorSettingsApp, "Translator", key)) return true;
    }
    return false;
  }

  const std::string old_project_ = temp_ / "QBM32 Job";
  // The per-user settings go to the test's folder, for the component and the translators it starts.
  test::ScopedEnvVar config_{"XDG_CONFIG_HOME", (temp_ / "config").c_str()};
};

// ---- what the translator's result code gives

struct OutcomeCase {
  const char* label;
  std::string script;  // after the settings file is named F
  eProjectReturnCode result;
  const char* reason;  // the translator's text shown under "Translator()"; null: none
};

class TranslatorOutcomeTest : public PreviousVersionTest, public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(TranslatorOutcomeTest, ResultCodeDecidesAndNoSettingIsLeft) {
  const OutcomeCase& c = GetParam();
  ExpectFolderDialog();
  if (c.reason) host_->ExpectMsgBox("Translator()", c.reason);
  if (c.result == RETURN_ERROR) host_->ExpectMsgBox(kOuterTitle, kFailed);
  EXPECT_EQ(server().ProjectRetrieveFromPreviousVersion(Translator(c.script)), c.result);
  EXPECT_FALSE(AnySettingLeft()) << ReadFile(UserSettingsFile(kTranslatorSettingsApp));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TranslatorOutcomeTest,
    ::testing::Values(OutcomeCase{"Success", WriteResult("-1"), RETURN_OK, nullptr},
                      OutcomeCase{"CancelledByTheUser", WriteResult("-2"), RETURN_USER_CANCEL, nullptr},
                      OutcomeCase{"NoResultCodeWritten", "exit 0", RETURN_ERROR, nullptr},
                      OutcomeCase{"ResultCodeRemovedAltogether", "sed -i '/^ResultCode/d' \"$F\"; exit 3",
                                  RETURN_ERROR, nullptr},
                      OutcomeCase{"FailureTextIsTheReason", WriteResult("Tag file damaged"), RETURN_ERROR,
                                  "Tag file damaged"}),
    test::ByLabel());

TEST_F(PreviousVersionTest, TranslatorIsToldTheFoldersOnItsCommandLineAndSettings) {
  ExpectFolderDialog();
  const std::string seen = temp_ / "seen.txt";
  const std::string script =
      "printf '%s|' \"$@\" > '" + seen + "'; cat \"$F\" >> '" + seen + "'\n" + WriteResult("-1");
  EXPECT_EQ(server().ProjectRetrieveFromPreviousVersion(Translator(script)), RETURN_OK);
  const std::string work = server().Project()->WorkingJobPath();
  EXPECT_EQ(ReadFile(seen), "[ProjectDataServer]|[Translator]|[SourceFolder]|[TargetFolder]|[ResultCode]|"
                            "[Translator]\r\nSourceFolder=" + old_project_ +
                                "\r\nTargetFolder=" + RemoveBackslash(work) + "\r\nResultCode=\r\n");
  EXPECT_TRUE(server().AppDirty());
  // The working folder was emptied and given fresh application files.
  EXPECT_TRUE(std::filesystem::exists(AddBackslash(work) + "LAY10Lay.dat"));
}

TEST_F(PreviousVersionTest, SecondCallWhileTheTranslatorRunsIsRefusedWithoutADialog) {
  ExpectFolderDialog();
  int nested = 0;
  eProjectReturnCode second = RETURN_OK;
  host_->OnProcessEvents([&] {
    if (nested++ == 0) second = server().ProjectRetrieveFromPreviousVersion("/no/such/translator");
  });
  EXPECT_EQ(server().ProjectRetrieveFromPreviousVersion(Translator("sleep 0.3\n" + WriteResult("-1"))), RETURN_OK);
  EXPECT_GT(nested, 0);
  EXPECT_EQ(second, RETURN_USER_CANCEL);
  // The mark is cleared on the way out: the next call runs (the work left unsaved, so no save question comes).
  server().SetAppDirty(false);
  ExpectFolderDialog();
  EXPECT_EQ(server().ProjectRetrieveFromPreviousVersion(Translator(WriteResult("-2"), "again.sh")),
            RETURN_USER_CANCEL);
}

TEST_F(PreviousVersionTest, MissingTranslatorIsRefusedBeforeTheFolderDialog) {
  host_->ExpectMsgBox("RetrieveFromPreviousVersion()",
                      "The conversion program necessary to retrieve the selected project was not found." +
                          LineBreaks(2) + ContactSupportText());
  host_->ExpectMsgBox(kOuterTitle, kFailed);
  EXPECT_EQ(server().ProjectRetrieveFromPreviousVersion(temp_ / "missing.sh"), RETURN_ERROR);
  EXPECT_FALSE(AnySettingLeft());
}

TEST_F(PreviousVersionTest, TranslatorCancelledByTheUserLeavesTheSavedProjectAsItWas) {
  SaveNewProject("Saved Job");
  const std::string work = server().Project()->WorkingJobPath();
  WriteFile(AddBackslash(work) + "LAY10Lay.dat", "saved layout");
  ASSERT_EQ(server().ProjectSave(), RETURN_OK);
  ExpectFolderDialog();
  const std::string half_written =
      "echo half > \"$(sed -n 's/^TargetFolder=//p' \"$F\" | tr -d '\\r')/LAY10Lay.dat\"\n";
  EXPECT_EQ(server().ProjectRetrieveFromPreviousVersion(Translator(half_written + WriteResult("-2"))),
            RETURN_USER_CANCEL);
  EXPECT_EQ(ReadFile(AddBackslash(server().Project()->WorkingJobPath()) + "LAY10Lay.dat"), "saved layout");
  EXPECT_FALSE(server().AppDirty());
  EXPECT_FALSE(AnySettingLeft());
}

TEST_F(PreviousVersionTest, CancelledFolderDialogLeavesTheWorkingFolderAlone) {
  const std::string work = server().Project()->WorkingJobPath();
  WriteFile(AddBackslash(work) + "LAY10Lay.dat", "mine");
  host_->ExpectDialog("frmFolder", test::Press({"cmdCancel"}));
  EXPECT_EQ(server().ProjectRetrieveFromPreviousVersion(Translator(WriteResult("-1"))), RETURN_USER_CANCEL);
  EXPECT_EQ(ReadFile(AddBackslash(work) + "LAY10Lay.dat"), "mine");
  EXPECT_FALSE(server().AppDirty());
}

TEST_F(PreviousVersionTest, TranslatorThatCannotBeStartedIsNamedWithTheSystemError) {
  const std::string script = Translator(WriteResult("-1"));
  chmod(script.c_str(), 0644);
  ExpectFolderDialog();
  host_->ExpectMsgBox("RunExeProgram()", "Unable to launch " + script + "." + LineBreaks(2) + "Error 5  -  " +
                                             GetSystemErrorText(5));
  host_->ExpectMsgBox(kOuterTitle, kFailed);
  EXPECT_EQ(server().ProjectRetrieveFromPreviousVersion(script), RETURN_ERROR);
  EXPECT_FALSE(AnySettingLeft());
}

TEST_F(PreviousVersionTest, ProgramGoneAtTheStartIsReportedAsNotFound) {
  clsTranslator translator;
  host_->ExpectMsgBox("RunExeProgram()", "Translator/Conversion program was not found." + LineBreaks(1) +
                                             ContactSupportText());
  EXPECT_FALSE(translator.RunExeProgram(temp_ / "gone.sh", clsTranslator::ArgumentText()));
}

constexpr const char* kApp = kTranslatorSettingsApp;
const std::string kProfile = "[Project]\r\nFormat=QBM32\r\nName=Old Job\r\n[Tag Types]\r\nTagData=TagData.csv\r\n";

class PdsTranslateTest : public test::InstalledTest {
 protected:
  void SetUp() override {
    Install(false, {"PMP10"});
    fs::create_directories(source_);
    fs::create_directories(target_);
    fs::copy_file(inst_.CodePath("PMP10") + "/PMP10Tag.ro", tag_db_);
    fs::permissions(tag_db_, fs::perms::owner_write, fs::perm_options::add);
  }

  // Runs pds-translate on source_ into target_; the result code it wrote.
  std::string Run() {
    SaveUserSetting(kApp, "Translator", "SourceFolder", source_);
    SaveUserSetting(kApp, "Translator", "TargetFolder", target_);
    SaveUserSetting(kApp, "Translator", "ResultCode", "");
    const std::string command = "'" + std::string(PDS_TRANSLATE_BINARY) + "'" + clsTranslator::ArgumentText() +
                                " >/dev/null 2>'" + (temp_ / "err.txt") + "'";
    const int status = std::system(command.c_str());
    exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return GetUserSetting(kApp, "Translator", "ResultCode").value_or("(none)");
  }
  std::vector<std::vector<std::string>> TagRows(const std::string& table) {
    return test::Rows(tag_db_, "SELECT TagName, lOrder FROM " + table + " ORDER BY lOrder");
  }

 public:  // for the refusal cases' arrangements
  void Put(const std::string& name, const std::string& text) { temp_.Write("QBM32/" + name, text); }

  test::ScopedEnvVar config_{"XDG_CONFIG_HOME", (temp_ / "config").c_str()};
  const std::string source_ = temp_ / "QBM32";
  std::string target_ = temp_ / "~PMP10";
  const std::string tag_db_ = target_ + "/PMP10Tag.mdb";
  int exit_code_ = -1;
};

TEST_F(PdsTranslateTest, SampleProjectBecomesTagsInFileOrder) {
  for (const auto& entry : fs::directory_iterator(PDS_PREVIOUS_SAMPLE)) {
    fs::copy_file(entry.path(), source_ + "/" + entry.path().filename().string());
  }
  EXPECT_EQ(Run(), "-1") << temp_.Read("err.txt");
  EXPECT_EQ(exit_code_, 0);
  using Rows = std::vector<std::vector<std::string>>;
  EXPECT_EQ(TagRows("TagData"), (Rows{{"P-201", "1"}, {"P-202", "2"}, {"P-210", "3"}}));
  EXPECT_EQ(TagRows("Motor"), (Rows{{"M-201", "1"}}));
  EXPECT_EQ(test::Rows(tag_db_, "SELECT sManufacturer, sService, bStandby FROM TagData WHERE TagName = 'P-210'"),
            (Rows{{"Dornel", "Boiler feed, stage \"A\"", "False"}}));
}

struct Refusal {
  const char* label;
  std::function<void(PdsTranslateTest&)> arrange;
  const char* reason;  // a part of the result text
};

class PdsTranslateRefusalTest : public PdsTranslateTest, public ::testing::WithParamInterface<Refusal> {};

// Arrangements of the previous version's project: a file given new text, or removed ("": the whole folder).
constexpr const char* kCsv = "TagData.csv";
std::function<void(PdsTranslateTest&)> Write(const std::string& name, const std::string& text) {
  return [=](PdsTranslateTest& t) { t.Put(name, text); };
}
std::function<void(PdsTranslateTest&)> Remove(const std::string& name) {
  return [=](PdsTranslateTest& t) { fs::remove_all(name.empty() ? t.source_ : t.source_ + "/" + name); };
}

TEST_P(PdsTranslateRefusalTest, RefusesWithTheReasonAndWritesNothing) {
  Put("QBMPROJ.INI", kProfile);
  Put("TagData.csv", "TagName,fFlowRate\r\nP-1,10\r\nP-2,20\r\n");
  GetParam().arrange(*this);
  const std::string result = Run();
  EXPECT_THAT(result, StartsWith("Conversion failed: "));
  EXPECT_THAT(result, HasSubstr(GetParam().reason));
  EXPECT_EQ(exit_code_, 1);
  EXPECT_THAT(TagRows("TagData"), ::testing::IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PdsTranslateRefusalTest,
    ::testing::Values(
        Refusal{"MissingFolder", Remove(""), "does not exist"},
        Refusal{"NoProjectProfile", Remove("QBMPROJ.INI"), "holds no readable QBMPROJ.INI"},
        Refusal{"OtherFormat", Write("QBMPROJ.INI", "[Project]\r\nFormat=QBM16\r\n"), "is not QBM32"},
        Refusal{"CsvMissing", Remove("TagData.csv"), "cannot read TagData.csv"},
        Refusal{"CsvQuoteNotClosed", Write(kCsv, "TagName\r\n\"P-1\r\n"), "line 2: a quoted value is not closed"},
        Refusal{"RowWithTooFewValues", Write(kCsv, "TagName,fHead\r\nP-1\r\n"), "line 2: 1 values for 2 fields"},
        Refusal{"NoTagNameField", Write(kCsv, "fHead\r\n3\r\n"), "the header has no TagName field"},
        Refusal{"UnknownField", Write(kCsv, "TagName,sColour\r\nP-1,red\r\n"), "unknown field sColour"},
        Refusal{"NumberedFieldGiven", Write(kCsv, "TagName,lTagId\r\nP-1,7\r\n"),
                "lTagId is numbered by the tag database"},
        Refusal{"UnknownTagType", Write("QBMPROJ.INI", kProfile + "Valve=TagData.csv\r\n"), "has no tag type Valve"},
        Refusal{"DuplicateNamesWithoutRegardToCase", Write(kCsv, "TagName\r\nP-1\r\np-1\r\n"),
                "line 3: duplicate tag name 'p-1'"},
        // The first row is written before the second fails: the transaction takes it back.
        Refusal{"ValueItsFieldCannotHold", Write(kCsv, "TagName,fFlowRate\r\nP-1,10\r\nP-2,fast\r\n"),
                "TagData.csv line 3, field fFlowRate"},
        // A copy of the tag database in a folder not named as a working folder is left alone.
        Refusal{"TargetThatIsNoWorkingFolder",
                [](PdsTranslateTest& t) {
                  t.target_ = fs::path(t.source_).parent_path() / "PMP10";
                  fs::create_directories(t.target_);
                  fs::copy_file(t.tag_db_, t.target_ + "/PMP10Tag.mdb");
                },
                "is not an application's working folder"}),
    test::ByLabel());

}  // namespace
}  // namespace pds
