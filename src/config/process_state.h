// The values one loaded component shares between every service object of the
// process: the current service object, the default projects folder, the
// application's display name, the export flag, and the lists the
// configuration database fills at startup. The job-name length limit lives
// with the name rules that use it (projects/file_routines.h).
//
// Lists the component describes as "indexed from 1" are held 0-based here:
// entry i of the description is element i - 1.
//
// Single-threaded: the component runs on the application's user-interface
// thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pds {

class AppState;

// One data file an application keeps in a project.
struct DataFileSpec {
  std::string FileName;  // may end in a wildcard pattern
  bool RequiredFlag = false;
  bool VerifyFlag = false;
  bool ArchiveFlag = false;
  bool EraseFlag = false;
  std::int16_t CreateMethod = 0;  // 1 = copy SourceFileName from the application's folder
  std::string SourceFileName;
};

// One application registered in the configuration database.
struct InstalledApp {
  std::string Pdsg;
  std::string Name;
  std::string Version;  // "##0.0"
  std::int16_t DataStyle = 0;
};

struct ProcessState {
  const AppState* current_server = nullptr;
  std::string default_projects_folder;
  std::string app_name;
  bool export_flag = false;
  std::vector<InstalledApp> installed_apps;
  std::vector<DataFileSpec> shared_data_specs;  // designation "XXXYY"
  std::vector<DataFileSpec> app_data_specs;     // the calling application's
  std::vector<std::string> contact_types;       // blank names skipped; trailing slots may be empty
  bool search_cancelled = false;                // the project search's cancel flag
};

ProcessState& Shared();

}  // namespace pds
