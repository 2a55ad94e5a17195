#include "dialogs/frm_save_project_as.h"

#include <vector>

#include "dialogs/frm_folder.h"
#include "ui/dialog_messages.h"
#include "ui/messages.h"
#include "config/process_state.h"
#include "pds/Types.h"
#include "pds/UiHost.h"
#include "tags/tag_store.h"
#include "platform/env.h"
#include "files/file_routines.h"

namespace pds {

namespace {

using platform::CurrentEnv;

constexpr const char* kNameLabel = "Name:";

// Folder names longer than the short (8.3) form allows need long-name rules.
constexpr int kLongestShortName = 12;

// Whether the parent folder lists a folder of exactly this path's last name,
// so that a folder the system stored under another spelling does not count.
bool ListedUnderItsName(const std::string& folder) {
  const std::string name = GetLastPathPart(folder);
  std::string parent = GetPathFolder(folder);
  if (parent.empty()) parent = CurrentEnv()->CurrentFolder();
  std::vector<platform::DirEntry> entries;
  if (!CurrentEnv()->ListFolder(parent, &entries).ok()) return false;
  for (const platform::DirEntry& entry : entries) {
    if (entry.directory && entry.name == name) return true;
  }
  return false;
}

}  // namespace

frmSaveProjectAs::frmSaveProjectAs() : OkCancelForm("frmSaveProjectAs") {
  txtFolder.SetLocked(true);
  cmdChangeFolder.SetCausesValidation(false);

  txtName.Change = [this] { txtName_Change(); };
  txtName.GotFocus = [this] { txtName.SelectAll(); };
  // Change Folder stands between Cancel and Help.
  ButtonsLast();
  MoveToEnd(cmdChangeFolder);
  MoveToEnd(cmdHelp);
  cmdChangeFolder.Click = [this] { cmdChangeFolder_Click(); };
}

// ---- properties

void frmSaveProjectAs::SetOwner(TagStore* owner) { LoadThenSet(owner_, owner); }

void frmSaveProjectAs::SetInitialName(const std::string& name) { LoadThenSet(initial_name_, name); }

void frmSaveProjectAs::SetBaseFolder(const std::string& folder) { LoadThenSet(base_folder_, folder); }

void frmSaveProjectAs::SetUserText(const std::string& text) {
  Load();
  user_text_ = text;
  lblName.SetCaption(text.empty() ? std::string(kNameLabel)
                                  : kNameLabel + std::string("    ") + InBrackets("User:  " + text));
}

void frmSaveProjectAs::SetMaxNameLength(int max_length) {
  Load();
  txtName.SetMaxLength(max_length);
}

// ---- form events

void frmSaveProjectAs::Form_Load() {
  accepted_ = false;
  activated_ = false;
  folder_chosen_ = false;
  folder_.clear();
  name_.clear();
  SetHelpContextID(DialogHelpRequest(HelpDialog::kSaveProjectAs).context);
  lblName.SetCaption(kNameLabel);
  txtName.SetText("");
  txtFolder.SetText("");
  cmdOK.SetEnabled(false);
  // New project folders are made inside the default projects folder; it must be there to browse.
  const std::string projects_folder = RemoveBackslash(Shared().default_projects_folder);
  if (!projects_folder.empty() && !EntryExists(projects_folder)) {
    CurrentEnv()->CreateFolder(projects_folder);  // a failure shows later, when a folder inside it is made
  }
}

void frmSaveProjectAs::Form_Activate() {
  // Activation repeats when the folder dialog closes; the user's typing and chosen folder stay.
  if (activated_) return;
  activated_ = true;
  txtName.SetText(initial_name_);
  txtFolder.SetText(FolderForName(initial_name_));
  SetFocus(txtName);
  txtName.SelectAll();
}

void frmSaveProjectAs::txtName_Change() {
  cmdOK.SetEnabled(!txtName.Text().empty());
  if (activated_ && !folder_chosen_) txtFolder.SetText(FolderForName(txtName.Text()));
}

void frmSaveProjectAs::cmdOK_Click() {
  const std::string name = Trim(txtName.Text());
  const std::string folder = RemoveBackslash(txtFolder.Text());
  if (!NameAndFolderAccepted(name, folder)) return;
  if (!MakeProjectFolder(folder)) return;
  folder_ = folder;
  name_ = name;
  accepted_ = true;
  Hide();
}

void frmSaveProjectAs::cmdCancel_Click() {
  accepted_ = false;
  Hide();
}

void frmSaveProjectAs::cmdChangeFolder_Click() {
  if (!owner_) return;
  std::string chosen;
  if (PromptForNewProjectFolderName(owner_, chosen, RemoveBackslash(txtFolder.Text())) != RETURN_OK) return;
  folder_chosen_ = true;
  txtFolder.SetText(chosen);
}

void frmSaveProjectAs::cmdHelp_Click() { ShowDialogHelp(*this, DialogHelpRequest(HelpDialog::kSaveProjectAs)); }

// ---- rules

bool frmSaveProjectAs::NameAndFolderAccepted(const std::string& name, const std::string& folder) {
  if (!CheckProjectName(name) || !ValidCharsInProjectName(name, MaxNameLength())) {
    ReselectName();
    return false;
  }
  if (owner_) {
    bool found = false;
    if (!owner_->DoesProjectExist(name, found)) {  // the lookup showed why it failed
      ReselectName();
      return false;
    }
    if (found) {
      Ui().MsgBox("Project  '" + name + "'  already exists." + LineBreaks(1) + "Please enter a different name.",
                  vbInformation, "Invalid Project Name");
      ReselectName();
      return false;
    }
  }
  // Long folder names need both a volume that keeps them (an unknown limit
  // does not stand in the way) and a name field that allows them.
  const long volume_limit = GetMaxFileNameLength(folder);
  const bool long_names =
      MaxNameLength() > kLongestShortName && (volume_limit == 0 || volume_limit > kLongestShortName);
  const std::string folder_name = GetLastPathPart(folder);
  const bool valid =
      long_names ? ValidateLongFileName(folder_name, MaxNameLength()) : ValidateShortFileName(folder_name);
  if (!valid) ReselectName();
  return valid;
}

bool frmSaveProjectAs::MakeProjectFolder(const std::string& folder) {
  if (!EntryExists(folder)) CurrentEnv()->CreateFolder(folder);
  if (IsFolder(folder) && ListedUnderItsName(folder)) return true;
  ShowError("Error creating new project folder." + LineBreaks(0) + InBrackets(folder) + LineBreaks(1) +
                "Please choose a different folder name.",
            vbExclamation, "frmSaveProjectAs.cmdOk_Click");
  return false;
}

std::string frmSaveProjectAs::FolderForName(const std::string& name) const {
  return AddBackslash(base_folder_) + Trim(name);
}

void frmSaveProjectAs::ReselectName() {
  SetFocus(txtName);
  txtName.SelectAll();
}

}  // namespace pds
