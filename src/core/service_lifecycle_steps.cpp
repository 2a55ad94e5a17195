// The parts of initialization and shutdown that belong to the recently-used
// list and the project life cycle. Until those exist, a fresh installation
// starts without a first project (as if the user had cancelled the
// new-project dialog, which is not a failure) and shutdown has nothing to
// save or close.
#include "pds/clsProjectDataServer.h"

namespace pds {

eProjectReturnCode clsProjectDataServer::ProjectNew() {
  if (project_new_hook_) return project_new_hook_();
  return RETURN_USER_CANCEL;
}

eProjectReturnCode clsProjectDataServer::PromptToSaveAndContinue() { return RETURN_OK; }

void clsProjectDataServer::MRULoadListAtStartup(DbHandle&) {}
void clsProjectDataServer::MRUSaveListAtExit() {}
void clsProjectDataServer::CloseProjectAtExit() {}

}  // namespace pds
