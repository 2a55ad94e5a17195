#include "config/app_state.h"

#include "config/process_state.h"
#include "config/startup_fields.h"
#include "pds/clsDLLInfo.h"
#include "ui/messages.h"

namespace pds {

AppState::AppState() : dll_info_(std::make_unique<clsDLLInfo>()) {}
AppState::~AppState() = default;

std::string AppState::Pdsg() const { return UCase(pdsg_); }

bool AppState::gbExport() const { return Shared().export_flag; }

std::string AppState::ProjectWorkFolderName() const { return "~" + Pdsg(); }

std::string AppState::AppDbName() const { return app_exe_path_ + "/" + Pdsg() + "App.mdb"; }

std::string AppState::ProjectTemplatePath() const { return enviro_path_ + "/Project.ro"; }

void AppState::CopyFromStartup(const StartupFields& f) {
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

}  // namespace pds
