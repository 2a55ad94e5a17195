// Who the application is and where it runs: the identity, folders, brand and
// user that the startup sequence works out, copied once by PDSInitialize, and
// the few settings the application sets for itself. This is the bottom of the
// service object's state; the project, tag and service layers each add their
// own part on top of it (ProjectStore, TagStore, Server), so a lower layer
// never reaches into an upper one.
//
// Single-threaded: the component runs on the application's user-interface
// thread only. Nothing here throws.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pds/Types.h"

namespace pds {

class clsDLLInfo;
struct StartupFields;

class AppState {
 public:
  AppState();
  virtual ~AppState();
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;

  bool AppDirty() const { return app_dirty_; }
  void SetAppDirty(bool value) { app_dirty_ = value; }
  eOSType OSPlatform() const { return static_cast<eOSType>(os_platform_); }
  std::int32_t OSMajorVer() const { return os_major_; }
  std::int32_t OSMinorVer() const { return os_minor_; }
  std::string Pdsg() const;  // upper case
  const std::string& AppExePath() const { return app_exe_path_; }
  const std::string& AppName() const { return app_name_; }
  eDataStyle AppDataStyle() const { return static_cast<eDataStyle>(app_data_style_); }
  const std::string& AppVersion() const { return app_version_; }
  std::int16_t Brand() const { return static_cast<std::int16_t>(brand_); }
  bool gbExport() const;
  const std::string& TVXiiPath() const { return tvxii_path_; }
  const std::string& EnviroPath() const { return enviro_path_; }
  const std::string& TempPath() const { return temp_path_; }
  const std::string& CompanyLogo() const { return company_logo_; }
  const std::string& CompanyName() const { return company_name_; }
  const std::string& ConfigDb() const { return config_db_; }
  const std::string& ProjectDb() const { return project_db_; }
  bool UserIdRequired() const { return user_id_required_; }
  const std::string& NetUserID() const { return net_user_id_; }
  const std::string& TVXUserId() const { return tvx_user_id_; }
  clsDLLInfo& DLLInfo() const { return *dll_info_; }
  std::string ProjectWorkFolderName() const;  // "~" & upper-case Pdsg
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value) { read_only_ = value; }
  std::string AppDbName() const;  // AppExePath & "/" & upper-case Pdsg & "App.mdb"
  const std::string& TagDbName() const { return tag_db_name_; }
  bool SortProjectsList() const { return sort_projects_list_; }
  void SetSortProjectsList(bool value) { sort_projects_list_ = value; }
  // The environment copy of the read-only project template.
  std::string ProjectTemplatePath() const;

 protected:
  // Takes over what a successful startup sequence worked out.
  void CopyFromStartup(const StartupFields& f);

  std::unique_ptr<clsDLLInfo> dll_info_;
  std::int32_t os_platform_ = 0;
  std::int32_t os_major_ = 0;
  std::int32_t os_minor_ = 0;
  std::string pdsg_;
  std::string tvxii_path_;
  std::string enviro_path_;
  std::string temp_path_;
  std::string app_exe_path_;
  std::string app_name_;
  std::int32_t app_data_style_ = NO_DATA;
  std::string app_version_;
  bool app_dirty_ = false;
  std::int32_t brand_ = VELTRAX;
  std::string company_logo_;
  std::string config_db_;
  std::string project_db_;
  std::string tag_db_name_;
  std::string company_name_;
  bool user_id_required_ = false;
  std::string net_user_id_;
  std::string tvx_user_id_;
  bool read_only_ = false;
  bool sort_projects_list_ = true;
};

}  // namespace pds
