// frmProperties, the project properties editor: the modal dialog in which the
// user edits a project record's descriptive properties (name, number, date,
// contact, contact type, project manager, notes), with the project's folder
// and last-modified stamp shown alongside.
//
// Use: create it, SetProject (which loads the dialog), Show() it, read
// Confirmed() (and Changed()), then release it with UnloadDialog. The record
// is written only by OK, which copies every field back and marks the record
// dirty when the user changed anything; Cancel and the close box leave the
// record exactly as it was. Storing the properties is the caller's business.
//
// The job-name field is editable only while the project has no folder: a
// saved project is known by its name in the projects list and in its
// folder, so its name changes only through save as.
//
// The contact-type list holds "(none)" and the configured contact types; a
// record's type that is not configured is added to the list so it is kept.
// Nothing here throws.
#pragma once

#include <memory>
#include <string>

#include "dialogs/ok_cancel_form.h"

namespace pds {

class clsProject;

class frmProperties : public OkCancelForm {
 public:
  frmProperties();

  void SetProject(std::shared_ptr<clsProject> project);
  const std::shared_ptr<clsProject>& Project() const { return project_; }
  // True when the dialog was closed with OK.
  bool Confirmed() const { return confirmed_; }
  // True when the user changed a field.
  bool Changed() const { return changed_; }

  Label& lblJobName = Add<Label>("lblJobName");
  TextBox& txtJobName = Add<TextBox>("txtJobName");
  Label& lblJobNumber = Add<Label>("lblJobNumber");
  TextBox& txtJobNumber = Add<TextBox>("txtJobNumber");
  Label& lblJobDate = Add<Label>("lblJobDate");
  TextBox& txtJobDate = Add<TextBox>("txtJobDate");
  Label& lblContactName = Add<Label>("lblContactName");
  TextBox& txtContactName = Add<TextBox>("txtContactName");
  Label& lblContactType = Add<Label>("lblContactType");
  ComboBox& cboContactType = Add<ComboBox>("cboContactType");
  Label& lblProjectManager = Add<Label>("lblProjectManager");
  TextBox& txtProjectManager = Add<TextBox>("txtProjectManager");
  Label& lblNotes = Add<Label>("lblNotes");
  TextBox& txtNotes = Add<TextBox>("txtNotes");
  Label& lblLastModified = Add<Label>("lblLastModified");
  TextBox& txtLastModified = Add<TextBox>("txtLastModified");
  Label& lblJobPath = Add<Label>("lblJobPath");
  TextBox& txtJobPath = Add<TextBox>("txtJobPath");

 protected:
  void Form_Load() override;
  void Form_Activate() override;

 private:
  void FieldChanged();
  void cmdOK_Click() override;
  void cmdCancel_Click() override;
  void cmdHelp_Click() override;

  // A field's text without surrounding blanks.
  static std::string FieldText(const TextBox& field);
  // Puts value into the field, trimmed unless it is blank.
  static void SetFieldText(TextBox& field, const std::string& value);
  // The selected contact type: the entry's text, "(none)" included.
  std::string ContactTypeText() const;
  // Selects the entry equal to the trimmed value without regard to case; a
  // value the list lacks is added first; a blank value selects "(none)".
  void SetContactTypeText(const std::string& value);

  std::shared_ptr<clsProject> project_;
  bool changed_ = false;
  bool confirmed_ = false;
  bool activated_ = false;
  // Set while the record is copied into the fields, which is no edit.
  bool filling_ = false;
};

}  // namespace pds
