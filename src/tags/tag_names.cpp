// STUB: tag names.
#include "pds/clsProjectDataServer.h"
#include "pds/clsUnitTags.h"

namespace pds {

std::int32_t clsProjectDataServer::AnyTagsToSelect(bool, bool) { return 0; }
std::int32_t clsProjectDataServer::ValidateTagName(const std::string&) { return 0; }
std::string clsProjectDataServer::GetAutoNewTagName(const std::string&, const std::string&, bool) { return {}; }
bool clsProjectDataServer::DoesTagExist(const clsUnitTags*, const std::string&) { return false; }
bool clsProjectDataServer::ValidTag(const std::shared_ptr<clsUnitTag>& tag) { return tag != nullptr; }
bool clsProjectDataServer::RenameDuplicateTags(clsUnitTags*) { return false; }
eProjectReturnCode clsProjectDataServer::PromptForNewTagName(std::string&, const std::string&, bool) {
  return RETURN_ERROR;
}
bool clsProjectDataServer::CheckRenameDuplicateTags(const std::string&) { return true; }

}  // namespace pds
