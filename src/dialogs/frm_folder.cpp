#include "dialogs/frm_folder.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "pds/PendingError.h"
#include "ui/dialog_messages.h"
#include "ui/messages.h"
#include "config/process_state.h"
#include "dialogs/frm_new.h"
#include "pds/Types.h"
#include "pds/UiHost.h"
#include "platform/env.h"
#include "files/file_routines.h"

namespace pds {

namespace {

using platform::CurrentEnv;

// A project path this long leaves no room for the files inside the folder.
constexpr int kLongestProjectPath = 237;

constexpr const char* kParentEntry = "..";

// folder + "/" + name, without doubling the root's slash. Names are taken as
// they are: a folder name may begin or end with blanks.
std::string JoinPath(const std::string& folder, const std::string& name) {
  return (!folder.empty() && folder.back() == '/' ? folder : folder + "/") + name;
}

// The subfolder names of folder, ordered without regard to case.
std::vector<std::string> SubfolderNames(const std::string& folder) {
  std::vector<platform::DirEntry> entries;
  std::vector<std::string> names;
  if (!CurrentEnv()->ListFolder(folder, &entries).ok()) return names;
  for (const platform::DirEntry& entry : entries) {
    if (entry.directory && entry.name != "." && entry.name != "..") names.push_back(entry.name);
  }
  std::stable_sort(names.begin(), names.end(),
                   [](const std::string& a, const std::string& b) { return UCase(a) < UCase(b); });
  return names;
}

const char* CaptionOf(std::int32_t mode) {
  switch (mode) {
    case SAVE_MODE: return "Save Project As";
    case EXPORT_PREV_MODE: return "Export to Previous Version";
    case RETRIEVE_PREV_MODE: return "Retrieve Previous Version";
    default: return "Project Folder";
  }
}

}  // namespace

frmFolder::frmFolder() : OkCancelForm("frmFolder") {
  drvDrive.SetStyle(vbComboDropdownList);

  drvDrive.Click = [this] { drvDrive_Click(); };
  dirFolder.Click = [this] { dirFolder_Click(); };
  dirFolder.DblClick = [this] { dirFolder_DblClick(); };
  txtProjectFolder.GotFocus = [this] { txtProjectFolder.SelectAll(); };
  cmdNewFolder.Click = [this] { cmdNewFolder_Click(); };
  ButtonsLast();
}

// ---- properties

void frmFolder::SetOwner(TagStore* owner) { LoadThenSet(owner_, owner); }

void frmFolder::SetMode(std::int32_t mode) {
  Load();
  mode_ = mode;
  SetCaption(CaptionOf(mode_));
  SetHelpContextID(DialogHelpRequest(HelpDialog::kFolderChoice, mode_).context);
}

void frmFolder::SetStartFolder(const std::string& folder) { LoadThenSet(start_folder_, folder); }

// ---- form events

void frmFolder::Form_Load() {
  accepted_ = false;
  activated_ = false;
  folder_.clear();
  SetCaption(CaptionOf(mode_));
  SetHelpContextID(DialogHelpRequest(HelpDialog::kFolderChoice, mode_).context);
  // Mount points stand for the drives. None of them is a floppy drive, so the
  // rules for archives spanning several floppy disks never apply to a folder
  // chosen here.
  drvDrive.Clear();
  for (const std::string& drive : CurrentEnv()->LogicalDrives()) drvDrive.AddItem(drive);
}

void frmFolder::Form_Activate() {
  // Activation repeats when the name entry dialog closes; browsing must stay where it is.
  if (activated_) return;
  activated_ = true;
  std::string start = RemoveBackslash(start_folder_);
  if (start.empty() || start.front() != '/') start = RemoveBackslash(Shared().default_projects_folder);
  if (start.empty() || start.front() != '/') start = "/";
  while (!IsFolder(start) && start != "/") {
    std::string parent = GetPathFolder(start);
    start = parent.empty() ? "/" : parent;
  }
  ShowFolder(start);
  SetFocus(txtProjectFolder);
}

void frmFolder::drvDrive_Click() {
  if (syncing_drive_ || drvDrive.ListIndex() < 0) return;
  ShowFolder(drvDrive.Text());
}

void frmFolder::dirFolder_Click() {
  if (dirFolder.ListIndex() >= 0) txtProjectFolder.SetText(EntryPath(dirFolder.ListIndex()));
}

void frmFolder::dirFolder_DblClick() {
  if (dirFolder.ListIndex() >= 0) ShowFolder(EntryPath(dirFolder.ListIndex()));
}

void frmFolder::cmdNewFolder_Click() {
  auto dialog = std::make_unique<frmNew>();
  dialog->SetOwner(owner_);
  dialog->SetMode(frmNew::kFolderNameMode);
  dialog->SetTitleName("New Folder Name");
  dialog->SetLabelName("Folder Name:");
  dialog->SetCurrentFolder(shown_folder_);
  dialog->Show();
  const bool accepted = dialog->Accepted();
  const std::string name = dialog->EnteredName();
  UnloadDialog(dialog);
  if (!accepted) return;

  std::string message;
  const std::string path = JoinPath(shown_folder_, name);
  if (name.empty()) {
    message = "Invalid New Project Folder." + LineBreaks(0) + InBrackets(name) + LineBreaks(1) +
              "New project folder was NOT created.";
  } else if (CharCount(path) > kLongestProjectPath) {
    message = "Invalid New Project Folder." + LineBreaks(0) + InBrackets(path) + LineBreaks(1) +
              "The new project folder PATH is too long.  Please create or choose another folder with a shorter path.";
  } else if (EntryExists(path)) {
    message = "Cannot create new folder:" + LineBreaks(0) + InBrackets(path) + LineBreaks(1) +
              "A file or folder with the name you specified already exists.  Specify a different folder name.";
  } else {
    const bool created = CurrentEnv()->CreateFolder(path).ok();
    ShowFolder(shown_folder_);
    // The folder counts only when the list shows it under the very name the user typed.
    int listed = -1;
    for (int i = 0; i < dirFolder.ListCount(); ++i) {
      if (dirFolder.List(i) == name) listed = i;
    }
    if (created && listed >= 0) {
      dirFolder.SetListIndex(listed);
      cmdOK_Click();
      return;
    }
    message = "Error creating new project folder." + LineBreaks(0) + InBrackets(path) + LineBreaks(1) +
              "Please choose a different folder name.";
  }
  ShowError(message, vbInformation, "Invalid Project Folder");
}

void frmFolder::cmdOK_Click() {
  const std::string folder = Trim(txtProjectFolder.Text());
  if (!ValidateProjectPath(folder)) {
    SetFocus(txtProjectFolder);
    txtProjectFolder.SelectAll();
    return;
  }
  folder_ = RemoveBackslash(folder);
  accepted_ = true;
  Hide();
}

void frmFolder::cmdCancel_Click() {
  accepted_ = false;
  folder_.clear();
  Hide();
}

void frmFolder::cmdHelp_Click() { ShowDialogHelp(*this, DialogHelpRequest(HelpDialog::kFolderChoice, mode_)); }

// ---- rules and browsing

bool frmFolder::ValidateProjectPath(const std::string& folder) {
  std::string message;
  const std::string& projects_folder = Shared().default_projects_folder;
  if (folder.empty()) {
    message = "Invalid Project Folder." + LineBreaks(1) + InBrackets(folder) + LineBreaks(1) +
              "There is no folder selected.";
  } else if (CharCount(folder) > kLongestProjectPath) {
    message = "Invalid Project Path." + LineBreaks(1) + InBrackets(folder) + LineBreaks(1) +
              "The project path is too long.  Please choose a different project folder.";
  } else if (!projects_folder.empty() && EqualsNoCase(RemoveBackslash(folder), RemoveBackslash(projects_folder))) {
    message = "This folder is restricted.  " + InBrackets(folder) + LineBreaks(2) +
              "Please click [New Folder...] button or choose a different folder.";
  } else if (!IsFolder(folder)) {
    message = "Folder was not found." + LineBreaks(0) + InBrackets(folder) + LineBreaks(0) +
              "Please choose a different folder name.";
  }
  if (message.empty()) return true;
  ShowError(message, vbCritical, "ValidateProjectPath()");
  return false;
}

void frmFolder::ShowFolder(const std::string& folder) {
  shown_folder_ = folder;
  dirFolder.Clear();
  if (folder != "/") dirFolder.AddItem(kParentEntry);
  for (std::string& name : SubfolderNames(folder)) dirFolder.AddItem(std::move(name));

  syncing_drive_ = true;
  int drive = -1;
  const std::string mount = DriveOf(folder);
  for (int i = 0; i < drvDrive.ListCount(); ++i) {
    if (RemoveBackslash(drvDrive.List(i)) == mount) drive = i;
  }
  drvDrive.SetListIndex(drive);
  syncing_drive_ = false;

  txtProjectFolder.SetText(folder);
}

std::string frmFolder::EntryPath(int index) const {
  if (index == 0 && shown_folder_ != "/") {
    std::string parent = GetPathFolder(shown_folder_);
    return parent.empty() ? "/" : parent;
  }
  return JoinPath(shown_folder_, dirFolder.List(index));
}

std::string frmFolder::DriveOf(const std::string& folder) const {
  std::string best = "/";
  for (int i = 0; i < drvDrive.ListCount(); ++i) {
    const std::string mount = RemoveBackslash(drvDrive.List(i));
    bool holds = folder == mount || (folder.size() > mount.size() && folder.compare(0, mount.size(), mount) == 0 &&
                                     (mount == "/" || folder[mount.size()] == '/'));
    if (holds && mount.size() > best.size()) best = mount;
  }
  return best;
}

eProjectReturnCode PromptForNewProjectFolderName(TagStore* owner, std::string& sFolder, const std::string& sStartFolder) {
  sFolder.clear();
  try {
    auto dialog = std::make_unique<frmFolder>();
    dialog->SetOwner(owner);
    dialog->SetMode(SAVE_MODE);
    dialog->SetStartFolder(sStartFolder);
    dialog->Show();
    const bool accepted = dialog->Accepted();
    const std::string folder = dialog->Folder();
    UnloadDialog(dialog);
    if (!accepted || folder.empty()) return RETURN_USER_CANCEL;
    // A new project's files must not mix with files already there.
    if (!IsFolderEmpty(folder)) {
      // A missing folder has been reported by the emptiness check itself.
      if (FileExists(folder)) {
        ShowError("Invalid Project Folder.  Folder is not empty." + LineBreaks(0) + InBrackets(folder) + LineBreaks(0) +
                      "A folder must be empty to accept a newly created project.",
                  vbCritical, "PromptForNewProjectFolderName()");
      }
      return RETURN_ERROR;
    }
    sFolder = folder;
    return RETURN_OK;
  } catch (...) {
    CatchToPending();
    ShowError("", vbCritical, "PromptForNewProjectFolderName()");
    sFolder.clear();
    return RETURN_ERROR;
  }
}

}  // namespace pds
