// Shared setup of the working-copy, registration, project-value and
// recently-used-list tests: a fresh installation in its own temporary folder,
// the scripted host (every message must be expected, exactly), a system
// temporary folder redirected into the test's folder, a service object
// started as one of the sample applications, and direct access to databases
// for arranging and checking rows.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/install/installation_builder.h"
#include "core/process_state.h"
#include "pds/clsProjectDataServer.h"
#include "platform/env.h"
#include "tests/support/test_support.h"

namespace pds::test {

// The real system, except that the system temporary folder is the test's own
// and folder creation can be made to fail.
class StagingEnv : public platform::EnvWrapper {
 public:
  StagingEnv() : EnvWrapper(platform::PosixEnv()) {}
  std::string TempFolder() override { return temp_folder; }
  platform::Status CreateFolder(const std::string& path) override {
    if (create_folder_error != 0) return platform::Status::Error(create_folder_error);
    return target()->CreateFolder(path);
  }

  std::string temp_folder;      // with a trailing "/"
  int create_folder_error = 0;  // 0: create folders for real
};

class StagingTest : public ::testing::Test {
 protected:
  StagingTest();
  ~StagingTest() override;
  void TearDown() override { EXPECT_THAT(host_->Problems(), ::testing::IsEmpty()); }

  // Builds the installation (all sample applications), gives the user one
  // project so that no first project is created, and starts server() as
  // application pdsg (in the case given).
  void Start(const std::string& pdsg);
  clsProjectDataServer& server() { return *server_; }

  // The user's projects database.
  std::string ProjectsDb() const { return inst_.enviro + "/Prjxy000.mdb"; }
  // Runs statements on a database opened for this call only.
  void Execute(const std::string& db_path, const std::vector<std::string>& statements);
  // Every row of a query, each column as text; null reads as "<null>".
  std::vector<std::vector<std::string>> Rows(const std::string& db_path, const std::string& sql);
  // Adds a Job row and returns its key.
  std::int32_t AddJob(const std::string& name, const std::string& path);

  // A project folder under the test's folder, made with a writable
  // Project.mdb from the installation's template.
  std::string MakeProjectFolder(const std::string& name);
  // A record for the project folder made by MakeProjectFolder.
  ProjectRef MakeRecord(const std::string& name, const std::string& folder, std::int32_t job_id = 0);

  static bool IsWritable(const std::string& path);

  TempFolder temp_;
  ScopedScriptedHost host_;
  StagingEnv env_;
  platform::ScopedEnv scoped_env_{&env_};
  install::Installation inst_;
  std::unique_ptr<clsProjectDataServer> server_;
  std::vector<DataFileSpec> saved_app_specs_;
};

}  // namespace pds::test
