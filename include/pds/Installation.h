// The installation builder: lays out a complete installation folder
//
//   ROOT/TVX-ii/                     the installation folder
//     TVXxycfg.mdb                   configuration database
//     LOGO-V.WMF LOGO-D.BMP LOGO-HN.BMP LOGO-T.BMP   brand logos
//     Enviro/Project.ro Enviro/Prjxy.ro              templates
//     Temp/ Projects/ Archives/
//     <PDSG>/Code/...                one program folder per sample application
//
// so that an application started from ROOT/TVX-ii/<PDSG>/Code finds
// everything its startup checks for. It is product code (`pds install`) and
// the way every test gets a fresh installation.
//
// The whole installation is built in a staging folder beside its final place
// and renamed into place only when complete: a failed build leaves nothing
// behind, and a folder that already holds a TVX-ii folder (in any case) is
// refused before anything is written, so an existing installation is never
// touched. No function here throws.
#pragma once

#include <string>
#include <vector>

namespace pds::install {

struct InstallOptions {
  // The folder that receives "TVX-ii"; created (with its parents) when missing.
  std::string root;
  // Brand word: VELTRAX, DORNEL, HALVORN, TORSK or EXPORT, in any case.
  std::string brand = "VELTRAX";
  // Written to Config.bUserIdRequired.
  bool user_ids_required = false;
  // Designations of the sample applications to install, in any case; each at
  // most once. Default: all of them.
  std::vector<std::string> apps = {"PMP10", "LAY10", "CAL10"};
};

// Where the parts of a built installation are.
struct Installation {
  std::string tvxii;   // ROOT/TVX-ii
  std::string enviro;  // ROOT/TVX-ii/Enviro
  std::string temp;    // ROOT/TVX-ii/Temp
  std::string config_db;
  std::vector<std::string> apps;  // designations installed, upper case

  // ROOT/TVX-ii/<PDSG>/Code, the folder an application passes as its path.
  std::string CodePath(const std::string& pdsg) const;
};

// Checks the options without touching the disk: a non-empty root, a known
// brand, at least one known application and none twice. False with the
// reason in *error otherwise.
bool ValidateOptions(const InstallOptions& options, std::string* error);

// Builds the installation. On success fills *out (when given) and returns
// true; on failure returns false with a one-line reason in *error and leaves
// no TVX-ii folder behind that was not there before.
bool BuildInstallation(const InstallOptions& options, std::string* error, Installation* out = nullptr);

}  // namespace pds::install
