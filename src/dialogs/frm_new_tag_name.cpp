// The tag-name rules of the name entry dialog's OK button. The owner (the
// service object) supplies the tags of the current tag type and the tag-name
// validation; the dialog adds the two questions that decide whether a name
// already taken may be used.
#include "ui/messages.h"
#include "dialogs/frm_new.h"
#include "pds/UiHost.h"
#include "tags/tag_store.h"

namespace pds {

frmNew::NameVerdict frmNew::CheckTagName(const std::string& name) {
  // Without an owner there are no tags to compare with and no rules to apply:
  // nothing is accepted unchecked, and Cancel remains the way out.
  if (!owner_) return NameVerdict::kRefuse;
  const bool exists = owner_->DoesTagExist(&owner_->UnitTags(), name);
  if (allow_overwrite_) {
    if (!exists) return NameVerdict::kAccept;
    switch (Ui().MsgBox("OK to Overwrite " + name + "?", vbExclamation | vbYesNoCancel, "Duplicate Tag Name Found")) {
      case vbYes: return NameVerdict::kAccept;
      case vbNo: return NameVerdict::kRefuse;
      default: return NameVerdict::kCancel;
    }
  }
  // The validation shows its own message.
  if (owner_->ValidateTagName(name) != -1) return NameVerdict::kRefuse;
  if (exists) {
    Ui().MsgBox("A Tag with this name already exists:  " + InBrackets(name) + "\r\n" + "Please enter a different name.",
                vbInformation, "Invalid Tag Name");
    return NameVerdict::kRefuse;
  }
  return NameVerdict::kAccept;
}

}  // namespace pds
