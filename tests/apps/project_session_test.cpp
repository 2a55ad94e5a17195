// The project commands of `pds session` as whole programs: a project made,
// saved under a name, closed and opened again leaves its files and its row
// behind; and a second session of the same application cannot open a
// project the first one holds.
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "tests/config/service_fixture.h"

namespace pds::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class ProjectSessionTest : public ServiceTest {
 protected:
  // The shell command of one session whose output goes to files named after
  // tag; each session gets its own temporary folder, where untitled projects
  // keep their working folders.
  // tmp names the temporary folder when sessions are to share one.
  std::string SessionCommand(const std::string& app, const std::string& tag, const std::string& tmp = "") {
    const std::string tmpdir = temp_ / ("tmp-" + (tmp.empty() ? tag : tmp));
    fs::create_directories(tmpdir);
    return "TMPDIR='" + tmpdir + "' '" + std::string(PDS_BINARY) + "' session --root '" +
           temp_.path() + "' --app " + app + " --ui batch >'" + (temp_ / (tag + ".out")) + "' 2>'" +
           (temp_ / (tag + ".err")) + "'";
  }
  int RunSession(const std::string& app, const std::string& tag, const std::string& commands,
                 const std::string& tmp = "") {
    const int status = std::system(("printf '" + commands + "' | " + SessionCommand(app, tag, tmp)).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Alpha() const { return temp_ / "Alpha"; }

  // Starts a session that reads its commands from the returned pipe, sends
  // it one command and waits until it has answered (what it printed so far).
  std::string StartWaitingSession(std::FILE*& session, const std::string& app, const std::string& tag,
                                  const std::string& command, const std::string& tmp = "") {
    session = popen(SessionCommand(app, tag, tmp).c_str(), "w");
    if (!session) return {};
    std::fputs((command + "\n").c_str(), session);
    std::fflush(session);
    const std::string answer = command.substr(0, command.find(' ')) + ": ";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (temp_.Read(tag + ".out").find(answer) == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return temp_.Read(tag + ".out");
  }
};

TEST_F(ProjectSessionTest, SavedProjectIsOpenedAgainByName) {
  Install();
  fs::create_directories(Alpha());
  EXPECT_EQ(RunSession("PMP10", "pmp",
                       "new\\nsave-as " + Alpha() + " Alpha\\nclose\\nopen Alpha\\nstatus\\nexit\\n"),
            0)
      << temp_.Read("pmp.out") << temp_.Read("pmp.err");
  EXPECT_THAT(temp_.Read("pmp.out"), HasSubstr("open: RETURN_OK"));
  EXPECT_TRUE(fs::exists(Alpha() + "/PROJECT.QVP"));
  EXPECT_TRUE(fs::exists(Alpha() + "/Project.mdb"));
  const std::vector<std::vector<std::string>> jobs = {{"Alpha", Alpha()}};
  EXPECT_EQ(Rows(ProjectsDbPath(), "SELECT sJobName, sJobPath FROM Job"), jobs);
}

// Damage past the file's first page is found only when a table is read: the
// open's own message still gives the reason and names the file.
TEST_F(ProjectSessionTest, DamagedProjectDatabaseIsNamedInTheOpenMessage) {
  Install();
  fs::create_directories(Alpha());
  ASSERT_EQ(RunSession("PMP10", "pmp", "new\\nsave-as " + Alpha() + " Alpha\\nexit\\n"), 0)
      << temp_.Read("pmp.err");
  const std::string project_db = Alpha() + "/Project.mdb";
  // The page of the Properties table is overwritten; the file's first page
  // and the engine's own tables stay intact, so the open itself succeeds.
  sqlite3* db = nullptr;
  sqlite3_stmt* stmt = nullptr;
  ASSERT_EQ(sqlite3_open_v2(project_db.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_prepare_v2(db, "SELECT rootpage FROM sqlite_master WHERE name = 'Properties'", -1, &stmt, nullptr);
  const long page = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int(stmt, 0) : 0;
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  ASSERT_GT(page, 1);
  std::fstream(project_db, std::ios::in | std::ios::out).seekp((page - 1) * 4096) << std::string(4096, 'Z');
  EXPECT_EQ(RunSession("PMP10", "open", "open Alpha\\nexit\\n"), 1);
  EXPECT_THAT(temp_.Read("open.err"),
              HasSubstr("[CreateRecordset()] Unrecognized database format '" + project_db + "'."));
  EXPECT_THAT(temp_.Read("open.err"),
              HasSubstr("[Error Opening Project] Error opening project:  [Alpha]\n\nUnrecognized database format '" +
                        project_db + "'."));
}

TEST_F(ProjectSessionTest, SecondSessionOfTheSameApplicationIsKeptOut) {
  Install();
  fs::create_directories(Alpha());
  ASSERT_EQ(RunSession("PMP10", "pmp", "new\\nsave-as " + Alpha() + " Alpha\\nexit\\n"), 0)
      << temp_.Read("pmp.err");

  // The first session opens the project and waits for more commands.
  std::FILE* first = nullptr;
  const std::string first_open = StartWaitingSession(first, "LAY10", "first", "open Alpha");
  ASSERT_NE(first, nullptr);

  const int second = RunSession("LAY10", "second", "open Alpha\\nexit\\n");
  std::fputs("exit\n", first);
  const int first_status = pclose(first);

  ASSERT_THAT(first_open, HasSubstr("open: RETURN_OK")) << temp_.Read("first.err");
  EXPECT_THAT(temp_.Read("second.err"), HasSubstr("[LockProjectApp()] Project is already in use by another user."));
  EXPECT_THAT(temp_.Read("second.out"), HasSubstr("open: RETURN_USER_CANCEL"));
  EXPECT_EQ(second, 1);
  EXPECT_TRUE(WIFEXITED(first_status) && WEXITSTATUS(first_status) == 0) << temp_.Read("first.err");
  EXPECT_FALSE(fs::exists(Alpha() + "/~LAY10.PLF"));
}

TEST_F(ProjectSessionTest, UntitledWorkOfOneSessionSurvivesAnotherSessionOfTheSameApplication) {
  Install();
  fs::create_directories(Alpha());
  std::FILE* first = nullptr;
  const std::string first_new = StartWaitingSession(first, "LAY10", "first", "new", "shared");
  ASSERT_NE(first, nullptr);
  // The second session, with the same temporary folder, starts and leaves
  // untitled projects of its own.
  EXPECT_EQ(RunSession("LAY10", "second", "new\\nclose\\nnew\\nexit\\n", "shared"), 0) << temp_.Read("second.err");
  std::fputs(("save-as " + Alpha() + " Alpha\nexit\n").c_str(), first);
  const int first_status = pclose(first);

  ASSERT_THAT(first_new, HasSubstr("new: RETURN_OK")) << temp_.Read("first.err");
  EXPECT_THAT(temp_.Read("first.out"), HasSubstr("save-as: RETURN_OK")) << temp_.Read("first.err");
  EXPECT_TRUE(WIFEXITED(first_status) && WEXITSTATUS(first_status) == 0) << temp_.Read("first.err");
  EXPECT_TRUE(fs::exists(Alpha() + "/LAY10Lay.dat"));
}

}  // namespace
}  // namespace pds::test
