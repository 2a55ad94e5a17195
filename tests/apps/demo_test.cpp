// `pds demo`, the main job, as a whole program: every step of the shared
// project's life succeeds on a fresh installation, the temporary folder goes
// afterwards, and a failed step makes the exit code 1.
#include <filesystem>
#include <regex>
#include <sstream>

#include <gmock/gmock.h>

#include "tests/apps/pds_command.h"

namespace pds::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class DemoTest : public ::testing::Test {
 protected:
  TempFolder temp_;
};

TEST_F(DemoTest, EveryStepSucceedsAndTheTemporaryFolderGoes) {
  // Its own temporary folder, so the test sees what the demo leaves there.
  std::filesystem::create_directory(temp_ / "tmp");
  PdsRun demo = RunPds(temp_, "demo", "TMPDIR='" + (temp_ / "tmp") + "'");
  EXPECT_EQ(demo.exit_code, 0) << demo.out << demo.err;
  std::smatch summary;
  ASSERT_TRUE(std::regex_search(demo.out, summary, std::regex(R"(\ndemo: (\d+) of (\d+) steps ok\n$)"))) << demo.out;
  EXPECT_EQ(summary[1], summary[2]);
  EXPECT_THAT(demo.out, Not(HasSubstr("FAILED")));
  EXPECT_THAT(demo.out, HasSubstr("Project is already in use by another user."));
  EXPECT_TRUE(std::filesystem::is_empty(temp_ / "tmp"));
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
  EXPECT_TRUE(std::filesystem::exists(temp_ / "inst/TVX-ii/Projects/Demo Plant/PROJECT.QVP"));
}

TEST_F(DemoTest, AFailedStepMakesTheExitCodeOne) {
  // An installation is already there, so the demo's own cannot be built.
  std::filesystem::create_directories(temp_ / "inst/TVX-ii");
  PdsRun demo = RunPds(temp_, "demo '" + (temp_ / "inst") + "'");
  EXPECT_EQ(demo.exit_code, 1);
  EXPECT_THAT(demo.out, HasSubstr("] install an installation with PMP10, LAY10 and CAL10 ... FAILED"));
  EXPECT_THAT(demo.out, HasSubstr("already holds an installation folder"));
  EXPECT_THAT(demo.out, HasSubstr("\ndemo: 0 of "));
}

}  // namespace
}  // namespace pds::test
