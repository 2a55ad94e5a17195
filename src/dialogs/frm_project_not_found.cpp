#include "dialogs/frm_project_not_found.h"

#include "ui/dialog_messages.h"
#include "dialogs/project_search.h"

namespace pds {

frmProjectNotFound::frmProjectNotFound() : Dialog("frmProjectNotFound") {
  SetCaption("Project Not Found");
  SetHelpContextID(DialogHelpRequest(HelpDialog::kProjectNotFound).context);
  cmdClose.SetCancel(true);
  cmdFind.Click = [this] { cmdFind_Click(); };
  cmdRemove.Click = [this] { cmdRemove_Click(); };
  cmdClose.Click = [this] { cmdClose_Click(); };
  cmdHelp.Click = [this] { cmdHelp_Click(); };
}

void frmProjectNotFound::Form_QueryUnload(bool& cancel, int unload_mode) {
  // The close box keeps the dialog loaded so the caller can still read the
  // last choice; only the caller unloads it.
  if (unload_mode == vbFormControlMenu) {
    cancel = true;
    Hide();
  }
}

void frmProjectNotFound::cmdFind_Click() {
  result_ = kProjectNotFoundFind;
  if (FindAndReconnect() == 2) {
    list_changed_ = true;
    Hide();
  }
}

void frmProjectNotFound::cmdRemove_Click() {
  result_ = kProjectNotFoundRemove;
  Hide();
}

void frmProjectNotFound::cmdClose_Click() {
  result_ = kProjectNotFoundClosed;
  Hide();
}

void frmProjectNotFound::cmdHelp_Click() { ShowDialogHelp(*this, DialogHelpRequest(HelpDialog::kProjectNotFound)); }

int frmProjectNotFound::FindAndReconnect() {
  bool changed = false;
  return FindAndReconnectProject(lblProjectName.Caption(), changed);
}

}  // namespace pds
