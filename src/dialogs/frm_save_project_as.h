// frmSaveProjectAs, the save-as dialog: asks for a new project's name and
// shows the folder the project will be created in. Until the user picks a
// folder with the change-folder button, the folder follows the name (the
// base folder plus the name), so each new project gets a folder of its own.
// OK applies the project-name rules, refuses a name the projects list
// already holds, checks the folder's own name and creates the folder.
//
// Use: create it, set the caption, owner, initial name, base folder and the
// maximum name length (the first setter loads the dialog), Show() it, read
// Accepted(), Folder() and ProjectName(), then release it with UnloadDialog.
// The folder created by OK stays even when the caller later cancels the
// save. Nothing here throws; the owner (the service object) must outlive the
// dialog and gives the projects list and the folder prompt.
#pragma once

#include <string>

#include "dialogs/form_controls.h"
#include "dialogs/ok_cancel_form.h"

namespace pds {

class TagStore;

class frmSaveProjectAs : public OkCancelForm {
 public:
  frmSaveProjectAs();

  // ---- set before showing
  void SetOwner(TagStore* owner);
  // The name proposed when the dialog is first shown.
  void SetInitialName(const std::string& name);
  // The folder new project folders are made in (the default projects folder).
  void SetBaseFolder(const std::string& folder);
  const std::string& BaseFolder() const { return base_folder_; }
  // When not empty, shown after the name label as "[User:  text]".
  void SetUserText(const std::string& text);
  // The longest project name. The folder's own name follows the long rules
  // (up to this length) when this is above 12 and the folder's volume keeps
  // long names, else the short (8.3) rules.
  void SetMaxNameLength(int max_length);
  int MaxNameLength() const { return txtName.MaxLength(); }

  // ---- the result. OK sets it; a host that answers for the user without
  // typing may set it directly.
  bool Accepted() const { return accepted_; }
  void SetAccepted(bool accepted) { accepted_ = accepted; }
  // The project's folder, without a trailing "/".
  const std::string& Folder() const { return folder_; }
  void SetFolder(const std::string& folder) { folder_ = folder; }
  // The trimmed project name.
  const std::string& ProjectName() const { return name_; }
  void SetProjectName(const std::string& name) { name_ = name; }
  // Whether the folder came from the change-folder button.
  bool FolderChosenByUser() const { return folder_chosen_; }

  Label& lblName = Add<Label>("lblName");
  TextBox& txtName = Add<TextBox>("txtName");
  TextBox& txtFolder = AddLabeled<TextBox>(*this, "lblFolder", "Folder:", "txtFolder");
  CommandButton& cmdChangeFolder = AddCaptioned<CommandButton>(*this, "cmdChangeFolder", "Change Folder...");

 protected:
  void Form_Load() override;
  void Form_Activate() override;

 private:
  void txtName_Change();
  void cmdOK_Click() override;
  void cmdCancel_Click() override;
  void cmdChangeFolder_Click();
  void cmdHelp_Click() override;

  // The checks of OK before the folder is made; each shows its own message.
  bool NameAndFolderAccepted(const std::string& name, const std::string& folder);
  // Creates the folder when missing; false (after the message) when the
  // path is not, or could not be made, a folder of that very name.
  bool MakeProjectFolder(const std::string& folder);
  // The folder that follows the name: the base folder plus the name.
  std::string FolderForName(const std::string& name) const;
  void ReselectName();

  TagStore* owner_ = nullptr;
  std::string initial_name_;
  std::string base_folder_;
  std::string user_text_;
  bool folder_chosen_ = false;
  bool accepted_ = false;
  bool activated_ = false;
  std::string folder_;
  std::string name_;
};

}  // namespace pds
