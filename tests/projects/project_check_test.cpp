// The read-only project check on a project PMP10 saved and closed: each
// fault a crash, a restore or a hand edit can leave is named in one line,
// and the check changes nothing, not even a stale lock file.
#include <fstream>

#include "pds/ProjectCheck.h"
#include "tests/projects/lifecycle_fixture.h"
#include "projects/project_file.h"

namespace pds::test {
namespace {

struct Fault {
  const char* name;
  std::function<void(const std::string& folder, const std::string& projects_db)> make;
  const char* problem;  // in the one line reported
};

class ProjectCheckTest : public LifecycleTest, public ::testing::WithParamInterface<Fault> {
 protected:
  void SetUp() override {
    Start("PMP10");
    folder_ = SaveNewProject("Alpha");
    ASSERT_TRUE(server().CloseCurrentProject());
  }
  std::string folder_;
};

TEST_F(ProjectCheckTest, SavedProjectIsHealthyAndItsOpenLockIsNoProblem) {
  EXPECT_THAT(CheckProjectFolder(folder_, temp_.path()).problems, IsEmpty());
  ASSERT_EQ(server().ProjectOpen("Alpha"), RETURN_OK);
  std::vector<ProjectCheckResult> all;
  std::string error;
  ASSERT_TRUE(CheckListedProjects(temp_.path(), &all, &error)) << error;
  ASSERT_EQ(all.size(), 2u);  // the user's first project and Alpha
  EXPECT_EQ(all[1].name, "Alpha");
  EXPECT_THAT(all[1].problems, IsEmpty());
}

TEST_P(ProjectCheckTest, FaultIsReportedInOneLine) {
  GetParam().make(folder_, ProjectsDb());
  const std::string before = ReadFile(folder_ + "/Project.mdb");
  const ProjectCheckResult result = CheckProjectFolder(folder_, temp_.path());
  ASSERT_EQ(result.problems.size(), 1u) << ::testing::PrintToString(result.problems);
  EXPECT_THAT(result.problems[0], HasSubstr(GetParam().problem));
  EXPECT_EQ(ReadFile(folder_ + "/Project.mdb"), before);
  // Nothing is taken over or removed: a stale lock file stays for the next open.
  if (std::string(GetParam().name) == "StaleLockFile") {
    EXPECT_TRUE(fs::exists(folder_ + "/~PMP10.PLF"));
  }
}

void Corrupt(const std::string& file) {
  std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(2 * 4096);  // the second page onwards: the header still says SQLite
  const std::string junk(4096, '\x5A');
  f.write(junk.data(), junk.size());
}

const Fault kFaults[] = {
    {"StaleLockFile", [](const std::string& d, const std::string&) { std::ofstream(d + "/~PMP10.PLF") << "gone"; },
     "stale lock file ~PMP10.PLF"},
    {"DamagedProjectDatabase", [](const std::string& d, const std::string&) { Corrupt(d + "/Project.mdb"); },
     "Project.mdb"},
    {"OldStructureVersion",
     [](const std::string& d, const std::string&) { Execute(d + "/Project.mdb", {"UPDATE Version SET sVersion = '1.2.0'"}); },
     "carries structure version 1.2.0 (expected 1.3.0)"},
    {"MissingProjectDatabase", [](const std::string& d, const std::string&) { fs::remove(d + "/Project.mdb"); },
     "no project database Project.mdb"},
    {"ProjectFileWithoutName",
     [](const std::string& d, const std::string&) { WritePPS("Project", "Project Name", std::nullopt, d + "/PROJECT.QVP"); },
     "the project file names no project"},
    {"MissingRequiredFile", [](const std::string& d, const std::string&) { fs::remove(d + "/PMP10Tag.mdb"); },
     "required file PMP10Tag.mdb of PMP10 is missing"},
    {"NotListed", [](const std::string&, const std::string& list) { Execute(list, {"DELETE * FROM Job WHERE sJobName = 'Alpha'"}); },
     "no projects list holds a row for this folder"},
    {"ListedUnderAnotherName",
     [](const std::string&, const std::string& list) { Execute(list, {"UPDATE Job SET sJobName = 'Beta' WHERE sJobName = 'Alpha'"}); },
     "names the project at this folder [Beta]"},
};

INSTANTIATE_TEST_SUITE_P(Faults, ProjectCheckTest, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pds::test
