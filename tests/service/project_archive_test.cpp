// Archiving the current project as an application does it, through the
// scripted host with the exact texts: what goes into the archive and in which
// order, the save the archive insists on, the ways out (cancel, a bad project
// folder, a failed run) and what each leaves behind.
#include <cstdio>

#include "pds/Text.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "tests/archive/zip_bytes.h"
#include "tests/projects/lifecycle_fixture.h"
#include "tests/support/fault_env.h"

namespace pds::test {
namespace {

bool ArchiveTestsClean(const std::string& zip) {
  int status = -1;
  Shell("unzip -tq '" + zip + "'", &status);
  return status == 0;
}

const char kSavedEntries[][16] = {"PROJECT.QVP", "Project.mdb", "PMP10Tag.mdb", "PMP10Crv.dat"};

std::string MustSaveQuestion(const std::string& name) {
  return "Project '" + name + "' must be saved in order to archive its data." + LineBreaks(2) + "Save Changes to '" +
         name + "'?";
}

class ProjectArchiveTest : public PumpLifecycleTest {
 protected:
  std::string Archives() const { return inst_.tvxii + "/Archives"; }
  eProjectReturnCode ArchiveTo(std::string dest) { return server().ProjectArchive(dest); }
  // A run of the zip host that fails: its own box, then the operation's.
  void ExpectFailedRun(const std::string& title, const std::string& text) {
    host_->ExpectMsgBox(title, text);
    host_->ExpectMsgBox("ArchiveProject2()", "Error writing archive data.  Archive file not created.");
  }
};

TEST_F(ProjectArchiveTest, GivenDestinationIsTrimmedHandedBackAndHoldsTheEntriesInOrder) {
  const std::string folder = SaveNewProject("Alpha");
  // A file of the specification that is not marked for archiving.
  WriteFile(folder + "/PMP10calc.log", "log");
  const std::string zip = temp_ / "alpha.qva";
  std::string dest = "  " + zip + "  ";
  ASSERT_EQ(server().ProjectArchive(dest), RETURN_OK);
  EXPECT_EQ(dest, zip);
  EXPECT_THAT(ZipEntryNames(zip), ElementsAre(kSavedEntries[0], kSavedEntries[1], kSavedEntries[2], kSavedEntries[3]));
  EXPECT_TRUE(ArchiveTestsClean(zip));
  const std::string qvp = Shell("unzip -p '" + zip + "' PROJECT.QVP");
  EXPECT_THAT(qvp, HasSubstr("Master Archive Version=AR002"));
  EXPECT_THAT(qvp, HasSubstr("Project Name=Alpha"));
  // The fresh project file was written into the working folder first.
  EXPECT_EQ(ReadFile(server().Project()->WorkingJobPath() + "/PROJECT.QVP"), qvp);
}

TEST_F(ProjectArchiveTest, NeverSavedProjectIsQuestionedThenSavedThenArchivedThroughTheDialog) {
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  const std::string name = server().Project()->JobName();
  const std::string zip = temp_ / "beta.qva";
  host_->ExpectMsgBox("Archive Project", MustSaveQuestion(name), vbOK);
  ExpectSaveAsDialog("Beta");
  host_->ExpectFileDialog(zip);
  host_->ExpectMsgBox("Archive Complete", "Archive complete." + LineBreaks(2) + "[Beta] has been archived to " +
                                             LineBreaks(1) + "[" + LCase(zip) + "].");
  EXPECT_EQ(server().ProjectArchive(), RETURN_OK);
  ASSERT_EQ(host_->shown().front().kind, "msgbox");
  EXPECT_EQ(host_->shown().front().style, 545);
  const FileDialogRequest& asked = host_->last_file_request();
  EXPECT_EQ(std::tie(asked.title, asked.save, asked.default_ext, asked.file_name, asked.filter_index, asked.flags),
            std::make_tuple("Archive", true, ".QVA", "Beta", 1, 0x20A806L));
  EXPECT_EQ(asked.filter, "TVX/Mersa Archive Files (*.QVA)|*.QVA|All Files (*.*)|*.*");
  EXPECT_EQ(asked.initial_folder, Archives());
  EXPECT_TRUE(fs::is_directory(Archives()));
  EXPECT_THAT(ZipEntryNames(zip), ElementsAre(kSavedEntries[0], kSavedEntries[1], kSavedEntries[2], kSavedEntries[3]));
}

TEST_F(ProjectArchiveTest, NeverSavedProjectWithDestinationIsSavedAtOnceWithoutQuestion) {
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  ExpectSaveAsDialog("Gamma");
  ASSERT_EQ(ArchiveTo(temp_ / "gamma.qva"), RETURN_OK);
  EXPECT_EQ(server().Project()->JobName(), "Gamma");
  EXPECT_TRUE(ArchiveTestsClean(temp_ / "gamma.qva"));
}

// ---- ways out that write nothing

struct CancelCase {
  const char* label;
  bool saved_first;  // the project was saved before the archive was asked for
  void (*script)(ui::ScriptedHost& host, const std::string& name);
};

const CancelCase kCancels[] = {
    {"CancelAtTheSaveQuestion", false,
     [](ui::ScriptedHost& h, const std::string& name) { h.ExpectMsgBox("Archive Project", MustSaveQuestion(name), vbCancel); }},
    {"CancelAtTheSaveAsDialog", false,
     [](ui::ScriptedHost& h, const std::string& name) {
       h.ExpectMsgBox("Archive Project", MustSaveQuestion(name), vbOK);
       h.ExpectDialog("frmSaveProjectAs", Press({"cmdCancel"}));
     }},
    {"CancelAtTheFileDialog", true, [](ui::ScriptedHost& h, const std::string&) { h.ExpectFileDialog(""); }},
};

class ProjectArchiveCancelTest : public ProjectArchiveTest, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(ProjectArchiveCancelTest, ReturnsUserCancelAndWritesNothing) {
  if (GetParam().saved_first) {
    SaveNewProject("Delta");
  } else {
    ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  }
  const std::string work = server().Project()->WorkingJobPath();
  GetParam().script(*host_, server().Project()->JobName());
  EXPECT_EQ(server().ProjectArchive(), RETURN_USER_CANCEL);
  EXPECT_FALSE(fs::exists(work + "/PROJECT.QVP"));
  EXPECT_TRUE(!fs::exists(Archives()) || fs::is_empty(Archives()));
  EXPECT_EQ(server().Project()->JobPath().empty(), !GetParam().saved_first);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProjectArchiveCancelTest, ::testing::ValuesIn(kCancels), ByLabel());

// ---- failures

TEST_F(ProjectArchiveTest, FailedRunLeavesNoFileOrAnOlderArchiveOfTheSameNameWhole) {
  const std::string folder = SaveNewProject("Epsilon");
  const std::string nowhere = temp_ / "missing-folder/epsilon.qva";
  ExpectFailedRun("Archive Error 1D", "Error opening output file");
  EXPECT_EQ(ArchiveTo(nowhere), RETURN_ERROR);
  EXPECT_FALSE(fs::exists(nowhere));

  const std::string zip = temp_ / "epsilon.qva";
  WriteFile(zip, "the archive of last week");
  fs::remove(folder + "/Project.mdb");
  ExpectFailedRun("Archive Error 9", "File not found");
  EXPECT_EQ(ArchiveTo(zip), RETURN_ERROR);
  EXPECT_EQ(ReadFile(zip), "the archive of last week");
}

TEST_F(ProjectArchiveTest, FullDiskWhileWritingTheProjectFileIsReportedAsDiskFull) {
  SaveNewProject("Theta");
  FaultEnv full(&env_);
  full.Fail(Call::kWriteFile, 112, [](const std::string& path) { return path.ends_with("/PROJECT.QVP"); });
  platform::ScopedEnv scoped(&full);
  ExpectFailedRun("Archive Error 32", "Disk full");
  EXPECT_EQ(ArchiveTo(temp_ / "theta.qva"), RETURN_ERROR);
  EXPECT_FALSE(fs::exists(temp_ / "theta.qva"));
}

TEST_F(ProjectArchiveTest, ProjectFolderThatIsGoneIsReportedWithNameAndPath) {
  SaveNewProject("Eta");
  const std::string gone = temp_ / "gone";
  server().Project()->SetJobPath(gone);
  host_->ExpectMsgBox("ArchiveProject2()",
                      "An archive of this project cannot be created.  The project path is invalid." + LineBreaks(2) +
                          "Project Name:  [Eta]" + LineBreaks(1) + "Project Path:  [" + gone + "]" + LineBreaks(2) +
                          ContactSupportText());
  EXPECT_EQ(ArchiveTo(temp_ / "eta.qva"), RETURN_ERROR);
  EXPECT_FALSE(fs::exists(temp_ / "eta.qva"));
}

TEST_F(ProjectArchiveTest, NoCurrentProjectIsAnError) {
  ServerOf(server()).SetCurrentProject(nullptr);
  host_->ExpectMsgBox("ProjectArchive()", "Error - No current project object.");
  EXPECT_EQ(ArchiveTo(temp_ / "none.qva"), RETURN_ERROR);
  EXPECT_EQ(host_->shown().back().style, vbExclamation);
}

}  // namespace
}  // namespace pds::test
