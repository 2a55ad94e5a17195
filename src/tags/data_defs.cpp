// STUB: data definitions.
#include "pds/clsDataDef.h"
#include "pds/clsProjectDataServer.h"

namespace pds {

clsDataDef::~clsDataDef() = default;
bool clsDataDef::LoadRs(const std::string&, std::shared_ptr<db::Database>&) { return false; }
clsDataDef& clsProjectDataServer::DataDef(const std::string& sField, const std::string& sTable) {
  return DataDefLoad(sField, sTable);
}
clsDataDef& clsProjectDataServer::DataDefLoad(const std::string&, const std::string&) { return *data_def_; }

}  // namespace pds
