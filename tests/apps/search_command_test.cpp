// The project search as whole programs: `pds search` listing the projects
// below a folder without an installation, and the session's find-projects
// adding one through the search dialog answered by a script.
#include <filesystem>
#include <string>

#include "tests/apps/pds_command.h"
#include "tests/config/service_fixture.h"

namespace pds::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class SearchCommandTest : public ServiceTest {
 protected:
  void MakeProject(const std::string& rel, const std::string& name) {
    fs::create_directories(temp_ / rel);
    temp_.Write(rel + "/PROJECT.QVP", "[Project]\r\nProject Name=" + name +
                                          "\r\n\r\n[Application Data]\r\nPMP10=Pump Designer\r\nLAY10=Layout\r\n");
  }
};

TEST_F(SearchCommandTest, SearchListsProjectsWithTheirApplications) {
  MakeProject("tree/a/Plant", "Plant");
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

TEST_F(SearchCommandTest, SessionFindProjectsAddsTheCheckedProject) {
  Install();
  MakeProject("shared/Plant", "Plant");
  temp_.Write("answers.txt",
              "dialog frmProjectSearch\n  click cmdOK\nmsgbox \"Projects Added\" ~\"[1] projects were added\"\n");
  fs::create_directories(temp_ / "tmp");
  PdsRun run = RunPds(temp_,
                      "session --root '" + temp_.path() + "' --app PMP10 --ui 'script:" + (temp_ / "answers.txt") + "'",
                      "TMPDIR='" + (temp_ / "tmp") + "'", "find-projects --in " + (temp_ / "shared") + "\\nprojects\\nexit\\n");
  ASSERT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_THAT(run.out, HasSubstr("find-projects: ADDED"));
  EXPECT_THAT(run.out, HasSubstr("Plant"));
  EXPECT_THAT(run.out, HasSubstr(temp_ / "shared/Plant"));
}

}  // namespace
}  // namespace pds::test
