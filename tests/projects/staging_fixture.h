// Shared setup of the working-copy, registration, project-value and
// recently-used-list tests: the installed-test base with a system temporary
// folder redirected into the test's folder and a service object started as
// one of the sample applications.
#pragma once

#include <fstream>

#include "tests/support/fault_env.h"
#include "tests/support/installed_test.h"

namespace pds::test {

// The real system with the test's own system temporary folder; folder creation can be made to fail.
class StagingEnv : public FaultEnv {
 public:
  std::string TempFolder() override { return temp_folder; }
  std::string temp_folder;  // with a trailing "/"
};

class StagingTest : public InstalledTest {
 protected:
  StagingTest();
  ~StagingTest() override;

  // Installs every sample application, gives the user one project (so no first one is made), starts pdsg.
  void Start(const std::string& pdsg);
  clsProjectDataServer& server() { return *server_; }

  // The user's projects database.
  std::string ProjectsDb() const { return ProjectsDbPath(); }

  // A project folder in the test's folder with a writable Project.mdb from the installation's template.
  std::string MakeProjectFolder(const std::string& name);
  // A record for the project folder made by MakeProjectFolder.
  ProjectRef MakeRecord(const std::string& name, const std::string& folder, std::int32_t job_id = 0);

  // This user's folder of untitled working folders, one folder per process, in the test's temporary folder.
  std::string UserTempFolder() const;
  // Whether work is the working folder name in a process's own folder there.
  bool IsUntitledWorkFolder(const std::string& work, const std::string& name) const;

  static bool IsWritable(const std::string& path);
  static void WriteFile(const std::string& path, const std::string& text = "") { WriteBytes(path, text); }
  static std::string ReadFile(const std::string& path) { return ReadBytes(path); }

  StagingEnv env_;
  platform::ScopedEnv scoped_env_{&env_};
  std::unique_ptr<clsProjectDataServer> server_;
};

}  // namespace pds::test
