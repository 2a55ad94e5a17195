// The service object's life: construction, the writable-property rules,
// PDSInitialize, ExitProgram and destruction.
#include <utility>

#include "pds/db/db_helpers.h"
#include "pds/db/database.h"
#include "pds/db/field.h"
#include "pds/db/table_def.h"
#include "ui/dialog_messages.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "config/process_state.h"
#include "config/startup_fields.h"
#include "pds/UiHost.h"
#include "pds/clsDLLInfo.h"
#include "pds/clsDataDef.h"
#include "pds/clsMRUJobs.h"
#include "service/server.h"
#include "pds/clsStartupManager.h"
#include "pds/clsUnitTags.h"
#include "platform/env.h"
#include "files/file_routines.h"
#include "pds/StdDescriptors.h"

namespace pds {

Server::Server() {
  // A search left open by an earlier object must not leak into this one's
  // first folder test.
  ResetDir1();
}

Server::~Server() {
  try {
    startup_.reset();
    project_.reset();
    selected_tags_.reset();
    unit_tags_.reset();
    data_def_.reset();
    tag_index_rs_.reset();
    if (db_tag_) CloseDatabase(db_tag_);
    db_tag_.reset();
    if (app_db_) CloseDatabase(app_db_);
    app_db_.reset();
    Shared().current_server = nullptr;
    ResetDir1();
  } catch (...) {
    // Destruction never reports.
  }
}

eProjectReturnCode Server::PDSInitialize(const std::string& sAppPath, const std::string& sAppPdsg,
                                                       const std::string& sCommandLine) {
  if (initialized_) {
    Ui().SetWaitCursor(false);
    return RETURN_ERROR;
  }
  // Set before anything else: a failed initialization cannot be retried on
  // the same object.
  initialized_ = true;

  std::string message;
  DbHandle projects_db;
  // An application started with a standard descriptor closed would hand its
  // number to a database or lock file, and whatever it prints or reads there
  // would go into that file.
  if (!platform::EnsureStandardDescriptors()) {
    ShowError("A standard input, output or error descriptor is closed and cannot be opened on /dev/null.",
              vbCritical, "PDSInitialize()");
    return RETURN_ERROR;
  }
  try {
    Ui().SetWaitCursor(true);
    SetHelpFile(AddBackslash(platform::CurrentEnv()->ModuleFolder()) + "KOVRA.HLP");
    startup_ = std::make_unique<clsStartupManager>();

    eProjectReturnCode rc = startup_->RunStartupSequence(sAppPdsg, sAppPath, sCommandLine);
    if (rc != RETURN_OK) {
      Ui().SetWaitCursor(false);
      return rc;
    }
    CopyFromStartup(startup_->fields());

    // The projects database gives the recently-used list and the job-name
    // limit; when it cannot be opened both keep what they had.
    if (OpenDb(projects_db, project_db_, true, true)) {
      MRULoadListAtStartup(projects_db);
      auto job = projects_db->TableDefs().Item("Job");
      SetJobNameLengthLimit(static_cast<int>(job->Fields().Item("sJobName")->Size()));
    }
    CloseDatabase(projects_db);

    std::string folder;
    GetConfigValue("DefaultProjectFolder", folder, "", kSharedPdsg);
    folder = Trim(folder);
    bool found = !folder.empty() && !Dir1(RemoveBackslash(folder), kDirIncludeFolders).empty();
    ResetDir1();
    Shared().default_projects_folder = found ? folder : AddBackslash(tvxii_path_) + "Projects";

    const std::string& projects_folder = Shared().default_projects_folder;
    if (!projects_folder.empty() && !FileExists(projects_folder)) {
      platform::CurrentEnv()->CreateFolder(RemoveBackslash(projects_folder));  // a failure is ignored
    }

    bool failed = false;
    std::int32_t count = 0;
    ProjectCount(count);
    if (count < 1 && ProjectNew() == RETURN_ERROR) {
      std::string question = "Project Data Server initialization complete." + LineBreaks(0) +
                             "However, there was an error while " + "attempting to create a new project." +
                             LineBreaks(2) + "Would you like to continue anyway?";
      if (Ui().MsgBox(question, vbYesNo | vbExclamation, "Project Initialization") == vbNo) failed = true;
    }

    if (!failed && (app_data_style_ & TAG_SUPPORT) != 0) {
      app_db_.reset();
      if (!OpenDb(app_db_, AppDbName(), true, false)) {
        message = "Couldn't open Application database: " + InBrackets(AppDbName());
        failed = true;
      }
    }

    if (!failed) {
      Shared().current_server = this;
      startup_.reset();
      Ui().SetWaitCursor(false);
      return RETURN_OK;
    }
  } catch (...) {
    CatchToPending();
  }

  CloseDatabase(projects_db);
  CloseDatabase(app_db_);
  startup_.reset();
  ShowError(message, vbCritical, "PDSInitialize()");
  Ui().SetWaitCursor(false);
  return RETURN_ERROR;
}

eProjectReturnCode Server::ExitProgram() {
  try {
    eProjectReturnCode rc = PromptToSaveAndContinue();
    if (rc != RETURN_OK) return rc;
    MRUSaveListAtExit();
    CloseProjectAtExit();
  } catch (...) {
    // ExitProgram never reports.
  }
  Shared().current_server = nullptr;
  return RETURN_OK;
}

}  // namespace pds
