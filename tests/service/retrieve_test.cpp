// Retrieving an application's data from an archive, through the scripted
// host: the version check, an archive without this application, Browse and
// Cancel, what a never-saved and a saved project take over, which files each
// worker removes, the temporary file, and hostile archives that must leave
// everything as it was.

#include "archive/zip_writer.h"
#include "dialogs/frm_project.h"
#include "pds/clsProject.h"
#include "tests/archive/zip_bytes.h"
#include "tests/projects/lifecycle_fixture.h"

namespace pds {
namespace {

using test::RawEntry;
using test::ReadBytes;
using test::Snapshot;
using test::WriteBytes;

std::string ProjectFile(const std::string& version, const std::string& apps) {
  return "[Project]\r\nProject Name=Archived Job\r\nMaster Archive Version=" + version +
         "\r\n\r\n[Application Data]\r\n" + apps +
         "\r\n[Properties]\r\nProject Number=N-42\r\nProject Date=2024-05-01\r\nContact Name=Ann\r\n"
         "Contact Type=Client\r\nSalesperson=Bob\r\nLast Modified=2024-05-02 10:00:00\r\nProject Notes=archived\r\n"
         "\r\n[LAY10 File 01]\r\nFileName=LAY10Lay.dat\r\nRequiredFlag=-1\r\nVerifyFlag=-1\r\nArchiveFlag=-1\r\n"
         "EraseFlag=-1\r\nCreateMethod=1\r\nSourceFileName=LAY10Lay.ro\r\n";
}
const std::string kBothApps = "PMP10=Pump Designer\r\nLAY10=Layout Planner\r\n";
const std::string kArchivedLayout = "[Layout]\r\nSheets=7\r\n";

std::string Raw(const std::string& root, const std::vector<RawEntry>& entries) {
  return WriteBytes(root + "/Raw.QVA", test::BuildZip(entries));
}

class RetrieveTest : public test::LifecycleTest {
 protected:
  void SetUp() override { Start("LAY10"); }
  // No way through a retrieval leaves a temporary copy of the project file behind.
  void TearDown() override {
    EXPECT_THAT(TempCopies(), ::testing::IsEmpty());
    LifecycleTest::TearDown();
  }

  // A sound archive: the project file and LAY10's layout, written by the zip engine.
  std::string MakeArchive(const std::string& project_file, const std::string& name = "Job.QVA") {
    const std::string src = temp_ / "archive-src";
    fs::create_directories(src);
    WriteFile(src + "/PROJECT.QVP", project_file);
    WriteFile(src + "/LAY10Lay.dat", kArchivedLayout);
    WriteFile(src + "/PMP10Crv.dat", "[Curves]\r\nCount=3\r\n");
    const std::string archive = temp_ / name;
    std::vector<archive::ArchiveItem> items;
    for (const char* entry : {"PROJECT.QVP", "LAY10Lay.dat", "PMP10Crv.dat"}) {
      items.push_back({entry, src + "/" + entry});
    }
    auto r = archive::WriteZipArchive(archive, items);
    EXPECT_TRUE(r.ok()) << r.detail;
    return archive;
  }
  std::string Work() { return server().Project()->WorkingJobPath(); }
  std::string Success() { return AppLabel() + " data has been successfully retrieved."; }
  std::string NotInArchive() { return AppLabel() + " data does not exist in this archive."; }
  std::string AppLabel() { return server().AppName() + " v" + server().AppVersion(); }
  // The temporary copies of the project file left anywhere under the test's folder.
  std::vector<std::string> TempCopies() {
    std::vector<std::string> left;
    for (const auto& [path, content] : Snapshot(temp_.path())) {
      const std::string name = fs::path(path).filename().string();
      if (name.rfind("~QX", 0) == 0 || path.find(".retrieve-") != std::string::npos) left.push_back(path);
    }
    return left;
  }
  void ExpectQuietFailure(const std::string& text) {
    host_->ExpectMsgBox("clsProjectDataServer.RetrieveProject2",
                        "No Project data was retrieved." + LineBreaks(1) + text);
  }
};

// ---- the version check

struct VersionCase {
  const char* name;
  const char* version;
  bool passes;
};

class RetrieveVersionTest : public RetrieveTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(RetrieveVersionTest, TrimmedCaseBlindAR002PassesOthersNameBoth) {
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  const std::string archive = MakeArchive(ProjectFile(GetParam().version, kBothApps));
  if (GetParam().passes) {
    host_->ExpectMsgBox("Retrieve", Success());
  } else {
    ExpectQuietFailure("Invalid master archive version.   [AR001]" + LineBreaks(1) +
                       "Master archive version must be:  [AR002]");
  }
  EXPECT_EQ(server().ProjectRetrieve(archive), GetParam().passes ? RETURN_OK : RETURN_ERROR);
}

INSTANTIATE_TEST_SUITE_P(Versions, RetrieveVersionTest,
                         ::testing::Values(VersionCase{"LowerCase", "ar002", true},
                                           VersionCase{"SurroundingBlanks", "  AR002  ", true},
                                           VersionCase{"OlderVersion", "AR001", false}), pds::test::ByName());

// ---- the interactive worker

TEST_F(RetrieveTest, ArchiveWithoutThisApplicationChangesNothingInTheWorkingFolder) {
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  WriteFile(Work() + "/LAY10Lay.dat", "mine");
  const auto before = Snapshot(Work());
  const std::string archive = MakeArchive(ProjectFile("AR002", "PMP10=Pump Designer\r\n"));
  host_->ExpectFileDialog(archive)
      .ExpectDialog("frmProject",
                    [](Dialog& d) {
                      EXPECT_EQ(static_cast<frmProject&>(d).lstApps.List(0), "Pump Designer v1.0");
                      d.ClickButton("cmdRetrieve");
                    })
      .ExpectMsgBox("Retrieve", "No data has not been retrieved." + LineBreaks(2) + NotInArchive());
  EXPECT_EQ(server().ProjectRetrieve(), RETURN_ERROR);
  EXPECT_EQ(Snapshot(Work()), before);
}

TEST_F(RetrieveTest, BrowseGoesBackToTheFileDialogWhereCancelCancels) {
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  const std::string archive = MakeArchive(ProjectFile("AR002", kBothApps));
  host_->ExpectFileDialog(archive)
      .ExpectDialog("frmProject", test::Press({"cmdBrowse"}))
      .ExpectFileDialog("");
  EXPECT_EQ(server().ProjectRetrieve(), RETURN_USER_CANCEL);
  const FileDialogRequest& asked = host_->last_file_request();
  EXPECT_EQ(std::tie(asked.title, asked.save, asked.default_ext, asked.file_name, asked.filter_index, asked.flags),
            std::make_tuple("Retrieve", false, ".QVA", "", 1, 0x209004L));
  EXPECT_EQ(asked.filter, "TVX/Mersa Archive Files (*.QVA)|*.QVA|All Files (*.*)|*.*");
  EXPECT_EQ(asked.initial_folder, inst_.tvxii + "/Archives");
  EXPECT_EQ(server().Project()->JobName(), "Untitled");
}

TEST_F(RetrieveTest, NeverSavedProjectTakesOverNameAndPropertiesAndBothDirtyFlags) {
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  WriteFile(Work() + "/stray.txt", "x");
  const std::string archive = MakeArchive(ProjectFile("AR002", kBothApps));
  host_->ExpectFileDialog(archive)
      .ExpectDialog("frmProject",
                    [](Dialog& d) {
                      auto& f = static_cast<frmProject&>(d);
                      EXPECT_EQ(f.Caption(), "Retrieve");
                      EXPECT_EQ(f.lstApps.List(1), "Layout Planner v1.0");
                      EXPECT_EQ(f.txtJobNumber.Text(), "N-42");
                      d.ClickButton("cmdRetrieve");
                    })
      .ExpectMsgBox("Retrieve", Success());
  EXPECT_EQ(server().ProjectRetrieve(), RETURN_OK);
  const ProjectRef& p = server().Project();
  EXPECT_EQ(p->JobName() + "|" + p->JobNumber() + "|" + p->ContactName() + "|" + p->SalesPerson() + "|" + p->Notes(),
            "Archived Job|N-42|Ann|Bob|archived");
  EXPECT_TRUE(p->ProjectDirty());
  EXPECT_TRUE(server().AppDirty());
  EXPECT_EQ(ReadFile(Work() + "/LAY10Lay.dat"), kArchivedLayout);
  // The interactive worker empties the whole working folder; PMP10's entry is not this application's.
  EXPECT_FALSE(fs::exists(Work() + "/stray.txt"));
  EXPECT_FALSE(fs::exists(Work() + "/PMP10Crv.dat"));
}

// ---- the worker with the archive given

TEST_F(RetrieveTest, SavedProjectKeepsItsPropertiesAndOnlyThisApplicationsFilesGo) {
  const std::string folder = SaveNewProject("Kept");
  WriteFile(Work() + "/stray.txt", "x");
  const auto project_folder = Snapshot(folder, Work());
  const std::string archive = MakeArchive(ProjectFile("AR002", kBothApps));
  EXPECT_EQ(server().ProjectRetrieve("  " + archive + "  ", false), RETURN_OK);
  EXPECT_EQ(server().Project()->JobName(), "Kept");
  EXPECT_FALSE(server().Project()->ProjectDirty());
  EXPECT_TRUE(server().AppDirty());
  EXPECT_EQ(ReadFile(Work() + "/LAY10Lay.dat"), kArchivedLayout);
  EXPECT_TRUE(fs::exists(Work() + "/stray.txt"));
  EXPECT_EQ(Snapshot(folder, Work()), project_folder);
}

TEST_F(RetrieveTest, MissingApplicationIsTheGivenWorkersErrorExit) {
  ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  const std::string archive = MakeArchive(ProjectFile("AR002", "PMP10=Pump Designer\r\n"));
  ExpectQuietFailure(NotInArchive());
  EXPECT_EQ(server().ProjectRetrieve(archive), RETURN_ERROR);
}

// ---- hostile and damaged archives

struct HostileCase {
  const char* name;
  std::function<std::string(const std::string& root)> make;
  std::vector<std::pair<std::string, std::string>> boxes;  // (title, text fragment) before the summary
  std::string summary = "";                                // the worker's own step message
};

std::vector<RawEntry> WithProjectFile(std::vector<RawEntry> rest) {
  rest.insert(rest.begin(), RawEntry("PROJECT.QVP", ProjectFile("AR002", kBothApps)));
  return rest;
}
// Makes an archive of the project file and rest, written byte by byte.
std::function<std::string(const std::string&)> Zip(std::vector<RawEntry> rest) {
  return [rest](const std::string& root) { return Raw(root, WithProjectFile(rest)); };
}
// The layout entry holding content, with one of its records changed.
RawEntry Layout(const std::string& content, const std::function<void(RawEntry&)>& change) {
  RawEntry e("LAY10Lay.dat", content);
  change(e);
  return e;
}
// Makes a file of the given bytes, not an archive the zip engine wrote.
std::function<std::string(const std::string&)> File(const std::string& name, const std::string& bytes) {
  return [=](const std::string& root) { return WriteBytes(root + "/" + name, bytes); };
}

class RetrieveHostileTest : public RetrieveTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(RetrieveHostileTest, IsRefusedAndLeavesEverythingAsItWas) {
  const std::string folder = SaveNewProject("Safe");
  WriteFile(Work() + "/LAY10Lay.dat", "unsaved work");
  const std::string archive = GetParam().make(temp_.path());
  const auto before = Snapshot(temp_.path(), archive);
  for (const auto& [title, fragment] : GetParam().boxes) host_->ExpectMsgBoxContaining(title, fragment);
  host_->ExpectMsgBoxContaining("clsProjectDataServer.RetrieveProject2",
                                "No Project data was retrieved." + LineBreaks(1) + GetParam().summary);
  EXPECT_EQ(server().ProjectRetrieve(archive), RETURN_ERROR);
  EXPECT_EQ(Snapshot(temp_.path(), archive), before);
  EXPECT_EQ(server().Project()->JobPath(), folder);
}

// An entry event refusing the archive's structure, then the failed extraction of the project file. Which names
// and entries the extraction refuses, and that it then writes nothing, is the zip engine's hostile-archive table.
const std::vector<std::pair<std::string, std::string>> kStructure = {
    {"TVX UnArchive Error 3", "Structure error"}, {"Retrieve Error 3", "Unable to extract:  [PROJECT.QVP]"}};
const std::string kTruncated = test::BuildZip(WithProjectFile({{"LAY10Lay.dat", "x"}}));

INSTANTIATE_TEST_SUITE_P(
    Archives, RetrieveHostileTest,
    ::testing::Values(
        HostileCase{"DotDotName", Zip({{"../LAY10Lay.dat", "x"}}), kStructure},
        HostileCase{"ZipBomb", Zip({Layout(std::string(1 << 20, 'z'), [](RawEntry& e) { e.declared_size = 16; })}),
                    {{"TVX UnArchive Error 3", "Structure error"}, {"Retrieve Error 3", "[\"LAY10*.*\"]"}}},
        HostileCase{"Truncated", File("Cut.QVA", kTruncated.substr(0, kTruncated.size() / 2)),
                    {{"Retrieve Error 2", "Unexpected EOF"}}},
        // Names of the same length: only the local header and the central directory disagree.
        HostileCase{"CentralDirectoryContradictsLocalHeader",
                    Zip({Layout("x", [](RawEntry& e) { e.central_name = "LAY10Lax.dat"; })}),
                    {{"Retrieve Error 3", "Archive file is damaged (Structure error)"}}},
        HostileCase{"ProjectFileNotAProfile",
                    File("Raw.QVA", test::BuildZip({{"PROJECT.QVP", std::string("\x00\x01\xff garbage", 11)},
                                                    {"LAY10Lay.dat", "x"}})),
                    {}, "Unable to determine archive version."},
        HostileCase{"FolderGivenAsArchive",
                    [](const std::string& root) {
                      fs::create_directories(root + "/Folder.QVA");
                      return root + "/Folder.QVA";
                    },
                    {{"Retrieve Error 9", "File not found"}}}),
    pds::test::ByName());

}  // namespace
}  // namespace pds
