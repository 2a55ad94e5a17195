#include <gtest/gtest.h>

#include <stdlib.h>

#include <clocale>
#include <ctime>
#include <optional>

#include "ui/dialog_messages.h"
#include "pds/PendingError.h"
#include "pds/Types.h"
#include "platform/env.h"
#include "tests/ui/test_dialogs.h"
#include "tests/support/test_support.h"

namespace pds {
namespace {

using test::TestDialog;

class HelpButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearError();
    dlg_.SetCaption("Project Properties");
  }
  void TearDown() override {
    SetHelpFile("");
    ClearError();
  }
  test::ScopedScriptedHost host_;
  TestDialog dlg_;
};

TEST_F(HelpButtonTest, WithoutHelpFileExplainsThereIsNoHelpElseShowsTheTopicOrTheContents) {
  host_->ExpectMsgBox("Project Properties",
                      "Unable to display Help Contents.  There is no Help associated with this project.");
  ShowDialogHelp(dlg_, DialogHelpRequest(HelpDialog::kProjectProperties));
  EXPECT_TRUE(host_->Problems().empty());
  EXPECT_EQ(host_->shown().at(0).style, vbInformation);
  SetHelpFile("/opt/tvx/KOVRA.HLP");
  ShowDialogHelp(dlg_, DialogHelpRequest(HelpDialog::kSelectProject, DELETE_MODE));
  ShowDialogHelp(dlg_, DialogHelpRequest(HelpDialog::kSelectProject, ARCHIVE_MODE));
  dlg_.SetHelpContextID(10146);
  ShowDialogHelp(dlg_);
  ASSERT_EQ(host_->shown().size(), 4u);
  EXPECT_EQ(host_->shown()[1].kind, "help");
  EXPECT_EQ(host_->shown()[1].title, "/opt/tvx/KOVRA.HLP");
  EXPECT_EQ(host_->shown()[1].text, "1:10152");
  EXPECT_EQ(host_->shown()[2].text, "11:0");
  EXPECT_EQ(host_->shown()[3].text, "1:10146");
  EXPECT_TRUE(host_->failures().empty());
}

// A host whose help viewer cannot be started.
class NoViewerHost : public ui::ScriptedHost {
 public:
  bool ShowHelp(const std::string&, int, long) override { return false; }
};

TEST_F(HelpButtonTest, FailingHelpIsReportedWithTheCaption) {
  auto host = std::make_shared<NoViewerHost>();
  auto previous = SetUiHost(host);
  SetHelpFile("/opt/tvx/KOVRA.HLP");
  SetError(53, "stale error from before");
  host->ExpectMsgBox("Project Properties", "Unable to display Help Contents.  [/opt/tvx/KOVRA.HLP]");
  ShowDialogHelp(dlg_, kHelpContext, 10160);
  SetUiHost(previous);
  EXPECT_TRUE(host->Problems().empty());
  EXPECT_EQ(host->shown().at(0).style, vbInformation);
  EXPECT_EQ(Err().number, 0);
}

// Reports its unloading to the test, which outlives it.
class WatchedDialog : public TestDialog {
 public:
  WatchedDialog(std::string* log, bool refuse) : log_(log), refuse_(refuse) {}

 protected:
  void Form_QueryUnload(bool& cancel, int mode) override {
    *log_ += "query(" + std::to_string(mode) + ");";
    cancel = refuse_;
  }
  void Form_Unload(bool&) override { *log_ += "unload;"; }

 private:
  std::string* log_;
  bool refuse_;
};

TEST(UnloadDialogTest, UnloadsByCodeAndClearsTheReferenceEvenWhenTheDialogRefuses) {
  test::ScopedScriptedHost host;
  std::string log;
  auto dlg = std::make_unique<WatchedDialog>(&log, false);
  dlg->ShowModeless();
  UnloadDialog(dlg);
  EXPECT_EQ(dlg, nullptr);
  EXPECT_EQ(log, "query(1);unload;");

  log.clear();
  auto refusing = std::make_shared<WatchedDialog>(&log, true);
  refusing->Load();
  UnloadDialog(refusing);
  EXPECT_EQ(refusing, nullptr);
  EXPECT_EQ(log, "query(1);");
  std::unique_ptr<TestDialog> none;
  UnloadDialog(none);  // an unset reference is fine
}

TEST(AutoSizeListColumnsTest, EachColumnFitsTheLargerOfHeaderAndContents) {
  ListView list("lvwProjects");
  list.AddColumn("K0", "Name", 1);
  list.AddColumn("K1", "Location", 1);
  list.AddColumn("K2", "A long header text", 1);
  list.AddItem("K1", "Pump station")->SetSubItem(1, "/p");
  list.AddItem("K2", "B")->SetSubItem(1, "/projects/caf\xC3\xA9");  // 14 characters, 15 bytes
  AutoSizeListColumns(list);
  EXPECT_EQ(list.Column(1)->Width(), 12);
  EXPECT_EQ(list.Column(2)->Width(), 14);
  EXPECT_EQ(list.Column(3)->Width(), 18);
}

// Reports fixed file times, so the text does not depend on the file system.
class FixedTimesEnv : public platform::EnvWrapper {
 public:
  FixedTimesEnv() : EnvWrapper(platform::PosixEnv()) {}
  platform::Status GetFileTimes(const std::string&, platform::FileTimes* out) override {
    using std::chrono::system_clock;
    out->last_access = system_clock::from_time_t(1720096200);  // 2024-07-04 12:30:00 UTC
    out->creation = system_clock::from_time_t(1703980805);     // 2023-12-31 00:00:05 UTC
    out->last_write = system_clock::from_time_t(1709658429);   // 2024-03-05 17:07:09 UTC
    return platform::Status::Ok();
  }
};

class FileDateTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tz_.emplace("TZ", "UTC0");
    tzset();
    saved_locale_ = std::setlocale(LC_TIME, nullptr);
    std::setlocale(LC_TIME, "C");
    folder_.Write("Job1.QVA", "archive");
  }
  void TearDown() override {
    tz_.reset();
    tzset();
    std::setlocale(LC_TIME, saved_locale_.c_str());
  }
  test::TempFolder folder_;
  FixedTimesEnv env_;
  platform::ScopedEnv scoped_{&env_};
  std::optional<test::ScopedEnvVar> tz_;
  std::string saved_locale_;
};

TEST_F(FileDateTextTest, ChoosesTheTimeFormatsLongDateAndTimeFindsTheFirstMatchOfAPatternOrGivesEmptyText) {
  EXPECT_EQ(GetFileDateText(folder_ / "Job1.QVA", kFileLastWriteTime), "Tuesday, March 5, 2024, 5:07:09 PM");
  EXPECT_EQ(GetFileDateText(folder_ / "Job1.QVA", kFileCreationTime), "Sunday, December 31, 2023, 12:00:05 AM");
  EXPECT_EQ(GetFileDateText(folder_ / "Job1.QVA", kFileLastAccessTime), "Thursday, July 4, 2024, 12:30:00 PM");
  EXPECT_EQ(GetFileDateText(folder_ / "*.qva", kFileLastWriteTime), "Tuesday, March 5, 2024, 5:07:09 PM");
  // A missing file or an unknown choice gives empty text.
  EXPECT_EQ(GetFileDateText(folder_ / "Missing.QVA", kFileLastWriteTime), "");
  EXPECT_EQ(GetFileDateText(folder_ / "nofolder/Job1.QVA", kFileLastWriteTime), "");
  EXPECT_EQ(GetFileDateText(folder_ / "Job1.QVA", 4), "");
  EXPECT_EQ(GetFileDateText(folder_ / "Job1.QVA", 0), "");
}

}  // namespace
}  // namespace pds
