#include "projects/project_store.h"

#include "pds/clsMRUJobs.h"
#include "pds/clsProject.h"
#include "pds/PendingError.h"
#include "files/file_routines.h"
#include "pds/UiHost.h"
#include "ui/messages.h"

namespace pds {

ProjectStore::ProjectStore() : mru_jobs_(std::make_shared<clsMRUJobs>()) {}
ProjectStore::~ProjectStore() = default;

bool ProjectStore::GetProjDbName(std::string& sName) {
  ClearError();
  try {
    if (ValidProject(project_)) {
      sName = project_->ProjectDbPath();
      if (!Trim(sName).empty() && FileExists(sName)) return true;
      sName.clear();
      return false;
    }
    sName.clear();
    ShowError("Invalid project object.", vbCritical, "GetProjDbName()");
  } catch (...) {
    CatchToPending();
    sName.clear();
    ShowError("", vbCritical, "GetProjDbName()");
  }
  return false;
}

}  // namespace pds
