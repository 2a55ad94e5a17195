// Setup of the project life-cycle tests: the staging fixture's installation,
// host and redirected temporary folder, plus a restart as another
// application in the same installation, the save-as dialog answered with a
// name, and the projects-database rows the operations leave behind.
#pragma once

#include <algorithm>

#include "tests/projects/staging_fixture.h"
#include "tests/support/dialog_steps.h"

namespace pds::test {

class LifecycleTest : public StagingTest {
 protected:
  // Ends the running application without a word (ExitProgram when it has not
  // run yet is the caller's business) and starts pdsg on the same installation.
  void Restart(const std::string& pdsg) {
    server_.reset();
    Shared().current_server = nullptr;
    server_ = std::make_unique<clsProjectDataServer>();
    ASSERT_EQ(server_->PDSInitialize(inst_.CodePath(pdsg), pdsg, ""), RETURN_OK);
  }

  // Starts pdsg on a fresh installation whose user has no projects yet.
  void StartFresh(const std::string& pdsg) {
    Install();
    server_ = std::make_unique<clsProjectDataServer>();
    ASSERT_EQ(server_->PDSInitialize(inst_.CodePath(pdsg), pdsg, ""), RETURN_OK);
  }

  // A new project saved under name in its own folder of the default projects
  // folder, without the dialog; it is the current project afterwards.
  std::string SaveNewProject(const std::string& name) {
    EXPECT_EQ(server().ProjectNew(), RETURN_OK);
    std::string folder = Projects() + "/" + name;
    std::filesystem::create_directories(folder);
    std::string new_name = name;
    EXPECT_EQ(server().ProjectSaveAs(folder, new_name), RETURN_OK);
    return folder;
  }

  // The default projects folder, where the save-as dialog makes new folders.
  static std::string Projects() { return RemoveBackslash(Shared().default_projects_folder); }

  // The save-as dialog: the name typed, OK.
  void ExpectSaveAsDialog(const std::string& name) { host_->ExpectDialog("frmSaveProjectAs", TypeAndOk("txtName", name)); }

  // The key of a project in the projects database; 0 when it is not listed.
  std::int32_t JobId(const std::string& name) {
    auto rows = Rows(ProjectsDb(), "SELECT lJobID FROM Job WHERE sJobName = '" + name + "'");
    return rows.empty() ? 0 : static_cast<std::int32_t>(std::stol(rows[0][0]));
  }
  // The designations with a JobUsage row for the key, sorted.
  std::vector<std::string> Usage(std::int32_t job_id) {
    std::vector<std::string> apps;
    for (const auto& row : Rows(ProjectsDb(), "SELECT sPdsg FROM JobUsage WHERE lJobID = " + std::to_string(job_id))) {
      apps.push_back(row[0]);
    }
    std::sort(apps.begin(), apps.end());
    return apps;
  }
};

// Most life-cycle tests run Pump Designer from their start.
class PumpLifecycleTest : public LifecycleTest {
 protected:
  void SetUp() override { Start("PMP10"); }
};

}  // namespace pds::test
