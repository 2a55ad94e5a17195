// The tag steps inside the project operations. Until the tag database and
// the tag collections exist, every step succeeds without doing anything, so
// the operations are complete for applications without tag support.
#include "pds/clsProjectDataServer.h"

namespace pds {

bool clsProjectDataServer::TagStepNewProject() { return true; }
bool clsProjectDataServer::TagStepAfterOpen() { return true; }
bool clsProjectDataServer::TagStepVerifyStructure(const ProjectRef&) { return true; }
void clsProjectDataServer::TagStepClose() {}
bool clsProjectDataServer::TagStepResetTagType() { return true; }
void clsProjectDataServer::TagStepAfterSave(const ProjectRef&) {}

}  // namespace pds
