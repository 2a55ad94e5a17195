// The project search and the reconnection of found projects: the search
// dialog driven through the scripted host with exact texts, the rows it
// writes into Job and JobUsage, the refusals, and cancelling a deep search.

#include "dialogs/frm_project_search.h"
#include "dialogs/project_search.h"
#include "platform/env.h"
#include "projects/project_store_search.h"
#include "tests/support/dialog_steps.h"
#include "tests/support/installed_test.h"

namespace pds::test {
namespace {

class ProjectSearchTest : public InstalledTest {
 protected:
  void SetUp() override {
    Install();
    ASSERT_EQ(Init(server_, "PMP10"), RETURN_OK);
  }
  std::string Folder(const std::string& rel) const { return temp_ / ("tree/" + rel); }
  // A project folder with its project file (and the applications with data in it).
  void MakeProject(const std::string& rel, const std::string& name, const std::string& apps = "") {
    fs::create_directories(Folder(rel));
    temp_.Write("tree/" + rel + "/PROJECT.QVP",
                "[Project]\r\nProject Name=" + name + "\r\n\r\n[Application Data]\r\n" + apps);
  }
  // Projects named Deep nested depth deep: d0, d0/d1, d0/d1/d2 ...
  void MakeChain(int depth) {
    std::string chain;
    for (int i = 0; i < depth; ++i) MakeProject(chain += (i ? "/d" : "d") + std::to_string(i), "Deep");
  }
  std::vector<std::vector<std::string>> Jobs() {
    return Rows(ProjectsDbPath(), "SELECT lJobID, sJobName, sJobPath, sDOSJobPath FROM Job ORDER BY lJobID");
  }
  static std::vector<std::string> Entries(Dialog& d) {
    const ListView& list = *d.Find<ListView>("lvwResults");
    std::vector<std::string> entries;
    for (int i = 1; i <= list.ItemCount(); ++i) {
      entries.push_back(list.Item(i)->Text() + " @ " + list.Item(i)->SubItem(1) +
                        (list.Item(i)->Checked() ? " [x]" : ""));
    }
    return entries;
  }

  clsProjectDataServer server_;
};

TEST_F(ProjectSearchTest, RenamedFolderIsFoundAndItsRowReconnected) {
  MakeProject("Alpha", "Alpha", "PMP10=Pump Designer\r\nLAY10=Layout Planner\r\n");
  const std::int32_t id = AddJob("Alpha", Folder("Alpha"), {"CAL10"});
  fs::create_directories(Folder("moved"));
  fs::rename(Folder("Alpha"), Folder("moved/Alpha 2"));

  std::string message;
  EXPECT_FALSE(DoesProjectExistInFolder("Alpha", Folder("Alpha"), message));
  host_->ExpectDialog("frmProjectNotFound", Press({"cmdFind"}));
  host_->ExpectDialog("frmProjectSearch", [&](Dialog& d) {
    EXPECT_EQ(d.Caption(), "Find Project");
    EXPECT_EQ(d.Find<CommandButton>("cmdOK")->Caption(), "Reconnect");
    EXPECT_EQ(d.HelpContextID(), 10126);
    EXPECT_TRUE(d.Find<Label>("lblProjectName")->Visible());
    EXPECT_FALSE(d.Find<CommandButton>("cmdOK")->Enabled());
    d.ClickButton("cmdChangePath");
    // The only project found is checked, so Reconnect is ready.
    EXPECT_THAT(Entries(d), ElementsAre("Alpha @ " + Folder("moved/Alpha 2") + "/ [x]"));
    EXPECT_FALSE(d.Find<Label>("lblStatus")->Visible());
    d.ClickButton("cmdOK");
  });
  host_->ExpectBrowseForFolder(Folder("moved"));
  host_->ExpectMsgBox("Project Reconnected", "[1] project was reconnected to the projects list.");
  bool changed = false;
  EXPECT_EQ(ShowProjectNotFoundDialog("Alpha", Folder("Alpha"), message, changed), kProjectNotFoundFind);
  EXPECT_TRUE(changed);
  const std::string moved = Folder("moved/Alpha 2");
  EXPECT_THAT(Jobs(), ElementsAre(ElementsAre(std::to_string(id), "Alpha", moved, moved)));
  EXPECT_THAT(Rows(ProjectsDbPath(), "SELECT sPdsg FROM JobUsage ORDER BY sPdsg"),
              ElementsAre(ElementsAre("LAY10"), ElementsAre("PMP10")));
}

TEST_F(ProjectSearchTest, FindAllListsOnlyUnlistedProjectsAndAddsTheCheckedOnes) {
  MakeProject("a", "Listed");
  MakeProject("a/b", "One", "PMP10=Pump Designer\r\n");
  MakeProject("c/d/e", "Two");
  MakeProject("f", "Three");
  AddJob("Listed", Folder("a"));
  host_->ExpectDialog("frmProjectSearch", [&](Dialog& d) {
    EXPECT_EQ(d.Caption(), "Find All Projects");
    EXPECT_EQ(d.HelpContextID(), 10128);
    EXPECT_FALSE(d.Find<Label>("lblProjectName")->Visible());
    const std::vector<std::string> entries = Entries(d);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_THAT(entries, ::testing::UnorderedElementsAre("One @ " + Folder("a/b") + "/", "Two @ " + Folder("c/d/e") + "/",
                                                        "Three @ " + Folder("f") + "/"));
    EXPECT_FALSE(d.Find<CommandButton>("cmdOK")->Enabled());
    d.Check("lvwResults", 1, true);
    d.Check("lvwResults", 3, true);
    EXPECT_TRUE(d.Find<CommandButton>("cmdOK")->Enabled());
    d.ClickButton("cmdOK");
  });
  host_->ExpectMsgBoxContaining("Projects Added", "[2] projects were added to the projects list.\r\n\n");
  bool changed = false;
  EXPECT_EQ(FindAndAddProjects(changed, Folder("")), 1);
  EXPECT_TRUE(changed);
  EXPECT_EQ(Jobs().size(), 3u);
}

TEST_F(ProjectSearchTest, NameListedForAnotherExistingFolderCannotBeAdded) {
  MakeProject("Alpha", "Alpha");
  MakeProject("copy/Alpha", "Alpha");
  AddJob("Alpha", Folder("Alpha"));
  host_->ExpectDialog("frmProjectSearch", [&](Dialog& d) {
    EXPECT_THAT(Entries(d), ElementsAre("Alpha @ " + Folder("copy/Alpha") + "/ [x]"));
    d.ClickButton("cmdOK");
  });
  host_->ExpectMsgBoxContaining("Cannot Add Project", "Project Name:  Alpha\r\nProject Path:  " + Folder("Alpha") +
                                                          "\r\n\nNote:  If the program");
  bool changed = false;
  FindAndAddProjects(changed, Folder("copy"));
  EXPECT_THAT(Jobs(), ElementsAre(ElementsAre(::testing::_, "Alpha", Folder("Alpha"), Folder("Alpha"))));
}

TEST_F(ProjectSearchTest, EmptyResultsShowTheModeStatusAndKeepOkDisabled) {
  fs::create_directories(Folder("empty"));
  for (const int mode : {kSearchFindProject, kSearchFindAll}) {
    host_->ExpectDialog("frmProjectSearch", [mode](Dialog& d) {
      EXPECT_EQ(d.Find<Label>("lblStatus")->Caption(),
                mode == kSearchFindProject ? "Project could not be found." : "No projects were found.");
      EXPECT_FALSE(d.Find<CommandButton>("cmdOK")->Enabled());
      d.ClickButton("cmdCancel");
    });
    ProjectSearchSpec spec;
    spec.target_name = "Nowhere";
    spec.search_folder = Folder("empty");
    std::vector<FoundProject> results;
    EXPECT_EQ(ShowFindProjectDialog(spec, mode, results, "", true), kFindDialogCancelled);
  }
}

// ---- cancelling

// A clock 20 ms on at every reading, so the search lets window events run before every folder.
class SteppingClockEnv : public platform::EnvWrapper {
 public:
  SteppingClockEnv() : EnvWrapper(platform::CurrentEnv()) {}
  std::int64_t MonotonicMillis() override { return now_ += 20; }

 private:
  std::int64_t now_ = 0;
};

TEST_F(ProjectSearchTest, CancelStopsADeepSearchBeforeTheNextFileOrFolder) {
  MakeChain(60);
  SteppingClockEnv clock;
  platform::ScopedEnv scoped(&clock);
  ProjectSearchSpec spec;
  spec.target_name = "deep";
  spec.search_folder = Folder("");
  std::vector<FoundProject> results;
  bool cancelled = false;
  std::int32_t examined_at_cancel = -1;
  ProjectSearchHooks hooks;
  hooks.cancelled = [&] { return cancelled; };
  hooks.process_events = [&] {
    if (!cancelled && results.size() >= 10) {
      cancelled = true;
      examined_at_cancel = spec.files_examined;
    }
  };
  EXPECT_EQ(SearchForProjects(spec, results, hooks), kSearchCancelled);
  EXPECT_EQ(spec.files_examined, examined_at_cancel);
  ASSERT_EQ(results.size(), static_cast<std::size_t>(examined_at_cancel));
  EXPECT_GE(results.size(), 10u);
  EXPECT_LT(results.size(), 60u);
  // What was found stays, in the walk's order: the top of the chain first.
  std::string expected = Folder("");
  for (std::size_t i = 0; i < results.size(); ++i) {
    expected += "d" + std::to_string(i) + "/";
    EXPECT_EQ(results[i].folder, expected);
  }
}

TEST_F(ProjectSearchTest, CancelInTheDialogEndsTheSearchAndASecondSearchIsIgnored) {
  MakeChain(30);
  SteppingClockEnv clock;
  platform::ScopedEnv scoped(&clock);
  int calls = 0, searched_again = 0;
  bool clicking_search = false;
  host_->OnProcessEvents([&] {
    if (clicking_search) ++searched_again;
    Dialog* d = Dialog::InnermostModal();
    if (!d || !d->visible() || ++calls != 3) return;
    clicking_search = true;
    d->ClickButton("cmdSearch");  // busy: ignored
    clicking_search = false;
    d->ClickButton("cmdCancel");
  });
  host_->ExpectDialog("frmProjectSearch", [](Dialog&) {});
  bool changed = false;
  EXPECT_EQ(FindAndReconnectProject("Deep", changed, Folder("")), 0);
  EXPECT_FALSE(changed);
  EXPECT_TRUE(Shared().search_cancelled);
  EXPECT_EQ(searched_again, 0);
  host_->OnProcessEvents(nullptr);
}

struct JobRowCase {
  const char* label;
  std::string name;
  int folder_length;  // of the folder given, a trailing "/" included
  bool written;
  const char* title;  // of the refusal
  const char* text;
};

void PrintTo(const JobRowCase& c, std::ostream* os) { *os << c.label; }

class UpdateJobTableTest : public ProjectSearchTest, public ::testing::WithParamInterface<JobRowCase> {};

TEST_P(UpdateJobTableTest, RefusesBadNamesAndTooLongFolders) {
  const JobRowCase& c = GetParam();
  std::string folder = "/srv/";
  folder += std::string(static_cast<std::size_t>(c.folder_length) - folder.size() - 1, 'x') + "/";
  if (c.title) host_->ExpectMsgBoxContaining(c.title, c.text);
  std::int32_t id = 0;
  EXPECT_EQ(UpdateJobTable(c.name, folder, id), c.written);
  EXPECT_EQ(Jobs().size(), c.written ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UpdateJobTableTest,
    ::testing::Values(
        JobRowCase{"FolderOf237IsTaken", "Alpha", 237, true, nullptr, nullptr},
        JobRowCase{"FolderOf238IsTooLong", "Alpha", 238, false, "ProjectDataServer.modBrowse.UpdateJobTable",
                   "Invalid project path.  The path is too long.  Please choose a folder with a shorter path."},
        JobRowCase{"Untitled", "untitled", 20, false, "Invalid Project Name", "Invalid project name.  [untitled]"},
        JobRowCase{"BlankName", "  ", 20, false, "Invalid Project Name", "Invalid project name."}),
    ByLabel());

}  // namespace
}  // namespace pds::test
