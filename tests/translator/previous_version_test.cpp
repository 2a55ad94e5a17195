// Retrieval from a previous version through small shell-script translators
// that play the protocol's parts: what they are told, what their result
// code gives, that no setting outlives the run, that a second call while
// the translator runs is refused without a dialog, and the refusals before
// and at the start of the translator.
#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "archive/translator.h"
#include "pds/UserSettings.h"
#include "pds/clsProject.h"
#include "tests/projects/lifecycle_fixture.h"
#include "tests/support/case_names.h"
#include "tests/translator/config_home.h"
#include "ui/messages.h"

namespace pds {
namespace {

using ::testing::Optional;

constexpr const char* kFailed = "Retrieve from previous version failed.";
constexpr const char* kOuterTitle = "ProjectRetrieveFromPreviousVersion()";

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
  static std::string WriteResult(const std::string& code) {
    return "sed -i 's/^ResultCode=.*/ResultCode=" + code + "/' \"$F\"";
  }
  void ExpectFolderDialog() { host_->ExpectDialog("frmFolder", test::TypeAndOk("txtProjectFolder", old_project_)); }
  static bool AnySettingLeft() {
    for (const char* key : {"SourceFolder", "TargetFolder", "ResultCode"}) {
      if (GetUserSetting(kTranslatorSettingsApp, "Translator", key)) return true;
    }
    return false;
  }

  const std::string old_project_ = temp_ / "QBM32 Job";
  test::ScopedConfigHome config_{temp_ / "config"};
};

// ---- what the translator's result code gives

struct OutcomeCase {
  const char* label;
  const char* script;  // after the settings file is named F
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
    ::testing::Values(OutcomeCase{"Success", "sed -i 's/^ResultCode=.*/ResultCode=-1/' \"$F\"", RETURN_OK, nullptr},
                      OutcomeCase{"CancelledByTheUser", "sed -i 's/^ResultCode=.*/ResultCode=-2/' \"$F\"",
                                  RETURN_USER_CANCEL, nullptr},
                      OutcomeCase{"NoResultCodeWritten", "exit 0", RETURN_ERROR, nullptr},
                      OutcomeCase{"ResultCodeRemovedAltogether", "sed -i '/^ResultCode/d' \"$F\"; exit 3",
                                  RETURN_ERROR, nullptr},
                      OutcomeCase{"FailureTextIsTheReason",
                                  "sed -i 's/^ResultCode=.*/ResultCode=Tag file damaged/' \"$F\"", RETURN_ERROR,
                                  "Tag file damaged"}),
    test::ByLabel());

TEST_F(PreviousVersionTest, TranslatorIsToldTheFoldersOnItsCommandLineAndSettings) {
  ExpectFolderDialog();
  const std::string seen = temp_ / "seen.txt";
  const std::string script = "printf '%s|' \"$@\" > '" + seen + "'; cat \"$F\" >> '" + seen + "'\n" + WriteResult("-1");
  EXPECT_EQ(server().ProjectRetrieveFromPreviousVersion(Translator(script)), RETURN_OK);
  const std::string work = server().Project()->WorkingJobPath();
  EXPECT_EQ(ReadFile(seen), "[ProjectDataServer]|[Translator]|[SourceFolder]|[TargetFolder]|[ResultCode]|"
                            "[Translator]\r\nSourceFolder=" + old_project_ + "\r\nTargetFolder=" + RemoveBackslash(work) +
                                "\r\nResultCode=\r\n");
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
  // The mark is cleared on the way out: the next call runs (the converted
  // work left unsaved, so that no save question comes first).
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
  EXPECT_EQ(server().ProjectRetrieveFromPreviousVersion(Translator("echo half > \"$(sed -n 's/^TargetFolder=//p' \"$F\" | tr -d '\\r')/LAY10Lay.dat\"\n" + WriteResult("-2"))),
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

}  // namespace
}  // namespace pds
