// STUB: the tag database and the loading of the tag collections.
#include "pds/clsProjectDataServer.h"
#include "pds/clsUnitTags.h"

namespace pds {

bool clsProjectDataServer::GetTempDbName(std::string&) { return false; }
bool clsProjectDataServer::GetMainDbName(std::string&) { return false; }
bool clsProjectDataServer::GetProjDbName(std::string&) { return false; }
bool clsProjectDataServer::InitTagData() { return false; }
bool clsProjectDataServer::OpenTagData(std::string&) { return false; }
bool clsProjectDataServer::OpenTagData() { return false; }
bool clsProjectDataServer::ResetTagType(std::string&) { return false; }
bool clsProjectDataServer::ResetTagType() { return false; }
bool clsProjectDataServer::LoadUnitTagsCollection(const std::string&, clsUnitTags&) { return false; }

}  // namespace pds
