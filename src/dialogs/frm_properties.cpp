#include "dialogs/frm_properties.h"

#include "ui/dialog_messages.h"
#include "ui/messages.h"
#include "config/process_state.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "files/file_routines.h"

namespace pds {

namespace {

// The contact-type entry that stands for no type; a record stores it for a blank type too.
constexpr const char* kNoContactType = "(none)";

}  // namespace

frmProperties::frmProperties() : OkCancelForm("frmProperties") {
  SetCaption("Project Properties");
  cboContactType.SetStyle(vbComboDropdownList);
  txtNotes.SetMultiLine(true);
  txtLastModified.SetLocked(true);
  txtJobPath.SetLocked(true);

  for (TextBox* field : {&txtJobName, &txtJobNumber, &txtJobDate, &txtContactName, &txtProjectManager, &txtNotes}) {
    field->Change = [this] { FieldChanged(); };
  }
  for (TextBox* field : {&txtJobName, &txtJobNumber, &txtJobDate, &txtContactName, &txtProjectManager, &txtNotes,
                         &txtLastModified, &txtJobPath}) {
    field->GotFocus = [field] { field->SelectAll(); };
  }
  cboContactType.Click = [this] { FieldChanged(); };
  ButtonsLast();
}

void frmProperties::SetProject(std::shared_ptr<clsProject> project) { LoadThenSet(project_, std::move(project)); }

// ---- form events

void frmProperties::Form_Load() {
  confirmed_ = false;
  changed_ = false;
  activated_ = false;
  txtJobName.SetMaxLength(JobNameLengthLimit());
  filling_ = true;
  cboContactType.Clear();
  cboContactType.AddItem(kNoContactType);
  // Unused slots of the configured list are empty and offer nothing to choose.
  for (const std::string& type : Shared().contact_types) {
    if (!Trim(type).empty()) cboContactType.AddItem(type);
  }
  filling_ = false;
}

void frmProperties::Form_Activate() {
  // Activation repeats after a message box or help closes; the user's edits stay.
  if (activated_) return;
  activated_ = true;
  SetHelpContextID(DialogHelpRequest(HelpDialog::kProjectProperties).context);
  if (!project_) return;
  filling_ = true;
  SetFieldText(txtJobName, project_->JobName());
  SetFieldText(txtJobNumber, project_->JobNumber());
  SetFieldText(txtJobDate, project_->JobDate());
  SetFieldText(txtContactName, project_->ContactName());
  SetContactTypeText(project_->ContactType());
  SetFieldText(txtProjectManager, project_->SalesPerson());
  SetFieldText(txtNotes, project_->Notes());
  SetFieldText(txtLastModified, project_->LastModified());
  SetFieldText(txtJobPath, project_->JobPath());
  filling_ = false;
  txtJobName.SetLocked(!project_->JobPath().empty());
  SetFocus(txtJobName.Locked() ? txtJobNumber : txtJobName);
}

void frmProperties::FieldChanged() {
  if (!filling_) changed_ = true;
}

void frmProperties::cmdOK_Click() {
  if (project_) {
    project_->SetJobName(FieldText(txtJobName));
    project_->SetJobNumber(FieldText(txtJobNumber));
    project_->SetJobDate(FieldText(txtJobDate));
    project_->SetContactName(FieldText(txtContactName));
    project_->SetContactType(ContactTypeText());
    project_->SetSalesPerson(FieldText(txtProjectManager));
    project_->SetNotes(FieldText(txtNotes));
    project_->SetLastModified(FieldText(txtLastModified));
    project_->SetJobPath(FieldText(txtJobPath));
    if (changed_) project_->SetProjectDirty(true);
  }
  confirmed_ = true;
  Hide();
}

void frmProperties::cmdCancel_Click() { Hide(); }

void frmProperties::cmdHelp_Click() { ShowDialogHelp(*this, DialogHelpRequest(HelpDialog::kProjectProperties)); }

// ---- fields

std::string frmProperties::FieldText(const TextBox& field) { return Trim(field.Text()); }

void frmProperties::SetFieldText(TextBox& field, const std::string& value) {
  const std::string trimmed = Trim(value);
  field.SetText(trimmed.empty() ? value : trimmed);
}

std::string frmProperties::ContactTypeText() const { return cboContactType.Text(); }

void frmProperties::SetContactTypeText(const std::string& value) {
  const std::string trimmed = Trim(value);
  if (trimmed.empty()) {
    cboContactType.SetListIndex(cboContactType.FindItem(kNoContactType));
    return;
  }
  int index = cboContactType.FindItem(trimmed);
  if (index < 0) index = cboContactType.AddItem(trimmed);
  cboContactType.SetListIndex(index);
}

}  // namespace pds
