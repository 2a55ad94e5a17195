#include "pds/clsInstalledApps.h"

#include <string>

#include "ui/messages.h"
#include "pds/PendingError.h"
#include "config/process_state.h"
#include "pds/UiHost.h"
#include "ui/boundary_guard.h"

namespace pds {

namespace {
// Column order of a row of the installed-applications table.
constexpr std::size_t kStyleColumn = 0;
constexpr std::size_t kNameColumn = 1;
constexpr std::size_t kPdsgColumn = 2;
constexpr std::size_t kVersionColumn = 3;
constexpr std::size_t kColumnCount = 4;
}  // namespace

void clsInstalledApps::DefaultProjectType(const std::string& value) {
  if (!TryStatement([&] {
    default_project_type_ = Trim(value);
  })) {
    ShowError("", vbExclamation, "clsInstalledApps.DefaultProjectType");
  }
}

eProjectReturnCode clsInstalledApps::GetInstalledApps(TextTable& sInstalledApps, const std::string& /*sPdsg*/) {
  return Guarded("GetInstalledApps()", vbCritical, RETURN_ERROR, [&]() -> eProjectReturnCode {
    const auto& apps = Shared().installed_apps;
    // Grown one row per application, so the table always has exactly the
    // rows filled so far plus the empty row 0.
    for (std::size_t i = 1; i <= apps.size(); ++i) {
      const InstalledApp& app = apps[i - 1];
      sInstalledApps.Resize(i + 1, kColumnCount);
      sInstalledApps.Set(i, kStyleColumn, Trim(std::to_string(app.DataStyle)));
      sInstalledApps.Set(i, kNameColumn, app.Name);
      sInstalledApps.Set(i, kPdsgColumn, app.Pdsg);
      sInstalledApps.Set(i, kVersionColumn, app.Version);
    }
    return RETURN_OK;
  });
}

eProjectReturnCode clsInstalledApps::SetSelectedApp(const std::string& sPdsg) {
  return Guarded("SetSelectedApp()", vbCritical, RETURN_ERROR, [&]() -> eProjectReturnCode {
    for (const InstalledApp& app : Shared().installed_apps) {
      if (app.Pdsg == sPdsg) {
        default_project_type_ = app.Pdsg;
        selected_ = true;
        break;
      }
    }
    return selected_ ? RETURN_OK : RETURN_ERROR;
  });
}

}  // namespace pds
