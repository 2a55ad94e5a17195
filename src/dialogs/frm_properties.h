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

#include "dialogs/form_controls.h"
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

  TextBox& txtJobName = AddLabeled<TextBox>(*this, "lblJobName", "Project Name:", "txtJobName");
  TextBox& txtJobNumber = AddLabeled<TextBox>(*this, "lblJobNumber", "Project Number:", "txtJobNumber");
  TextBox& txtJobDate = AddLabeled<TextBox>(*this, "lblJobDate", "Date:", "txtJobDate");
  TextBox& txtContactName = AddLabeled<TextBox>(*this, "lblContactName", "Contact:", "txtContactName");
  ComboBox& cboContactType = AddLabeled<ComboBox>(*this, "lblContactType", "Contact Type:", "cboContactType");
  TextBox& txtProjectManager =
      AddLabeled<TextBox>(*this, "lblProjectManager", "Project Manager:", "txtProjectManager");
  TextBox& txtNotes = AddLabeled<TextBox>(*this, "lblNotes", "Notes:", "txtNotes");
  TextBox& txtLastModified = AddLabeled<TextBox>(*this, "lblLastModified", "Last Modified:", "txtLastModified");
  TextBox& txtJobPath = AddLabeled<TextBox>(*this, "lblJobPath", "Project Folder:", "txtJobPath");

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
