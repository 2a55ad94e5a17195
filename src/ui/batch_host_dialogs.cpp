#include "pds/BatchHost.h"
#include "pds/Dialog.h"

namespace pds {

// A batch run has nobody to answer a dialog, so it leaves every dialog the
// way a user who declines would: by its Cancel button, else by the close box.
void BatchHost::RunModal(Dialog& dialog) {
  Shown shown = Shown::Of(Shown::kDialog, dialog.Caption(), dialog.FormName());
  shown.declined = true;
  Show(shown);
  dialog.Activate();
  if (dialog.visible() && dialog.CancelButton()) dialog.PressEscape();
  if (dialog.visible()) dialog.CloseByUser();
  // A dialog that refuses both must still end its modal run.
  if (dialog.visible()) dialog.Hide();
  dialog.TakeRefusals();
}

}  // namespace pds
