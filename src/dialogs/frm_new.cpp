#include "dialogs/frm_new.h"

#include "ui/dialog_messages.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "pds/UiHost.h"
#include "tags/tag_store.h"
#include "files/file_routines.h"

namespace pds {

namespace {

// The longest name the box takes, whatever the volume allows: a name this long
// still leaves room for the folder it is made in within the path limit.
constexpr int kLongestName = 237;

// The smallest name limit with which long names are allowed; below it, names
// follow the short (8.3) rules.
constexpr int kLongNameThreshold = 13;

}  // namespace

frmNew::frmNew() : OkCancelForm("frmNew") {
  cmdOK.SetToolTipText("Accept name entered.");
  cmdCancel.SetToolTipText("Cancel 'enter name' operation.");
  cmdHelp.SetToolTipText("Help on this screen.");

  txtName.Change = [this] { txtName_Change(); };
  txtName.GotFocus = [this] { txtName_GotFocus(); };
  ButtonsLast();
}

// ---- properties

void frmNew::SetOwner(TagStore* owner) { LoadThenSet(owner_, owner); }

void frmNew::SetMode(std::int32_t mode) { LoadThenSet(mode_, mode); }

void frmNew::SetTitleName(const std::string& title) { LoadThenSet(title_name_, title); }

void frmNew::SetLabelName(const std::string& label) { LoadThenSet(label_name_, label); }

void frmNew::SetInitialName(const std::string& name) { LoadThenSet(initial_name_, name); }

void frmNew::SetCurrentFolder(const std::string& folder) {
  Load();
  txtCurrentFolder.SetText(folder);
}

std::string frmNew::CurrentFolder() const { return txtCurrentFolder.Text(); }

void frmNew::SetAllowOverwrite(bool allow) { LoadThenSet(allow_overwrite_, allow); }

void frmNew::SetMaxLength(int max_length) {
  Load();
  if (max_length > kLongestName) {
    txtName.SetMaxLength(kLongestName);
  } else if (max_length > 0) {
    txtName.SetMaxLength(max_length);
  }
}

int frmNew::MaxLength() const { return txtName.MaxLength(); }

std::string frmNew::EnteredName() const { return Trim(txtName.Text()); }

// ---- form events

void frmNew::Form_Load() {
  // A dialog loaded again starts over, as a freshly created one would.
  accepted_ = false;
  activated_ = false;
  cmdOK.SetEnabled(false);
  title_name_ = "New Name";
  label_name_ = "Name:";
  txtCurrentFolder.SetVisible(false);
}

void frmNew::Form_Activate() {
  // Activation repeats whenever a dialog shown from this one closes; the
  // set-up below must not undo what the user typed meanwhile.
  if (activated_) return;
  activated_ = true;
  Ui().SetWaitCursor(false);
  if (mode_ == kFolderNameMode) {
    SetHelpContextID(DialogHelpRequest(HelpDialog::kNameEntry, mode_).context);
    SetMaxLength(static_cast<int>(GetMaxFileNameLength(CurrentFolder())));
  } else {
    SetHelpContextID(0);
  }
  txtName.SetText(initial_name_);
  txtName.SelectAll();
  SetCaption(title_name_);
  std::string label = label_name_;
  if (owner_ && !owner_->NetUserID().empty()) {
    label += "    " + InBrackets("User:  " + owner_->NetUserID());
  }
  lblName.SetCaption(label);
  SetFocus(txtName);
}

void frmNew::txtName_Change() { cmdOK.SetEnabled(!txtName.Text().empty()); }

void frmNew::txtName_GotFocus() { txtName.SelectAll(); }

void frmNew::cmdOK_Click() {
  NameVerdict verdict = NameVerdict::kRefuse;
  // Errors are ignored here: a failing rule leaves the dialog open for another try.
  TryStatement([&] {
    std::string name = Trim(txtName.Text());
    name = name.substr(0, name.find('\0'));
    switch (mode_) {
      case kFolderNameMode: verdict = CheckFolderName(name); break;
      case kTagNameMode: verdict = CheckTagName(name); break;
      default: verdict = NameVerdict::kAccept; break;
    }
  });
  switch (verdict) {
    case NameVerdict::kAccept:
      accepted_ = true;
      Hide();
      break;
    case NameVerdict::kCancel: cmdCancel_Click(); break;
    case NameVerdict::kRefuse: ReselectName(); break;
  }
}

void frmNew::cmdCancel_Click() {
  txtName.SetText("");
  Hide();
}

void frmNew::cmdHelp_Click() { ShowDialogHelp(*this); }

// ---- rules

frmNew::NameVerdict frmNew::CheckFolderName(const std::string& name) {
  int limit = MaxLength();
  bool valid = limit >= kLongNameThreshold ? ValidateLongFileName(name, limit) : ValidateShortFileName(name);
  return valid ? NameVerdict::kAccept : NameVerdict::kRefuse;
}

void frmNew::ReselectName() {
  SetFocus(txtName);
  txtName.SelectAll();
}

}  // namespace pds
