// STUB: the project database structure check and upgrade.
#include "pds/clsProjectDataServer.h"

namespace pds {

bool clsProjectDataServer::VerifyDataStructure(const std::string&) { return true; }
bool clsProjectDataServer::UpdateConfigTable(DbHandle&) { return false; }
bool clsProjectDataServer::UpdateTagDataTable(DbHandle&) { return false; }
bool clsProjectDataServer::UpdateTagIndexTable(DbHandle&) { return false; }
bool clsProjectDataServer::UpdateProjectDbRelationships(DbHandle&) { return false; }

}  // namespace pds
