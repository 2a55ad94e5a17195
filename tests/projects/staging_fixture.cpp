#include "tests/projects/staging_fixture.h"

#include <filesystem>

#include "core/db/dao_constants.h"
#include "core/db/db_helpers.h"
#include "core/db/database.h"
#include "core/db/engine.h"
#include "core/db/field.h"
#include "core/db/recordset.h"
#include "core/messages/messages.h"
#include "core/messages/pending_error.h"
#include "pds/clsProject.h"
#include "projects/file_routines.h"

namespace pds::test {

namespace fs = std::filesystem;

StagingTest::StagingTest() : saved_app_specs_(Shared().app_data_specs) {
  ClearError();
  Shared().current_server = nullptr;
  fs::create_directories(temp_ / "systemp");
  env_.temp_folder = temp_ / "systemp/";
}

StagingTest::~StagingTest() {
  server_.reset();
  Shared().current_server = nullptr;
  Shared().app_data_specs = saved_app_specs_;
  SetJobNameLengthLimit(50);
  ClearError();
}

void StagingTest::Start(const std::string& pdsg) {
  install::InstallOptions options;
  options.root = temp_.path();
  std::string error;
  ASSERT_TRUE(install::BuildInstallation(options, &error, &inst_)) << error;
  // The user already has a project, as most users do, so that starting does
  // not create a first one.
  fs::copy_file(inst_.enviro + "/Prjxy.ro", ProjectsDb());
  fs::permissions(ProjectsDb(), fs::perms::owner_write, fs::perm_options::add);
  AddJob("Seed", temp_ / "projects/Seed");
  server_ = std::make_unique<clsProjectDataServer>();
  ASSERT_EQ(server_->PDSInitialize(inst_.CodePath(UCase(pdsg)), pdsg, ""), RETURN_OK);
}

void StagingTest::Execute(const std::string& db_path, const std::vector<std::string>& statements) {
  auto db = db::DBEngine().OpenDatabase(db_path, false, false);
  for (const std::string& sql : statements) db->Execute(sql, db::dbFailOnError);
  db->Close();
}

std::vector<std::vector<std::string>> StagingTest::Rows(const std::string& db_path, const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  auto db = db::DBEngine().OpenDatabase(db_path, false, true);
  auto rs = db->OpenRecordset(sql, db::dbOpenSnapshot);
  for (; !rs->Eof(); rs->MoveNext()) {
    std::vector<std::string> row;
    for (int i = 0; i < rs->Fields().Count(); ++i) {
      Variant v = rs->Fields(i).Value();
      row.push_back(v.IsNull() ? std::string("<null>") : v.AsString());
    }
    rows.push_back(row);
  }
  rs->Close();
  db->Close();
  return rows;
}

std::int32_t StagingTest::AddJob(const std::string& name, const std::string& path) {
  Execute(ProjectsDb(), {"INSERT INTO Job (sJobName, sJobPath, sDOSJobPath) VALUES ('" + FixSqlQuotes(name) + "', '" +
                         path + "', '" + path + "')"});
  auto rows = Rows(ProjectsDb(), "SELECT lJobID FROM Job WHERE sJobName = '" + FixSqlQuotes(name) + "'");
  EXPECT_EQ(rows.size(), 1u);
  return rows.size() == 1 ? static_cast<std::int32_t>(std::stol(rows[0][0])) : 0;
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

bool StagingTest::IsWritable(const std::string& path) {
  return (fs::status(path).permissions() & fs::perms::owner_write) != fs::perms::none;
}

}  // namespace pds::test
