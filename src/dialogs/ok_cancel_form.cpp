#include "dialogs/ok_cancel_form.h"

#include <utility>

namespace pds {

void SetUpOkCancelHelp(CommandButton& ok, CommandButton& cancel, CommandButton& help) {
  ok.SetCaption("OK");
  ok.SetDefault(true);
  cancel.SetCaption("Cancel");
  cancel.SetCancel(true);
  cancel.SetCausesValidation(false);
  help.SetCaption("Help");
  help.SetCausesValidation(false);
}

OkCancelForm::OkCancelForm(std::string form_name) : Dialog(std::move(form_name)) {
  SetUpOkCancelHelp(cmdOK, cmdCancel, cmdHelp);
  // The handlers are the form's: they are reached only once it is built.
  cmdOK.Click = [this] { cmdOK_Click(); };
  cmdCancel.Click = [this] { cmdCancel_Click(); };
  cmdHelp.Click = [this] { cmdHelp_Click(); };
}

void OkCancelForm::ButtonsLast() {
  for (const CommandButton* button : {&cmdOK, &cmdCancel, &cmdHelp}) MoveToEnd(*button);
}

void OkCancelForm::Form_QueryUnload(bool& cancel, int unload_mode) {
  if (unload_mode == vbFormControlMenu) {
    cancel = true;
    cmdCancel_Click();
  }
}

}  // namespace pds
