// The tag steps inside the project operations, called only for applications
// with tag support: the first "Untitled" tag of a new project, the tag type
// reset and duplicate-name repair after an open, the tag database closed
// before a save copies the files and when a project closes, and the tags
// published into the project database after a save.
#include <string>

#include "pds/db/db_helpers.h"
#include "pds/db/recordset.h"
#include "pds/PendingError.h"
#include "pds/clsProject.h"
#include "service/server.h"
#include "pds/clsUnitTags.h"

namespace pds {

bool Server::TagStepNewProject() {
  std::string type = def_tag_type_;
  std::string name = "Untitled";
  // A copy of the selected tags' handle: opening the new tag stores the
  // record set it opens as SelectedTags' Recordset itself.
  RsHandle rs = selected_tags_->Recordset();
  return NewTag(type, name, rs, true) == RETURN_OK;
}

bool Server::TagStepAfterOpen() {
  if (!ResetTagType()) return false;
  // The load read every row; when some rows gave no entry of their own (an
  // empty name, or a name that repeats without regard to case), the repair
  // may rename rows, and the tags are loaded again so that UnitTags shows
  // the repaired names.
  long rows = 0;
  if (const RsHandle& rs = unit_tags_->Recordset()) {
    if (!TryStatement([&] { rows = rs->RecordCount(); })) ClearError();
  }
  const bool repairable = rows != unit_tags_->Count();
  if (!CheckRenameDuplicateTags(def_tag_type_)) return false;
  return !repairable || ResetTagType();
}

void Server::TagStepClose() {
  unit_tags_->Clear();
  selected_tags_->Clear();
  CloseDatabase(db_tag_);
}

bool Server::TagStepVerifyStructure(const ProjectRef& project) {
  return VerifyDataStructure(project->ProjectDbPath());
}

bool Server::TagStepResetTagType() { return ResetTagType(); }

void Server::TagStepAfterSave(const ProjectRef& project) { IndexTags(project); }

}  // namespace pds
