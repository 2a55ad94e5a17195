// STUB: publishing the application's tags into TagIndex at save.
#include "pds/clsProjectDataServer.h"

namespace pds {

bool clsProjectDataServer::IndexTags(const ProjectRef&) { return true; }

}  // namespace pds
