// The sample translator pds-translate, run as the component runs it: the
// folders in the per-user settings, the five bracketed words on its command
// line, the outcome read back from "ResultCode". Every refusal must leave
// the target's tag database as it was.
#include <sys/wait.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "archive/translator.h"
#include "pds/UserSettings.h"
#include "tests/support/case_names.h"
#include "tests/support/installed_test.h"
#include "tests/translator/config_home.h"

namespace pds {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;

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

  test::ScopedConfigHome config_{temp_ / "config"};
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
        Refusal{"MissingFolder", [](PdsTranslateTest& t) { fs::remove_all(t.source_); }, "does not exist"},
        Refusal{"NoProjectProfile", [](PdsTranslateTest& t) { fs::remove(t.source_ + "/QBMPROJ.INI"); },
                "holds no readable QBMPROJ.INI"},
        Refusal{"OtherFormat",
                [](PdsTranslateTest& t) { t.Put("QBMPROJ.INI", "[Project]\r\nFormat=QBM16\r\n"); }, "is not QBM32"},
        Refusal{"CsvMissing", [](PdsTranslateTest& t) { fs::remove(t.source_ + "/TagData.csv"); },
                "cannot read TagData.csv"},
        Refusal{"CsvQuoteNotClosed", [](PdsTranslateTest& t) { t.Put("TagData.csv", "TagName\r\n\"P-1\r\n"); },
                "line 2: a quoted value is not closed"},
        Refusal{"RowWithTooFewValues", [](PdsTranslateTest& t) { t.Put("TagData.csv", "TagName,fHead\r\nP-1\r\n"); },
                "line 2: 1 values for 2 fields"},
        Refusal{"NoTagNameField", [](PdsTranslateTest& t) { t.Put("TagData.csv", "fHead\r\n3\r\n"); },
                "the header has no TagName field"},
        Refusal{"UnknownField", [](PdsTranslateTest& t) { t.Put("TagData.csv", "TagName,sColour\r\nP-1,red\r\n"); },
                "unknown field sColour"},
        Refusal{"NumberedFieldGiven", [](PdsTranslateTest& t) { t.Put("TagData.csv", "TagName,lTagId\r\nP-1,7\r\n"); },
                "lTagId is numbered by the tag database"},
        Refusal{"UnknownTagType",
                [](PdsTranslateTest& t) {
                  t.Put("QBMPROJ.INI", kProfile + "Valve=TagData.csv\r\n");
                },
                "has no tag type Valve"},
        Refusal{"DuplicateNamesWithoutRegardToCase",
                [](PdsTranslateTest& t) { t.Put("TagData.csv", "TagName\r\nP-1\r\np-1\r\n"); },
                "line 3: duplicate tag name 'p-1'"},
        // The first row is written before the second fails: the transaction
        // takes it back.
        Refusal{"ValueItsFieldCannotHold",
                [](PdsTranslateTest& t) { t.Put("TagData.csv", "TagName,fFlowRate\r\nP-1,10\r\nP-2,fast\r\n"); },
                "TagData.csv line 3, field fFlowRate"}),
    test::ByLabel());

TEST_F(PdsTranslateTest, TargetThatIsNoWorkingFolderIsRefused) {
  Put("QBMPROJ.INI", kProfile);
  Put("TagData.csv", "TagName\r\nP-1\r\n");
  fs::rename(target_, temp_ / "PMP10");
  target_ = temp_ / "PMP10";
  EXPECT_THAT(Run(), HasSubstr("is not an application's working folder"));
}

}  // namespace
}  // namespace pds
