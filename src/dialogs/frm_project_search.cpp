#include "dialogs/frm_project_search.h"

#include "config/process_state.h"
#include "dialogs/project_search.h"
#include "files/file_routines.h"
#include "pds/Text.h"
#include "pds/UiHost.h"
#include "platform/env.h"
#include "projects/project_store_search.h"
#include "ui/dialog_messages.h"

namespace pds {

frmProjectSearch::frmProjectSearch() : Dialog("frmProjectSearch") {
  lvwResults.SetCheckboxes(true);
  lvwResults.SetFullRowSelect(true);
  lvwResults.AddColumn("Name", "Project Name", 24);
  lvwResults.AddColumn("ProjectLocation", "Project Location", 48);
  aniSearch.SetVisible(false);
  cmdOK.SetDefault(true);
  cmdCancel.SetCancel(true);
  SetMode(kSearchFindAll);

  cmdChangePath.Click = [this] { cmdChangePath_Click(); };
  cmdSearch.Click = [this] { DoSearch(); };
  cmdOK.Click = [this] { cmdOK_Click(); };
  cmdCancel.Click = [this] { cmdCancel_Click(); };
  cmdHelp.Click = [this] { cmdHelp_Click(); };
  // Which gesture checks an entry and which selects it is the host's; after
  // either, OK follows the check marks.
  lvwResults.ItemCheck = [this](ListItem&) { UpdateOKButton(); };
  lvwResults.ItemClick = [this](ListItem& item) {
    lvwResults.SetSelectedItem(&item);
    UpdateOKButton();
  };
  lvwResults.Click = [this] { UpdateOKButton(); };
}

void frmProjectSearch::SetMode(int mode) {
  mode_ = mode == kSearchFindProject ? kSearchFindProject : kSearchFindAll;
  const bool one = mode_ == kSearchFindProject;
  SetCaption(one ? "Find Project" : "Find All Projects");
  cmdOK.SetCaption(one ? "Reconnect" : "Add");
  cmdOK.SetToolTipText(one ? "Reconnect selected project to projects list." : "Add selected projects to projects list.");
  cmdCancel.SetToolTipText(one ? "Cancel Find Project operation" : "Cancel Find All Projects operation");
  SetHelpContextID(DialogHelpRequest(HelpDialog::kProjectSearch, mode_).context);
  fraProject.SetVisible(one);
  lblProjectName.SetVisible(one);
}

void frmProjectSearch::SetSpec(const ProjectSearchSpec& spec) {
  spec_ = spec;
  folder_ = spec.search_folder;
  txtSearchFolder.SetText(folder_);
  lblProjectName.SetCaption(spec.target_name);
}

void frmProjectSearch::Form_Activate() {
  if (activated_) return;
  activated_ = true;
  spec_.include_subfolders = true;
  spec_.second_flag = true;
  cmdOK.SetEnabled(false);
  accepted_ = false;
  if (start_at_once_) DoSearch();
}

void frmProjectSearch::Form_QueryUnload(bool& /*cancel*/, int unload_mode) {
  // The close box is a Cancel: a search that runs stops at its next check.
  if (unload_mode == vbFormControlMenu) {
    Shared().search_cancelled = true;
    accepted_ = false;
  }
}

void frmProjectSearch::DoSearch() {
  if (busy_) return;
  busy_ = true;
  Ui().SetWaitCursor(true);
  cmdOK.SetEnabled(false);
  lblStatus.SetCaption("");
  lvwResults.ClearItems();

  lblStatus.SetVisible(true);
  lblStatus.SetCaption("Searching  " + folder_ + "...");
  const std::string clip = AddBackslash(platform::CurrentEnv()->ModuleFolder()) + "Search.avi";
  if (FileExists(clip)) {
    aniSearch.Open(clip);
    aniSearch.SetVisible(true);
    aniSearch.Play();
  }

  Shared().search_cancelled = false;
  std::vector<FoundProject> results;
  spec_.search_folder = folder_;
  ListedProjects listed;
  ProjectSearchHooks hooks;
  hooks.cancelled = [] { return Shared().search_cancelled; };
  hooks.process_events = [] { Ui().ProcessEvents(); };
  if (mode_ == kSearchFindAll && LoadListedProjectsForSearch(&listed)) hooks.listed = &listed;
  const double answer = SearchForProjects(spec_, results, hooks);

  if (answer > 0) {
    for (const FoundProject& found : results) {
      ListItem* item = lvwResults.AddItem("", found.name);
      if (!item) continue;
      item->SetSubItem(1, found.folder);
      item->SetTag(found.name);
    }
    if (lvwResults.ItemCount() == 1) {
      lvwResults.Item(1)->SetChecked(true);
      lvwResults.SetSelectedItem(lvwResults.Item(1));
    }
  }

  aniSearch.Stop();
  aniSearch.SetVisible(false);
  if (lvwResults.ItemCount() == 0) {
    lblStatus.SetCaption(mode_ == kSearchFindProject ? "Project could not be found." : "No projects were found.");
    cmdOK.SetEnabled(false);
  } else {
    UpdateOKButton();
    lblStatus.SetVisible(false);
  }
  Ui().SetWaitCursor(false);
  busy_ = false;
}

void frmProjectSearch::UpdateOKButton() { cmdOK.SetEnabled(lvwResults.CheckedCount() > 0); }

void frmProjectSearch::cmdChangePath_Click() {
  std::string folder = Trim(txtSearchFolder.Text());
  // A root keeps its separator; any other folder is given without one.
  folder = folder.empty() ? folder : RemoveBackslash(folder);
  const std::string chosen = BrowseForFolder("Select location from which to begin search.", folder);
  if (chosen.empty()) return;
  txtSearchFolder.SetText(chosen);
  folder_ = chosen;
  DoSearch();
}

void frmProjectSearch::cmdOK_Click() {
  if (const ListItem* item = lvwResults.SelectedItem()) {
    selected_name_ = item->Text();
    selected_folder_ = item->SubItem(1);
  }
  accepted_ = true;
  Hide();
}

void frmProjectSearch::cmdCancel_Click() {
  Shared().search_cancelled = true;
  Ui().ProcessEvents();
  accepted_ = false;
  Hide();
}

void frmProjectSearch::cmdHelp_Click() {
  ShowDialogHelp(*this, DialogHelpRequest(HelpDialog::kProjectSearch, mode_));
}

}  // namespace pds
