// The commands of `pds session` as whole programs: an answer script that does not fit ends the session
// with exit code 3; the project, tag, search and archive commands print their results; `pds archive-info`
// reads an archive back or refuses one it cannot trust; and a second session cannot open a project the
// first one holds.
#include <sqlite3.h>

#include <fstream>

#include "pds/ArchiveInfo.h"
#include "tests/apps/pds_command.h"
#include "tests/archive/zip_bytes.h"
#include "tests/config/service_fixture.h"
#include "tests/terminal/text_matchers.h"

namespace pds::test {
namespace {

class SessionCommandsTest : public ServiceTest {
 protected:
  PdsRun Session(const std::string& commands, const std::string& options = "--ui batch",
                 const std::string& app = "PMP10") {
    return RunSession(temp_, app, commands, options);
  }
  // An answer script written into the test's folder, as the --ui option.
  std::string Script(const std::string& answers) { return "--ui 'script:" + temp_.Write("answers", answers) + "'"; }
  std::string Alpha() const { return temp_ / "Alpha"; }
  // A project Alpha made, saved with a project number, and the commands after it.
  std::string SavedAlpha(const std::string& then) {
    fs::create_directories(Alpha());
    return "new\\nsave-as " + Alpha() + " Alpha\\nset JobNumber X-7\\nsave\\n" + then + "exit\\n";
  }
};

// One line of a command's printed result: the field, then its value from the 29th column.
std::string Field(const std::string& name, const std::string& value) {
  return "  " + name + ":" + std::string(25 - name.size(), ' ') + value + "\n";
}

// ---- the answer script

struct ScriptCase {
  const char* name;
  bool user_ids_required;
  const char* script;
  int exit_code;
};

class ScriptedSessionTest : public SessionCommandsTest, public ::testing::WithParamInterface<ScriptCase> {};

TEST_P(ScriptedSessionTest, ExitCodeTellsWhetherTheScriptRanExactly) {
  Install(GetParam().user_ids_required, {"LAY10"});
  // With a project listed the start asks only what the script is about; the first user registered is "001".
  const std::string user_id = GetParam().user_ids_required ? "001" : "000";
  CreateProjectsDb(user_id);
  Execute(ProjectsDbPath(user_id), {"INSERT INTO Job (sJobName, sJobPath, sDOSJobPath) VALUES ('Plant', '" +
                                        (temp_ / "Plant") + "', '" + (temp_ / "Plant") + "')"});
  const PdsRun run = Session("status\\nexit\\n", Script(GetParam().script), "LAY10");
  EXPECT_EQ(run.exit_code, GetParam().exit_code) << run.out << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, ScriptedSessionTest,
    ::testing::Values(
        ScriptCase{"AnsweredUserIdQuestion", true,
                   "input \"Application Startup\" -> \"jsmith\"\n"
                   "msgbox \"Register User ID\" ~\"is not registered\" -> Yes\n",
                   0},
        ScriptCase{"UnforeseenUserIdQuestion", true, "# no answers\n", 3},
        ScriptCase{"ForeseenQuestionNeverComes", false,
                   "msgbox \"Project Initialization\" ~\"initialization complete\" -> Yes\n", 3}), ByName());

// --ui qt hands the session to the desktop companion pds-qt, which needs a
// display; without one it says so instead of letting Qt end the process.
TEST_F(SessionCommandsTest, DesktopHostRunsOnAnOffscreenDisplayAndRefusesWithoutOne) {
#ifndef PDS_HAS_QT_HOST
  GTEST_SKIP() << "built without Qt";
#endif
  Install(false, {"LAY10"});
  const std::string args = "session --root '" + temp_.path() + "' --app LAY10 --ui qt";
  const PdsRun offscreen = RunPds(temp_, args, "QT_QPA_PLATFORM=offscreen", "status\\nexit\\n");
  EXPECT_EQ(offscreen.exit_code, 0) << offscreen.out << offscreen.err;
  EXPECT_THAT(offscreen.out, HasSubstr("status: RETURN_OK"));
  const PdsRun headless = RunPds(temp_, args, "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM", "exit\\n");
  EXPECT_EQ(headless.exit_code, 2);
  EXPECT_THAT(headless.err, HasSubstr("--ui qt needs a display"));
}

// ---- tags, values and properties

TEST_F(SessionCommandsTest, TagOperationsReportTheirResultsAndTheTagsLeft) {
  Install();
  fs::create_directories(temp_ / "Plant");
  const PdsRun run = Session("new\\ntag new Pump\\ntag copy Pump\\ntag rename \"Pump(1)\" Spare\\ntag new Fan\\n"
                             "tag delete Fan\\ntag open Spare\\ntag save\\ntags\\ntag type Motor\\ntags\\n"
                             "tag type\\ndatadef TagName TagData\\nsave-as " + (temp_ / "Plant") + " Plant\\nexit\\n");
  ASSERT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_THAT(run.out,
              HasAll({"tag new: RETURN_OK\n  name:",
                      "tag copy: RETURN_OK\n" + Field("name", "Pump") + Field("new name", "Pump(1)") +
                          Field("tag type", "TagData") + Field("tags", "3") + Field("current tag", "Pump(1)"),
                      "tag delete: RETURN_OK\n" + Field("name", "Fan"),
                      // The record set opened by `tag open` stands on the tag for the next command.
                      "tag save: RETURN_OK\n" + Field("name", "Spare"), "record set:               Spare (id ",
                      "application dirty:        yes",
                      // The deleted tag is gone from the list, which follows the tags' order.
                      "tags: RETURN_OK\n" + Field("tag type", "TagData") + Field("1", "Untitled1 (id 1)") +
                          Field("2", "Pump (id 2)") + Field("3", "Spare (id 3)") + "tag type: RETURN_OK\n",
                      // Motor has no tags; `tag type` alone shows the type it was switched to.
                      "tags: RETURN_OK\n" + Field("tag type", "Motor") + "tag type: RETURN_OK\n" +
                          Field("tag type", "Motor"),
                      "datadef: FOUND\n" + Field("Table", "TagData") + Field("Field", "TagName") +
                          Field("FriendlyName", "Tag Name")}));
}

TEST_F(SessionCommandsTest, MissingAndTakenNamesGiveTheTagResultCodes) {
  Install();
  const PdsRun run = Session("new\\ntag open Missing\\ntag copy Untitled1 Untitled1\\ntag type Valve\\nexit\\n",
                             "--ui batch --json");
  EXPECT_EQ(run.exit_code, 1) << run.out << run.err;
  EXPECT_THAT(run.out, HasAll({"{\"command\":\"tag open\",\"result\":\"RETURN_NO_TAGS\",\"name\":\"Missing\"",
                               "{\"command\":\"tag copy\",\"result\":\"RETURN_TAG_ALREADY_EXISTS\"",
                               "{\"command\":\"tag type\",\"result\":\"RETURN_ERROR\",\"tag type\":\"Valve\""}));
  EXPECT_THAT(run.err, HasSubstr("Tag was not found.  [Missing]"));
}

// The commands the other tests leave out; the answer file answers the properties dialog and the save question.
TEST_F(SessionCommandsTest, PropertiesValuesAndTagSavesThroughAnAnswerFile) {
  Install();
  fs::create_directories(temp_ / "Plant");
  const PdsRun run = Session("new\\nsave-as " + (temp_ / "Plant") +
                                 " Plant\\nproperties\\nmru\\nconfig set Units Metric\\nconfig get Units\\n"
                                 "proj-config set Scale 10\\nproj-config delete Scale\\nproj-config get Scale\\n"
                                 "tag new Pump\\ntag save-as Pump Spare\\ntag save-all\\nexit\\n",
                             Script("dialog frmProperties\n  type txtJobNumber \"J-7\"\n  click cmdOK\n"
                                    "msgbox \"Save Changes\" \"Save changes to project 'Plant'?\" -> No\n"));
  ASSERT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_THAT(run.out, HasAll({"properties: RETURN_OK\n", "mru: RETURN_OK\n" + Field("1", "Plant (id 1)"),
                               "config: FOUND\n" + Field("Units", "Metric"),
                               "proj-config: DELETED\n" + Field("key", "Scale") + "proj-config: NOT_FOUND\n",
                               "tag save-as: RETURN_OK\n" + Field("name", "Pump") + Field("new name", "Spare"),
                               // No provisional tag is selected, so there is nothing to save.
                               "tag save-all: RETURN_OK\n"}));
}

// ---- the project search

// A project folder rel holding a project file named name, of two applications.
void MakeSearchable(const TempFolder& temp, const std::string& rel, const std::string& name) {
  fs::create_directories(temp / rel);
  temp.Write(rel + "/PROJECT.QVP", "[Project]\r\nProject Name=" + name +
                                       "\r\n\r\n[Application Data]\r\nPMP10=Pump Designer\r\nLAY10=Layout\r\n");
}

TEST_F(SessionCommandsTest, SearchListsProjectsWithTheirApplications) {
  MakeSearchable(temp_, "tree/a/Plant", "Plant");
  PdsRun run = RunPds(temp_, "search '" + (temp_ / "tree") + "'");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "Plant\t" + (temp_ / "tree/a/Plant/") + "\tPMP10,LAY10\n1 project(s) found\n");

  PdsRun json = RunPds(temp_, "search '" + (temp_ / "tree") + "' --json");
  EXPECT_THAT(json.out, HasSubstr("\"projects\":[{\"name\":\"Plant\",\"folder\":\"" + (temp_ / "tree/a/Plant/") +
                                  "\",\"applications\":[\"PMP10\",\"LAY10\"]}]"));

  PdsRun missing = RunPds(temp_, "search '" + (temp_ / "none") + "'");
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_THAT(missing.err, HasSubstr("does not exist"));
}

TEST_F(SessionCommandsTest, FindProjectsAddsTheCheckedProject) {
  Install();
  MakeSearchable(temp_, "shared/Plant", "Plant");
  PdsRun run = Session("find-projects --in " + (temp_ / "shared") + "\\nprojects\\nexit\\n",
                       Script("dialog frmProjectSearch\n  click cmdOK\n"
                              "msgbox \"Projects Added\" ~\"[1] projects were added\"\n"));
  ASSERT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_THAT(run.out, HasAll({"find-projects: ADDED", "Plant", temp_ / "shared/Plant"}));
}

// ---- archives

TEST_F(SessionCommandsTest, ArchiveToAFileIsReadBackByArchiveInfo) {
  Install();
  const std::string zip = temp_ / "alpha.qva";
  PdsRun run = Session(SavedAlpha("archive " + zip + "\\n"));
  ASSERT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_THAT(run.out, HasSubstr("archive: RETURN_OK"));

  fs::create_directories(temp_ / "info-tmp");
  PdsRun info = RunPds(temp_, "archive-info '" + zip + "'", "TMPDIR='" + (temp_ / "info-tmp") + "'");
  ASSERT_EQ(info.exit_code, 0) << info.err;
  EXPECT_THAT(info.out, HasAll({"Master Archive Version:  AR002", "Project Name:            Alpha",
                                "Project Number:          X-7", "PMP10    Pump Designer v1.0"}));
  // The extracted project file went into a private folder that is gone again.
  EXPECT_TRUE(fs::is_empty(temp_ / "info-tmp"));

  PdsRun json = RunPds(temp_, "archive-info '" + zip + "' --json");
  EXPECT_EQ(json.exit_code, 0);
  EXPECT_THAT(json.out, StartsWith("{\"ok\":true,"));
  EXPECT_THAT(json.out, HasAll({"\"applications\":[{\"pdsg\":\"PMP10\",\"name\":\"Pump Designer v1.0\"}]",
                                "\"entries\":[\"PROJECT.QVP\",\"Project.mdb\",\"PMP10Tag.mdb\",\"PMP10Crv.dat\"]"}));
}

TEST_F(SessionCommandsTest, ArchiveWithoutFileAsksThroughTheSaveFileDialogAndTakesOneFileOnly) {
  Install();
  const std::string zip = temp_ / "chosen.qva";
  PdsRun run = Session(SavedAlpha("archive\\n"),
                       Script("file \"" + zip + "\"\nmsgbox \"Archive Complete\" ~\"has been archived to\" -> OK\n"));
  EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_THAT(run.out, HasSubstr("archive: RETURN_OK"));
  EXPECT_TRUE(fs::exists(zip));

  PdsRun two = Session("archive a.qva b.qva\\n");
  EXPECT_EQ(two.exit_code, 2);
  EXPECT_THAT(two.out + two.err, HasSubstr("USAGE"));
}

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

INSTANTIATE_TEST_SUITE_P(Cases, ArchiveInfoRefusalTest, ::testing::ValuesIn(kBadArchives), ByLabel());

TEST(ArchivedAppDisplayTextTest, VersionFromTheDesignationOnlyWhenTheNameHasNone) {
  EXPECT_EQ(ArchivedAppDisplayText("ABC12", "Sample App"), "Sample App v1.2");
  EXPECT_EQ(ArchivedAppDisplayText("ABC12", "Sample App 3"), "Sample App 3");
  EXPECT_EQ(ArchivedAppDisplayText("PMP10", ""), " v1.0");
  EXPECT_EQ(ArchivedAppDisplayText("X", "Odd"), "Odd");
}

// ---- sessions side by side

class ProjectSessionTest : public SessionCommandsTest {
 protected:
  void SetUp() override { Install(); }
  // Starts a LAY10 session reading commands from the returned pipe, output in first.out and first.err,
  // sends it one command and waits for its answer (what it printed so far). With share_tmp its temporary
  // folder, where untitled projects keep their working folders, is the one Session() gives.
  std::string StartFirstSession(std::FILE*& session, const std::string& command, bool share_tmp = false) {
    const std::string tmpdir = temp_ / (share_tmp ? "tmp" : "tmp-first");
    fs::create_directories(tmpdir);
    session = popen(("TMPDIR='" + tmpdir + "' '" + std::string(PDS_BINARY) + "' session --root '" + temp_.path() +
                     "' --app LAY10 --ui batch >'" + (temp_ / "first.out") + "' 2>'" + (temp_ / "first.err") + "'")
                        .c_str(),
                    "w");
    if (!session) return {};
    std::fputs((command + "\n").c_str(), session);
    std::fflush(session);
    const std::string answer = command.substr(0, command.find(' ')) + ": ";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (temp_.Read("first.out").find(answer) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return temp_.Read("first.out");
  }
};

// Damage past the file's first page is found only when a table is read: the open's message still names the file.
TEST_F(ProjectSessionTest, DamagedProjectDatabaseIsNamedInTheOpenMessage) {
  ASSERT_EQ(Session(SavedAlpha("")).exit_code, 0);
  const std::string project_db = Alpha() + "/Project.mdb";
  // The Properties table's page is overwritten; the first page and the engine's tables stay, so the open succeeds.
  sqlite3* db = nullptr;
  sqlite3_stmt* stmt = nullptr;
  ASSERT_EQ(sqlite3_open_v2(project_db.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_prepare_v2(db, "SELECT rootpage FROM sqlite_master WHERE name = 'Properties'", -1, &stmt, nullptr);
  const long page = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int(stmt, 0) : 0;
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  ASSERT_GT(page, 1);
  std::fstream(project_db, std::ios::in | std::ios::out).seekp((page - 1) * 4096) << std::string(4096, 'Z');
  const PdsRun open = Session("open Alpha\\nexit\\n");
  EXPECT_EQ(open.exit_code, 1);
  EXPECT_THAT(open.err, HasAll({"[CreateRecordset()] Unrecognized database format '" + project_db + "'.",
                                "[Error Opening Project] Error opening project:  [Alpha]\n\nUnrecognized database "
                                "format '" + project_db + "'."}));
}

TEST_F(ProjectSessionTest, SecondSessionOfTheSameApplicationIsKeptOut) {
  ASSERT_EQ(Session(SavedAlpha("")).exit_code, 0);
  // The first session opens the project and waits for more commands.
  std::FILE* first = nullptr;
  const std::string first_open = StartFirstSession(first, "open Alpha");
  ASSERT_NE(first, nullptr);
  const PdsRun second = Session("open Alpha\\nexit\\n", "--ui batch", "LAY10");
  std::fputs("exit\n", first);
  const int first_status = pclose(first);

  ASSERT_THAT(first_open, HasSubstr("open: RETURN_OK")) << temp_.Read("first.err");
  EXPECT_THAT(second.err, HasSubstr("[LockProjectApp()] Project is already in use by another user."));
  EXPECT_THAT(second.out, HasSubstr("open: RETURN_USER_CANCEL"));
  EXPECT_EQ(second.exit_code, 1);
  EXPECT_TRUE(WIFEXITED(first_status) && WEXITSTATUS(first_status) == 0) << temp_.Read("first.err");
  EXPECT_FALSE(fs::exists(Alpha() + "/~LAY10.PLF"));
}

TEST_F(ProjectSessionTest, UntitledWorkOfOneSessionSurvivesAnotherSessionOfTheSameApplication) {
  fs::create_directories(Alpha());
  std::FILE* first = nullptr;
  const std::string first_new = StartFirstSession(first, "new", true);
  ASSERT_NE(first, nullptr);
  // The second session, with the same temporary folder, starts and leaves untitled projects of its own.
  const PdsRun second = Session("new\\nclose\\nnew\\nexit\\n", "--ui batch", "LAY10");
  EXPECT_EQ(second.exit_code, 0) << second.err;
  std::fputs(("save-as " + Alpha() + " Alpha\nexit\n").c_str(), first);
  const int first_status = pclose(first);

  ASSERT_THAT(first_new, HasSubstr("new: RETURN_OK")) << temp_.Read("first.err");
  EXPECT_THAT(temp_.Read("first.out"), HasSubstr("save-as: RETURN_OK")) << temp_.Read("first.err");
  EXPECT_TRUE(WIFEXITED(first_status) && WEXITSTATUS(first_status) == 0) << temp_.Read("first.err");
  EXPECT_TRUE(fs::exists(Alpha() + "/LAY10Lay.dat"));
}

}  // namespace
}  // namespace pds::test
