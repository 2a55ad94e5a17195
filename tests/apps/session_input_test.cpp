// Bad input to `pds session`: a command line that does not fit its command, a control character in a name,
// a file of commands that is no such file, and standard descriptors closed at start. Each is refused with a
// clear message and loses nothing; what is printed never carries a raw control character, and --json lines parse.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "tests/apps/pds_command.h"
#include "tests/config/service_fixture.h"
#include "tests/terminal/text_matchers.h"

namespace pds::test {
namespace {

// Whether every line of the file is one JSON value read as strict UTF-8 (a raw control or stray byte fails).
bool EveryLineIsJson(const std::string& path) {
  return std::system(("python3 -c 'import json, sys\nfor line in open(sys.argv[1], encoding=\"utf-8\"): "
                      "json.loads(line)' '" + path + "'").c_str()) == 0;
}

bool HasRawControl(const std::string& text) {
  for (unsigned char c : text) {
    if ((c < 0x20 && c != '\n') || c == 0x7f) return true;
  }
  return false;
}

class SessionInputTest : public ServiceTest {
 protected:
  PdsRun Session(const std::string& app, const std::string& input, const std::string& options = "--ui batch") {
    return RunSession(temp_, app, input, options);
  }
  // pds session with its standard descriptors as redirect leaves them (RunPds gives it its own input).
  int SessionRedirected(const std::string& app, const std::string& redirect) {
    fs::create_directories(temp_ / "tmp");
    const std::string command = "TMPDIR='" + (temp_ / "tmp") + "' timeout 60 '" + PDS_BINARY + "' session --root '" +
                                temp_.path() + "' --app " + app + " --ui batch " + redirect;
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // A saved LAY10 project "Plant" with its files, as a user would have it.
  void MakePlant() {
    fs::create_directories(Plant());
    ASSERT_EQ(Session("LAY10", "new\\nsave-as " + Plant() + " Plant\\nexit\\n").exit_code, 0);
  }
  std::string Plant() const { return temp_ / "Plant"; }
  bool PlantIsIntact() const {
    return fs::exists(Plant() + "/PROJECT.QVP") &&
           Rows(ProjectsDbPath(), "SELECT sJobName FROM Job") == std::vector<std::vector<std::string>>{{"Plant"}};
  }
};

struct UsageCase {
  const char* label;
  const char* line;     // as printf takes it
  const char* problem;  // in the message on standard error
};

class SessionUsageTest : public SessionInputTest, public ::testing::WithParamInterface<UsageCase> {};

// The session stops at the refused line: the `delete Plant --quiet` after it does not run either.
TEST_P(SessionUsageTest, RefusedLineRunsNothingAndEndsTheScript) {
  Install(false, {"LAY10"});
  MakePlant();
  PdsRun run = Session("LAY10", std::string(GetParam().line) + "\\ndelete Plant --quiet\\nexit\\n");
  EXPECT_EQ(run.exit_code, 2) << run.out << run.err;
  EXPECT_THAT(run.err, HasAll({"pds session: line 1: ", GetParam().problem}));
  EXPECT_THAT(run.out, Not(HasSubstr("delete: RETURN")));
  EXPECT_FALSE(HasRawControl(run.err)) << run.err;
  EXPECT_TRUE(PlantIsIntact());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SessionUsageTest,
    ::testing::Values(
        UsageCase{"DeleteNameWithBlanksUnquoted", "delete Demo Plant --quiet",
                  "unexpected word 'Plant'; a name with blanks goes in double quotes: delete \"Demo Plant\""},
        UsageCase{"DeleteUnknownOption", "delete Plant --force", "unknown option '--force'"},
        UsageCase{"OpenNameWithBlanksUnquoted", "open Demo Plant", "open \"Demo Plant\""},
        UsageCase{"SaveExtraWord", "save now", "save: unexpected word 'now'"},
        UsageCase{"CloseExtraWord", "close Plant", "close: unexpected word 'Plant'"},
        UsageCase{"StatusExtraWord", "status all", "status: unexpected word 'all'"},
        UsageCase{"NewExtraWord", "new Plant", "new: unexpected word 'Plant'"},
        UsageCase{"ExitExtraWord", "exit now", "exit: unexpected word 'now'"},
        UsageCase{"SaveAsOneArgument", "save-as /tmp", "give both the folder and the name"},
        UsageCase{"SetMissingValue", "set Notes", "set: missing argument"},
        UsageCase{"TagUnknownVerb", "tag frobnicate", "wrong arguments for tag frobnicate"},
        UsageCase{"HelpTwoCommands", "help open save", "help: unexpected word 'save'"},
        UsageCase{"UnknownCommand", "remove Plant", "unknown command 'remove'"},
        UsageCase{"UnterminatedQuote", "delete \"Plant", "unterminated quotation mark"},
        UsageCase{"NulInName", "delete \"Pl\\000ant\"", "control character \\x00"},
        UsageCase{"EscapeInName", "open \"\\033[2JPlant\"", "'\\x1b[2JPlant' holds the control character \\x1b"},
        UsageCase{"C1ControlInName", "open \"\\302\\233Plant\"", "control character \\u009b"}), ByLabel());

TEST_F(SessionInputTest, QuotedNameWithBlanksStillDeletesThatProject) {
  Install(false, {"LAY10"});
  fs::create_directories(temp_ / "Demo Plant");
  ASSERT_EQ(Session("LAY10", "new\\nsave-as \"" + (temp_ / "Demo Plant") + "\" \"Demo Plant\"\\nexit\\n").exit_code,
            0);
  PdsRun run = Session("LAY10", "delete \"Demo Plant\" --quiet\\nexit\\n");
  EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_THAT(run.out, HasSubstr("delete: RETURN_OK"));
}

struct BadFileCase {
  const char* label;
  const char* option;  // "{}" stands for the test's folder
  const char* problem;
};

class BadCommandFileTest : public SessionInputTest, public ::testing::WithParamInterface<BadFileCase> {};

// None of these may hang or grow: the time limit's own exit code (124) would fail the test.
TEST_P(BadCommandFileTest, IsAUsageError) {
  Install(false, {"LAY10"});
  PdsRun run = Session("LAY10", "", Fill(GetParam().option, temp_.path()));
  EXPECT_EQ(run.exit_code, 2) << run.out << run.err;
  EXPECT_THAT(run.err, HasSubstr(GetParam().problem));
  EXPECT_THAT(run.out, Not(HasSubstr("new: ")));
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadCommandFileTest,
    ::testing::Values(BadFileCase{"EndlessScript", "--ui batch --script /dev/zero",
                                  "line 1: the line is longer than 65536 bytes"},
                      BadFileCase{"FolderAsScript", "--ui batch --script '{}'", "is a folder, not a file"},
                      BadFileCase{"FolderAsAnswerFile", "--ui 'script:{}'", "is a folder, not a file"},
                      BadFileCase{"EndlessAnswerFile", "--ui script:/dev/zero", "is larger than 4096 KiB"}), ByLabel());

TEST_F(SessionInputTest, EndlessStandardInputIsRefused) {
  Install(false, {"LAY10"});
  EXPECT_EQ(SessionRedirected("LAY10", "</dev/zero >/dev/null 2>'" + (temp_ / "err") + "'"), 2);
  EXPECT_THAT(temp_.Read("err"), HasSubstr("longer than 65536 bytes"));
}

// With standard output closed the first database opened would get its number and the output written over
// it; the user has a project, so no new one is made at the start and that database is the application's.
TEST_F(SessionInputTest, ClosedStandardOutputLeavesTheApplicationDatabaseIntact) {
  Install(false, {"PMP10"});
  CreateProjectsDb();
  AddProject("Plant", {"PMP10"});
  const std::string app_db = inst_.CodePath("PMP10") + "/PMP10App.mdb";
  EXPECT_EQ(SessionRedirected("PMP10", "<'" + temp_.Write("commands", "status\nexit\n") + "' >&- 2>/dev/null"), 0);
  std::ifstream db(app_db, std::ios::binary);
  std::string header(16, '\0');
  db.read(header.data(), 16);
  EXPECT_EQ(header, std::string("SQLite format 3\0", 16));
  PdsRun next = Session("PMP10", "status\\nexit\\n");
  EXPECT_EQ(next.exit_code, 0) << next.err;
  EXPECT_THAT(next.out, HasSubstr("status: RETURN_OK"));
}

TEST_F(SessionInputTest, ClosedStandardInputReadsNoCommands) {
  Install(false, {"PMP10"});
  EXPECT_EQ(SessionRedirected("PMP10", "<&- >'" + (temp_ / "out") + "' 2>'" + (temp_ / "err") + "'"), 0)
      << temp_.Read("err");
  EXPECT_THAT(temp_.Read("out"), HasAll({"initialize: RETURN_OK", "exit: RETURN_OK"}));
  EXPECT_THAT(temp_.Read("err"), Not(HasSubstr("unknown command")));
}

// In a child process: closes standard output, initializes, and exits 0 when that succeeded with it on /dev/null.
void InitializeWithStandardOutputClosed(const std::string& code, const std::string& pdsg) {
  close(STDOUT_FILENO);
  clsProjectDataServer server;
  const bool ok = server.PDSInitialize(code, pdsg, "") == RETURN_OK;
  struct stat out, null_device;
  const bool filled = fstat(STDOUT_FILENO, &out) == 0 && stat("/dev/null", &null_device) == 0 &&
                      S_ISCHR(out.st_mode) && out.st_rdev == null_device.st_rdev;
  std::_Exit(ok && filled ? 0 : 1);
}

// With standard output closed, the component's initialization fills it before opening the application database.
TEST_F(SessionInputTest, InitializationFillsAClosedStandardOutput) {
  Install(false, {"PMP10"});
  EXPECT_EXIT(InitializeWithStandardOutputClosed(inst_.CodePath("PMP10"), "PMP10"), ::testing::ExitedWithCode(0),
              "");
}

// Names from the projects database reach the output: one with an escape sequence, one with a byte not UTF-8.
TEST_F(SessionInputTest, NamesFromTheDatabaseArePrintedEscapedAndJsonLinesParse) {
  Install(false, {"LAY10"});
  CreateProjectsDb();
  AddProject("Evil\x1b[2J");
  AddProject("Pl\xff" "ant");
  PdsRun human = Session("LAY10", "projects\\nopen \"Pl\\377ant\"\\nexit\\n");
  EXPECT_THAT(human.out, HasAll({"Evil\\x1b[2J:", "Pl\\xffant:"}));
  EXPECT_FALSE(HasRawControl(human.out)) << human.out;
  EXPECT_FALSE(HasRawControl(human.err)) << human.err;
  EXPECT_THAT(human.out + human.err, Not(HasSubstr("\xff")));

  PdsRun json = Session("LAY10", "projects\\nopen \"Pl\\377ant\"\\nstatus\\nexit\\n", "--ui batch --json");
  EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 5) << json.out;
  EXPECT_TRUE(EveryLineIsJson(temp_.Write("json.out", json.out))) << json.out;
  EXPECT_THAT(json.out, HasAll({"\"Evil\\u001b[2J\"", "\"Pl\\ufffdant\""}));
}

}  // namespace
}  // namespace pds::test
