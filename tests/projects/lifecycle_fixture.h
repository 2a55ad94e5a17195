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
 public:
  // The default projects folder, where the save-as dialog makes new folders.
  static std::string Projects() { return RemoveBackslash(Shared().default_projects_folder); }
  // A folder of that name made in the default projects folder.
  static std::string MadeFolder(const std::string& name) {
    std::filesystem::create_directories(Projects() + "/" + name);
    return Projects() + "/" + name;
  }

 protected:
  // Ends the running application without ExitProgram (the caller's business) and starts pdsg in its place.
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

  // A new project saved, without the dialog, as name in a folder of that name; it is then the current one.
  std::string SaveNewProject(const std::string& name) {
    EXPECT_EQ(server().ProjectNew(), RETURN_OK);
    const std::string folder = MadeFolder(name);
    EXPECT_EQ(SaveAs(folder, name), RETURN_OK);
    return folder;
  }
  // Save as into folder under name, without the dialog.
  eProjectReturnCode SaveAs(std::string folder, std::string name) { return server().ProjectSaveAs(folder, name); }


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
