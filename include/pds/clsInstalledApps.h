// The applications registered with this installation, as the configuration
// database listed them when the component started (the process-wide
// installed-applications list), and an application chosen from them. An
// application creates one of these itself; it reads nothing from disk.
//
// Members never throw; an internal failure is reported to the user and
// answered with RETURN_ERROR. Not thread-safe.
#pragma once

#include <string>

#include "pds/TextTable.h"
#include "pds/Types.h"

namespace pds {

class clsInstalledApps {
 public:
  // True once SetSelectedApp has found an application; it stays true.
  bool Selected() const { return selected_; }

  // Blanks-only text stores as empty text.
  void DefaultProjectType(const std::string& value);

  // Fills sInstalledApps with one row per installed application, rows 1..n in
  // the installed order, columns 0..3: data style (decimal), name,
  // designation, version text. Row 0 is left as it was (empty for a fresh
  // table). Resizing keeps what the table held inside the new bounds; with no
  // applications installed the table is not touched. sPdsg is accepted for
  // compatibility and not used.
  eProjectReturnCode GetInstalledApps(TextTable& sInstalledApps, const std::string& sPdsg = "");

  // Selects the first installed application whose designation equals sPdsg
  // exactly (case matters) and makes it the default project type. RETURN_OK
  // when an application is selected now or was selected by an earlier call.
  eProjectReturnCode SetSelectedApp(const std::string& sPdsg);

 private:
  std::string default_project_type_;
  bool selected_ = false;
};

}  // namespace pds
