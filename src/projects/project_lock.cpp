// Whether there is a project, and locking a project for every installed
// application (the lock of one application is the record's LockProjectApp).
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "config/process_state.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "projects/project_store.h"
#include "ui/boundary_guard.h"

namespace pds {

bool ProjectStore::ValidProject(const ProjectRef& ProjectToValidate) const {
  // A record can always name itself; only a missing record is invalid.
  return ProjectToValidate != nullptr;
}

bool ProjectStore::LockProject(const ProjectRef& Project) {
  return Guarded("LockProject()", vbExclamation, false, [&]() -> bool {
    const ProjectRef& project = ValidProject(Project) ? Project : project_;
    if (!ValidProject(project)) return true;
    // In the installed order; locks taken before a failure stay with the record.
    for (const InstalledApp& app : Shared().installed_apps) {
      if (!project->LockProjectApp(app.Pdsg)) {
        ShowError("", vbExclamation, "LockProject()");
        return false;
      }
    }
    return true;
  });
}

}  // namespace pds
