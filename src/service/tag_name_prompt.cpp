// The name entry dialog in tag-name mode, which the tag operations use when
// they need a new tag name from the user.
#include <memory>
#include <string>

#include "pds/PendingError.h"
#include "dialogs/frm_new.h"
#include "pds/clsUnitTags.h"
#include "pds/UiHost.h"
#include "service/server.h"
#include "ui/dialog_messages.h"
#include "ui/messages.h"
#include "ui/boundary_guard.h"

namespace pds {

eProjectReturnCode Server::PromptForNewTagName(std::string& sName, const std::string& sTitle,
                                                            bool bAllowOverwrite) {
  ClearError();
  return Guarded("PromptForNewTagName()", vbExclamation, RETURN_ERROR, [&]() -> eProjectReturnCode {
    auto dialog = std::make_unique<frmNew>();
    dialog->SetOwner(this);
    dialog->SetMode(frmNew::kTagNameMode);
    dialog->SetInitialName(sName);
    dialog->SetLabelName("Enter Tag Name:");
    if (!sTitle.empty()) dialog->SetTitleName(sTitle);
    dialog->SetAllowOverwrite(bAllowOverwrite);
    dialog->Show();
    const bool accepted = dialog->Accepted();
    const std::string name = dialog->EnteredName();
    UnloadDialog(dialog);
    if (!accepted) {
      sName.clear();
      return RETURN_USER_CANCEL;
    }
    sName = name;
    if (name.empty()) {
      ShowError("", vbExclamation, "PromptForNewTagName()");
      return RETURN_ERROR;
    }
    if (!bAllowOverwrite && DoesTagExist(&UnitTags(), name)) {
      ShowError("A Tag with this name already exists:  " + InBrackets(name), vbExclamation, "PromptForNewTagName()");
      return RETURN_ERROR;
    }
    return ValidateTagName(name) == -1 ? RETURN_OK : RETURN_ERROR;
  });
}

}  // namespace pds
