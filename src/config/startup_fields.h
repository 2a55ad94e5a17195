// What the startup sequence works out about one application start, held by the
// startup manager and filled step by step: the designation and command-line
// overrides, the operating-system version, the installation's folders, the
// brand, what the configuration database says about the application, and the
// user's identity. The service object copies it when the sequence succeeds.
#pragma once

#include <cstdint>
#include <string>

namespace pds {

struct StartupFields {
  std::int16_t os_platform = 0;
  std::int32_t os_major = 0;
  std::int32_t os_minor = 0;
  std::string app_exe_path;  // the application's program folder ("Code"), unchanged
  std::int32_t brand = 0;    // eBrandType
  std::string logo_file;     // file name of the brand's logo
  std::string projects_db_file;  // "Prjxy" & user ID & ".mdb"
  std::string company_name;
  bool user_id_required = false;
  std::string network_user_id;
  std::string tvx_user_id;
  std::string tvxii_path;    // installation folder, no trailing "/"
  std::string enviro_path;   // lower case
  std::string temp_path;     // lower case
  std::string pdsg;          // as given (case kept)
  std::string app_name;
  std::string app_version;
  std::int32_t app_data_style = 0;  // eDataStyle bits
  bool brand_set = false;    // the brand step has run
  bool paths_set = false;    // SetPaths has run
  bool brand_run = false;

  // Derived paths.
  std::string ConfigDbPath() const { return tvxii_path + "/TVXxycfg.mdb"; }
  std::string ProjectDbPath() const { return enviro_path + "/" + projects_db_file; }
  std::string CompanyLogoPath() const { return tvxii_path + "/" + logo_file; }
  std::string ProjectTemplatePath() const { return enviro_path + "/Project.ro"; }
  std::string ProjectsDbTemplatePath() const { return enviro_path + "/Prjxy.ro"; }
  std::string ProjectsDbDefaultPath() const { return enviro_path + "/Prjxy.def"; }
};

}  // namespace pds
