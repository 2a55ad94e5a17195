// The tag-name rules of the name entry dialog. They need the owner's tag
// collection, the tag-name validation and the overwrite confirmation, which
// arrive with the tags; until then tag-name mode behaves as the plain mode
// and accepts any non-empty name. The tag work item replaces this file.
#include "dialogs/frm_new.h"

namespace pds {

frmNew::NameVerdict frmNew::CheckTagName(const std::string& /*name*/) { return NameVerdict::kAccept; }

}  // namespace pds
