// STUB: removing an application's published tags from the project database.
#include "pds/clsProjectDataServer.h"

namespace pds {

bool clsProjectDataServer::ClearExportTagData(const std::string&, const ProjectRef&) { return false; }

}  // namespace pds
