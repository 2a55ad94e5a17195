#include "tests/projects/staging_fixture.h"

#include <unistd.h>

#include "pds/clsProject.h"

namespace pds::test {

StagingTest::StagingTest() {
  fs::create_directories(temp_ / "systemp");
  env_.temp_folder = temp_ / "systemp/";
}

// The service object goes first, while the environment it was started with is still in place.
StagingTest::~StagingTest() { server_.reset(); }

void StagingTest::Start(const std::string& pdsg) {
  Install();
  // The user already has a project, as most do, so that starting creates no first one.
  CreateProjectsDb();
  AddJob("Seed", temp_ / "projects/Seed");
  server_ = std::make_unique<clsProjectDataServer>();
  ASSERT_EQ(server_->PDSInitialize(inst_.CodePath(UCase(pdsg)), pdsg, ""), RETURN_OK);
}

std::string StagingTest::MakeProjectFolder(const std::string& name) {
  const std::string folder = temp_ / ("projects/" + name);
  fs::create_directories(folder);
  fs::copy_file(inst_.enviro + "/Project.ro", folder + "/Project.mdb");
  fs::permissions(folder + "/Project.mdb", fs::perms::owner_write, fs::perm_options::add);
  return folder;
}

ProjectRef StagingTest::MakeRecord(const std::string& name, const std::string& folder, std::int32_t job_id) {
  auto project = std::make_shared<clsProject>();
  project->SetJobName(name);
  project->SetJobPath(folder);
  project->SetDosJobPath(folder);
  project->SetJobID(job_id);
  return project;
}

std::string StagingTest::UserTempFolder() const { return env_.temp_folder + "pds-" + std::to_string(geteuid()); }

bool StagingTest::IsUntitledWorkFolder(const std::string& work, const std::string& name) const {
  const fs::path path(work);
  return path.filename() == name && path.parent_path().parent_path() == UserTempFolder() &&
         fs::is_directory(path);
}

bool StagingTest::IsWritable(const std::string& path) {
  return (fs::status(path).permissions() & fs::perms::owner_write) != fs::perms::none;
}

}  // namespace pds::test
