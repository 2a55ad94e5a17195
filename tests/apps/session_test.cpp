// `pds session` as a whole program: each sample application starts on a fresh
// installation, reports its status and exits cleanly; with an answer script,
// any message the script did not foresee (or a foreseen one that never
// comes) ends the session with exit code 3.

#include "tests/apps/pds_command.h"

#include "tests/config/service_fixture.h"

namespace pds::test {
namespace {

using ::testing::HasSubstr;

class SessionTest : public ServiceTest {
 protected:
  // Runs `pds session` with the commands on standard input.
  PdsRun RunSession(const std::string& app, const std::string& ui, const std::string& commands) {
    return RunPds(temp_, "session --root '" + temp_.path() + "' --app " + app + " --ui '" + ui + "'", "", commands);
  }
};

class SampleAppSessionTest : public SessionTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(SampleAppSessionTest, StartsReportsStatusAndExits) {
  Install();
  const PdsRun run = RunSession(GetParam(), "batch", "status\\nexit\\n");
  EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_THAT(run.out, HasSubstr("initialize: RETURN_OK"));
  EXPECT_THAT(run.out, HasSubstr("status: RETURN_OK"));
  EXPECT_THAT(run.out, HasSubstr("exit: RETURN_OK"));
}

INSTANTIATE_TEST_SUITE_P(SampleApps, SampleAppSessionTest, ::testing::Values("PMP10", "LAY10", "CAL10"),
                         [](const auto& info) { return info.param; });

// --ui qt hands the session to the desktop companion pds-qt, which needs a
// display; without one it says so instead of letting Qt end the process.
TEST_F(SessionTest, DesktopHostRunsOnAnOffscreenDisplayAndRefusesWithoutOne) {
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

struct ScriptCase {
  const char* name;
  bool user_ids_required;
  const char* script;
  int exit_code;
};

class ScriptedSessionTest : public SessionTest, public ::testing::WithParamInterface<ScriptCase> {};

TEST_P(ScriptedSessionTest, ExitCodeTellsWhetherTheScriptRanExactly) {
  Install(GetParam().user_ids_required, {"LAY10"});
  // The user has a project already, so the start asks no more than the
  // script is about. The first user registered gets the ID "001".
  const std::string user_id = GetParam().user_ids_required ? "001" : "000";
  CreateProjectsDb(user_id);
  Execute(ProjectsDbPath(user_id), {"INSERT INTO Job (sJobName, sJobPath, sDOSJobPath) VALUES ('Plant', '" +
                                        (temp_ / "Plant") + "', '" + (temp_ / "Plant") + "')"});
  const std::string script = temp_.Write("answers.txt", GetParam().script);
  const PdsRun run = RunSession("LAY10", "script:" + script, "status\\nexit\\n");
  EXPECT_EQ(run.exit_code, GetParam().exit_code) << run.out << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, ScriptedSessionTest,
    ::testing::Values(
        // The user-ID question comes, answered as the script says.
        ScriptCase{"AnsweredUserIdQuestion", true,
                   "input \"Application Startup\" -> \"jsmith\"\n"
                   "msgbox \"Register User ID\" ~\"is not registered\" -> Yes\n",
                   0},
        // The user-ID question comes, but the script has nothing for it.
        ScriptCase{"UnforeseenUserIdQuestion", true, "# no answers\n", 3},
        // The script waits for a question that never comes.
        ScriptCase{"ForeseenQuestionNeverComes", false,
                   "msgbox \"Project Initialization\" ~\"initialization complete\" -> Yes\n", 3}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pds::test
