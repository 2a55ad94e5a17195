// frmFolder, the folder dialog: the user browses drives and folders, or types
// a folder, and may create a new, empty subfolder; OK accepts the chosen
// folder only when it passes the project-folder rules (it exists, its path is
// not too long, it is not the default projects folder itself). Used to pick
// a new project's folder and, in other modes, by the previous-version
// operations.
//
// Drives are the mount points of this machine; the folder list shows the
// subfolders of one folder (the shown folder) with ".." first to go up.
// Clicking an entry makes it the chosen folder; double-clicking opens it.
//
// Use: create it, set the owner, mode and start folder (the first setter
// loads the dialog), Show() it, read Accepted() and Folder(), then release
// it with UnloadDialog. A folder made with New Folder stays even when the
// caller later cancels what it was for. Nothing here throws; the owner (the
// service object) must outlive the dialog.
#pragma once

#include <cstdint>
#include <string>

#include "dialogs/form_controls.h"
#include "dialogs/ok_cancel_form.h"
#include "pds/Types.h"

namespace pds {

class TagStore;

class frmFolder : public OkCancelForm {
 public:
  frmFolder();

  // ---- set before showing
  void SetOwner(TagStore* owner);
  // SAVE_MODE, EXPORT_PREV_MODE, RETRIEVE_PREV_MODE; any other value is a
  // plain project-folder choice. Decides the caption and the help topic.
  void SetMode(std::int32_t mode);
  std::int32_t Mode() const { return mode_; }
  // Where browsing starts: the folder itself, or the nearest folder above it
  // that exists; the default projects folder when empty.
  void SetStartFolder(const std::string& folder);
  const std::string& StartFolder() const { return start_folder_; }

  // ---- read afterwards
  bool Accepted() const { return accepted_; }
  // The chosen folder, without a trailing "/" (except the root); empty unless accepted.
  const std::string& Folder() const { return folder_; }
  // The folder whose subfolders the list shows.
  const std::string& ShownFolder() const { return shown_folder_; }

  ComboBox& drvDrive = AddLabeled<ComboBox>(*this, "lblDrive", "Drive:", "drvDrive");
  ListBox& dirFolder = AddLabeled<ListBox>(*this, "lblFolders", "Folders:", "dirFolder");
  TextBox& txtProjectFolder = AddLabeled<TextBox>(*this, "lblProjectFolder", "Project Folder:", "txtProjectFolder");
  CommandButton& cmdNewFolder = AddCaptioned<CommandButton>(*this, "cmdNewFolder", "New Folder...");

 protected:
  void Form_Load() override;
  void Form_Activate() override;

 private:
  void drvDrive_Click();
  void dirFolder_Click();
  void dirFolder_DblClick();
  void cmdNewFolder_Click();
  void cmdOK_Click() override;
  void cmdCancel_Click() override;
  void cmdHelp_Click() override;

  // The project-folder rules; shows why a folder is refused.
  bool ValidateProjectPath(const std::string& folder);
  // Makes folder the shown folder: refills the folder list, points the drive
  // list at the folder's drive, and puts the folder into the field.
  void ShowFolder(const std::string& folder);
  // The folder an entry of the folder list stands for.
  std::string EntryPath(int index) const;
  // The mount point that holds folder (the longest that is a prefix of it).
  std::string DriveOf(const std::string& folder) const;

  TagStore* owner_ = nullptr;
  std::int32_t mode_ = 0;
  std::string start_folder_;
  std::string shown_folder_;
  std::string folder_;
  bool accepted_ = false;
  bool activated_ = false;
  // Set while the dialog itself moves the drive list, so that the move does
  // not count as the user choosing a drive.
  bool syncing_drive_ = false;
};

// Asks for the folder of a new project in the folder dialog (save mode); a
// folder that is not empty is refused with a message.
eProjectReturnCode PromptForNewProjectFolderName(TagStore* owner, std::string& sFolder, const std::string& sStartFolder);

}  // namespace pds
