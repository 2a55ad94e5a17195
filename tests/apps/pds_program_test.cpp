// `pds` as a finished tool: manual pages for every command, unknown names as
// usage errors, a valid bash completion script, and `pds demo`, which succeeds
// in every step on a fresh installation or exits 1.
#include <algorithm>
#include <regex>
#include <sstream>

#include "tests/apps/pds_command.h"
#include "tests/terminal/text_matchers.h"

namespace pds::test {
namespace {

class CommandHelpTest : public ::testing::Test {
 protected:
  PdsRun Run(const std::string& args, const std::string& input = "") { return RunPds(temp_, args, "", input); }

  // The commands `pds --help` lists: the first word of each indented line under "Commands:".
  std::vector<std::string> ListedCommands() {
    const std::string help = Run("--help").out;
    const std::size_t at = help.find("\nCommands:\n");
    std::istringstream lines(at == std::string::npos ? "" : help.substr(at + 11));
    std::vector<std::string> names;
    for (std::string line; std::getline(lines, line) && line.rfind("  ", 0) == 0;) {
      names.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
    return names;
  }

  TempFolder temp_;
};

// The check walks the registries of subcommands, options and session commands: one added without a page fails.
TEST_F(CommandHelpTest, EveryRegisteredCommandOptionAndSessionCommandHasItsPage) {
  PdsRun check = Run("help --check");
  EXPECT_EQ(check.exit_code, 0) << check.out << check.err;
}

TEST_F(CommandHelpTest, EachListedCommandHasAManualPageBothWays) {
  std::vector<std::string> commands = ListedCommands();
  ASSERT_THAT(commands, ::testing::IsSupersetOf({"demo", "install", "session", "selfcheck", "help", "completion"}));
  for (const std::string& name : commands) {
    PdsRun page = Run("help " + name);
    EXPECT_EQ(page.exit_code, 0) << name << ": " << page.err;
    for (const char* section : {"NAME\n", "\nSYNOPSIS\n", "\nDESCRIPTION\n", "\nEXIT STATUS\n", "\nEXAMPLES\n"}) {
      EXPECT_THAT(page.out, HasSubstr(section)) << name;
    }
    EXPECT_EQ(Run(name + " --help").out, page.out) << name;
  }
}

TEST_F(CommandHelpTest, SessionCommandPagesNameTheOperationWithItsArgumentsInOrder) {
  PdsRun page = Run("help session save-as");
  EXPECT_EQ(page.exit_code, 0);
  EXPECT_THAT(page.out, HasAll({"ProjectSaveAs(sNewJobPath, sNewProjName)", "RETURN_USER_CANCEL"}));
  EXPECT_THAT(Run("help session tag").out, HasSubstr("CopyTag(sTagType, sTagName, sNewTagName, rsTag, bShowMsgs)"));
}

struct UnknownCase {
  const char* name;
  const char* args;
  const char* suggestion;  // the start of what follows "did you mean '"
};

class UnknownNameTest : public CommandHelpTest, public ::testing::WithParamInterface<UnknownCase> {};

TEST_P(UnknownNameTest, IsAUsageErrorNamingTheNearestName) {
  PdsRun run = Run(GetParam().args);
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_THAT(run.out, IsEmpty());
  EXPECT_THAT(run.err, HasSubstr(std::string("did you mean '") + GetParam().suggestion));
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}

INSTANTIATE_TEST_SUITE_P(UnknownNames, UnknownNameTest,
                         ::testing::Values(UnknownCase{"Command", "instal /tmp/x", "install'"},
                                           UnknownCase{"Nonsense", "help nosuch", ""},
                                           UnknownCase{"Topic", "help answrs", "answers'"},
                                           UnknownCase{"SessionCommand", "help session opne", "open'"}), ByName());

TEST_F(CommandHelpTest, HelpInsideASessionListsTheCommandsAndShowsTheirPages) {
  ASSERT_EQ(Run("install '" + temp_.path() + "' --apps CAL10").exit_code, 0);
  PdsRun session = Run("session --root '" + temp_.path() + "' --app CAL10 --ui batch", "help\\nhelp open\\nexit\\n");
  EXPECT_EQ(session.exit_code, 0) << session.err;
  EXPECT_THAT(session.out, HasAll({"save-as [FOLDER NAME]", "ProjectOpen(sJobName, sProjectType, bShowNewButton)"}));
}

class CompletionTest : public CommandHelpTest {
 protected:
  // The completions bash offers for a command line typed up to its end.
  std::string Complete(const std::string& script, const std::string& line) {
    temp_.Write("complete.sh",
                "source '" + script +
                    "'\n"
                    "COMP_LINE=\"$1\"; COMP_POINT=${#1}; read -ra COMP_WORDS <<< \"$1\"\n"
                    "[[ $1 == *\" \" ]] && COMP_WORDS+=(\"\")\n"
                    "COMP_CWORD=$(( ${#COMP_WORDS[@]} - 1 )); _pds; echo \"${COMPREPLY[*]}\"\n");
    std::string command = "bash '" + (temp_ / "complete.sh") + "' '" + line + "' >'" + (temp_ / "reply") + "'";
    if (std::system(command.c_str()) != 0) return "(bash failed)";
    std::string reply = temp_.Read("reply");
    return reply.empty() ? reply : reply.substr(0, reply.size() - 1);
  }
};

TEST_F(CompletionTest, ScriptIsValidBashAndIsTheInstalledCopy) {
  PdsRun script = Run("completion bash");
  ASSERT_EQ(script.exit_code, 0);
  std::string path = temp_.Write("pds.bash", script.out);
  EXPECT_EQ(std::system(("bash -n '" + path + "'").c_str()), 0);
  // The copy CMake installs must be what the program prints.
  fs::path source = fs::path(__FILE__).parent_path().parent_path().parent_path();
  EXPECT_EQ(ReadBytes(source / "scripts" / "pds-completion.bash"), script.out)
      << "regenerate it: pds completion bash > scripts/pds-completion.bash";
  EXPECT_EQ(Run("completion zsh").exit_code, 2);
}

TEST_F(CompletionTest, CompletesCommandsOptionsAndTheDesignationsUnderRoot) {
  ASSERT_EQ(Run("install '" + temp_.path() + "' --apps LAY10,CAL10").exit_code, 0);
  std::string script = temp_.Write("pds.bash", Run("completion bash").out);
  EXPECT_EQ(Complete(script, "pds ins"), "install");
  EXPECT_EQ(Complete(script, "pds session --root " + temp_.path() + " --app "), "CAL10 LAY10");
  EXPECT_EQ(Complete(script, "pds install /x --apps PMP10,L"), "PMP10,LAY10");
  EXPECT_EQ(Complete(script, "pds session --ui "), "terminal batch qt script:");
  EXPECT_THAT(Complete(script, "pds demo --"), HasSubstr("--keep"));
}

// ---- the demo

using DemoTest = CommandHelpTest;

TEST_F(DemoTest, EveryStepSucceedsAndTheTemporaryFolderGoes) {
  // Its own temporary folder, so the test sees what the demo leaves there.
  fs::create_directory(temp_ / "tmp");
  PdsRun demo = RunPds(temp_, "demo", "TMPDIR='" + (temp_ / "tmp") + "'");
  EXPECT_EQ(demo.exit_code, 0) << demo.out << demo.err;
  std::smatch summary;
  ASSERT_TRUE(std::regex_search(demo.out, summary, std::regex(R"(\ndemo: (\d+) of (\d+) steps ok\n$)"))) << demo.out;
  EXPECT_EQ(summary[1], summary[2]);
  EXPECT_THAT(demo.out, Not(HasSubstr("FAILED")));
  EXPECT_THAT(demo.out, HasSubstr("Project is already in use by another user."));
  EXPECT_TRUE(fs::is_empty(temp_ / "tmp"));
}

TEST_F(DemoTest, JsonGivesOneObjectPerStepAndKeepsAGivenFolder) {
  PdsRun demo = RunPds(temp_, "demo '" + (temp_ / "inst") + "' --json");
  EXPECT_EQ(demo.exit_code, 0) << demo.out << demo.err;
  std::istringstream lines(demo.out);
  std::string line;
  std::string last;
  int steps = 0;
  while (std::getline(lines, line)) {
    last = line;
    ASSERT_EQ(line.front(), '{') << line;
    if (line.rfind("{\"step\":", 0) == 0) {
      ++steps;
      EXPECT_THAT(line, HasSubstr("\"ok\":true")) << line;
    }
  }
  EXPECT_THAT(last, HasSubstr("\"ok\":" + std::to_string(steps) + ",\"of\":" + std::to_string(steps)));
  EXPECT_TRUE(fs::exists(temp_ / "inst/TVX-ii/Projects/Demo Plant/PROJECT.QVP"));
}

TEST_F(DemoTest, AFailedStepMakesTheExitCodeOne) {
  // An installation is already there, so the demo's own cannot be built.
  fs::create_directories(temp_ / "inst/TVX-ii");
  PdsRun demo = RunPds(temp_, "demo '" + (temp_ / "inst") + "'");
  EXPECT_EQ(demo.exit_code, 1);
  EXPECT_THAT(demo.out, HasAll({"] install an installation with PMP10, LAY10 and CAL10 ... FAILED",
                                "already holds an installation folder", "\ndemo: 0 of "}));
}

}  // namespace
}  // namespace pds::test
