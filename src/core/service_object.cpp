// The service object's life: construction, the writable-property rules,
// PDSInitialize, ExitProgram and destruction.
#include <utility>

#include "core/db/db_helpers.h"
#include "core/db/database.h"
#include "core/db/field.h"
#include "core/db/table_def.h"
#include "core/messages/dialog_messages.h"
#include "core/messages/messages.h"
#include "core/messages/pending_error.h"
#include "core/process_state.h"
#include "core/startup_fields.h"
#include "pds/UiHost.h"
#include "pds/clsDLLInfo.h"
#include "pds/clsDataDef.h"
#include "pds/clsMRUJobs.h"
#include "pds/clsProjectDataServer.h"
#include "pds/clsStartupManager.h"
#include "pds/clsUnitTags.h"
#include "platform/env.h"
#include "platform/std_descriptors.h"
#include "projects/file_routines.h"

namespace pds {

clsProjectDataServer::clsProjectDataServer()
    : mru_jobs_(std::make_shared<clsMRUJobs>()),
      selected_tags_(std::make_unique<clsSelectedTags>()),
      unit_tags_(std::make_unique<clsUnitTags>()),
      data_def_(std::make_unique<clsDataDef>()),
      dll_info_(std::make_unique<clsDLLInfo>()) {
  // A search left open by an earlier object must not leak into this one's
  // first folder test.
  ResetDir1();
}

clsProjectDataServer::~clsProjectDataServer() {
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

// ---- derived and writable properties

std::string clsProjectDataServer::Pdsg() const { return UCase(pdsg_); }

bool clsProjectDataServer::gbExport() const { return Shared().export_flag; }

std::string clsProjectDataServer::ProjectWorkFolderName() const { return "~" + Pdsg(); }

std::string clsProjectDataServer::AppDbName() const { return app_exe_path_ + "/" + Pdsg() + "App.mdb"; }

std::string clsProjectDataServer::ProjectTemplatePath() const { return enviro_path_ + "/Project.ro"; }

void clsProjectDataServer::SetTagIndexRs(const RsHandle& rs) { tag_index_rs_ = rs; }

void clsProjectDataServer::SetTagIndexName(const std::string& value) {
  if (!value.empty()) tag_index_name_ = value;
}

void clsProjectDataServer::SetDataDefTbl(const std::string& value) {
  std::string trimmed = Trim(value);
  if (!trimmed.empty()) data_def_tbl_ = trimmed;
}

void clsProjectDataServer::SetDefTagType(std::string& value) {
  value = Trim(value);
  if (!value.empty()) def_tag_type_ = value;
}

void clsProjectDataServer::SetTagNameLengthLimit(std::int16_t value) {
  if (value >= 1 && value <= 255) tag_name_length_limit_ = value;
}

// ---- initialization

void clsProjectDataServer::CopyFromStartupManager() {
  const StartupFields& f = startup_->fields();
  os_platform_ = f.os_platform;
  os_major_ = f.os_major;
  os_minor_ = f.os_minor;
  tvxii_path_ = f.tvxii_path;
  enviro_path_ = f.enviro_path;
  temp_path_ = f.temp_path;
  net_user_id_ = f.network_user_id;
  tvx_user_id_ = f.tvx_user_id;
  user_id_required_ = f.user_id_required;
  brand_ = f.brand;
  pdsg_ = f.pdsg;
  app_exe_path_ = f.app_exe_path;
  app_name_ = f.app_name;
  app_data_style_ = f.app_data_style;
  app_version_ = f.app_version;
  company_name_ = f.company_name;
  company_logo_ = f.CompanyLogoPath();
  config_db_ = f.ConfigDbPath();
  project_db_ = f.ProjectDbPath();
  tag_db_name_ = Pdsg() + "Tag" + ".mdb";
  Shared().app_name = app_name_;
}

eProjectReturnCode clsProjectDataServer::PDSInitialize(const std::string& sAppPath, const std::string& sAppPdsg,
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
    CopyFromStartupManager();

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

eProjectReturnCode clsProjectDataServer::ExitProgram() {
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
