// STUB: the tag operations.
#include "pds/clsProjectDataServer.h"

namespace pds {

bool clsProjectDataServer::CreateTagRecordset(const std::string&, const std::string&, RsHandle&) { return false; }
eProjectReturnCode clsProjectDataServer::CreateNewTagRecord(const std::string&, const std::string&, RsHandle&, bool) {
  return RETURN_ERROR;
}
eProjectReturnCode clsProjectDataServer::NewTag(std::string&, std::string&, RsHandle&, bool) { return RETURN_ERROR; }
eProjectReturnCode clsProjectDataServer::OpenTag(std::string&, std::string&, RsHandle&, bool) { return RETURN_ERROR; }
eProjectReturnCode clsProjectDataServer::DeleteTagRecord(const std::string&, const std::string&, bool) {
  return RETURN_ERROR;
}
eProjectReturnCode clsProjectDataServer::DeleteTag(std::string&, std::string&, bool) { return RETURN_ERROR; }
eProjectReturnCode clsProjectDataServer::CopyTag(std::string&, std::string&, std::string&, RsHandle&, bool) {
  return RETURN_ERROR;
}
eProjectReturnCode clsProjectDataServer::RenameTag(std::string&, std::string&, std::string&, RsHandle&, bool) {
  return RETURN_ERROR;
}
eProjectReturnCode clsProjectDataServer::SaveTagAs(std::string&, const std::string&, std::string&, RsHandle&, bool) {
  return RETURN_ERROR;
}
eProjectReturnCode clsProjectDataServer::SaveTag(RsHandle&, std::string&) { return RETURN_ERROR; }
eProjectReturnCode clsProjectDataServer::SaveAllTags(RsHandle&) { return RETURN_ERROR; }

}  // namespace pds
