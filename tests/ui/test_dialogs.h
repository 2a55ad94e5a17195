// A small dialog model for the tests of the dialog base and the hosts: a name
// box that enables OK, OK (default) and Cancel buttons, a list view with check
// boxes, a combo box and counters for the form events.
#pragma once

#include <functional>
#include <string>

#include "pds/Dialog.h"

namespace pds::test {

class TestDialog : public Dialog {
 public:
  explicit TestDialog(std::string form_name = "frmTest") : Dialog(std::move(form_name)) {
    cmdOK.SetCaption("OK");
    cmdOK.SetDefault(true);
    cmdOK.SetEnabled(false);
    cmdCancel.SetCaption("Cancel");
    cmdCancel.SetCancel(true);
    cmdCancel.SetCausesValidation(false);
    txtName.Change = [this] {
      ++changes;
      cmdOK.SetEnabled(!txtName.Text().empty());
    };
    cmdOK.Click = [this] {
      if (on_ok) on_ok();
      accepted = true;
      Hide();
    };
    cmdCancel.Click = [this] { Hide(); };
    lvwItems.SetCheckboxes(true);
    lvwItems.AddColumn("K0", "Name");
    lvwItems.AddColumn("K1", "Location");
  }

  Label& lblName = Add<Label>("lblName");
  TextBox& txtName = Add<TextBox>("txtName");
  CommandButton& cmdOK = Add<CommandButton>("cmdOK");
  CommandButton& cmdCancel = Add<CommandButton>("cmdCancel");
  ListView& lvwItems = Add<ListView>("lvwItems");
  ComboBox& cboType = Add<ComboBox>("cboType");

  std::function<void()> on_ok;
  bool accepted = false;
  bool keep_on_close = false;  // the close box only hides the dialog
  bool refuse_close = false;   // the close box does nothing at all
  int loads = 0;
  int activations = 0;
  int unloads = 0;
  int changes = 0;
  int last_unload_mode = -1;

 protected:
  void Form_Load() override {
    ++loads;
    SetCaption("Test " + FormName());
  }
  void Form_Activate() override { ++activations; }
  void Form_QueryUnload(bool& cancel, int unload_mode) override {
    last_unload_mode = unload_mode;
    if (refuse_close) cancel = true;
    if (keep_on_close && unload_mode == vbFormControlMenu) {
      cancel = true;
      Hide();
    }
  }
  void Form_Unload(bool&) override { ++unloads; }
};

}  // namespace pds::test
