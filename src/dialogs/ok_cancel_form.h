// The base of the entry forms that end with OK, Cancel and Help (frmNew,
// frmFolder, frmProperties, frmSaveProjectAs): the three buttons and what
// they mean are the same on each, so they are declared and set up once here.
//
// OK is the default button (Enter) and Cancel the escape button; neither
// Cancel nor Help validates the field being left. Closing the window with its
// close box is the same as Cancel, and the dialog stays loaded (only hidden),
// so the caller still reads its state until it unloads it.
#pragma once

#include <string>
#include <utility>

#include "pds/Controls.h"
#include "pds/Dialog.h"

namespace pds {

// Captions OK, Cancel and Help and gives them the roles above; for a form
// whose buttons are not only these three.
void SetUpOkCancelHelp(CommandButton& ok, CommandButton& cancel, CommandButton& help);

class OkCancelForm : public Dialog {
 public:
  CommandButton& cmdOK = Add<CommandButton>("cmdOK");
  CommandButton& cmdCancel = Add<CommandButton>("cmdCancel");
  CommandButton& cmdHelp = Add<CommandButton>("cmdHelp");

 protected:
  explicit OkCancelForm(std::string form_name);

  // Called last in the form's constructor: the buttons move after the
  // form's own controls (hosts draw and tab in the order controls are added).
  void ButtonsLast();

  // A setting given before Show: the first one loads the dialog, so that
  // Form_Load's defaults come before the caller's values, never over them.
  template <class T, class V>
  void LoadThenSet(T& setting, V&& value) {
    Load();
    setting = std::forward<V>(value);
  }

  void Form_QueryUnload(bool& cancel, int unload_mode) override;

  virtual void cmdOK_Click() = 0;
  virtual void cmdCancel_Click() = 0;
  virtual void cmdHelp_Click() = 0;
};

}  // namespace pds
