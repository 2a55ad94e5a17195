// frmProjectSearch: the modal dialog that searches a folder tree for project
// files, in two modes: find one named project that was lost (mode 1, OK
// reconnects it) or find every project the projects list does not hold
// (mode 0, OK adds the checked ones).
//
// The dialog runs the search itself (Search, Change Path, or at once when it
// opens) and shows the projects found in a list with check boxes; the caller
// (ShowFindProjectDialog, project_search.h) reads the checked entries after
// OK. A second Search while one runs is ignored; Cancel sets the process-wide
// cancel flag, which stops a running search before its next folder or file.
// Nothing here throws; handler failures are reported by the dialog base.
#pragma once

#include <string>
#include <vector>

#include "dialogs/form_controls.h"
#include "pds/Dialog.h"
#include "projects/project_finder.h"

namespace pds {

// What the dialog searches for: every project not yet listed, or one lost project.
enum ProjectSearchMode : int { kSearchFindAll = 0, kSearchFindProject = 1 };

class frmProjectSearch : public Dialog {
 public:
  frmProjectSearch();

  // ---- inputs, set before Show
  // kSearchFindAll or kSearchFindProject: captions, tool tips, help topic.
  void SetMode(int mode);
  // The search: target name (shown in mode 1), the folder to start in.
  void SetSpec(const ProjectSearchSpec& spec);
  void SetMessage(const std::string& message) { lblMessage.SetCaption(message); }
  void SetStartAtOnce(bool start) { start_at_once_ = start; }

  // ---- results, read after Show
  bool Accepted() const { return accepted_; }
  const ProjectSearchSpec& Spec() const { return spec_; }
  // The selected entry's name and folder when OK was pressed.
  const std::string& SelectedName() const { return selected_name_; }
  const std::string& SelectedFolder() const { return selected_folder_; }
  bool Busy() const { return busy_; }

  // Runs the search over the search folder and fills the list (does nothing
  // while a search runs).
  void DoSearch();

  Label& lblMessage = Add<Label>("lblMessage");
  Frame& fraProject = AddCaptioned<Frame>(*this, "fraProject", "Project");
  Label& lblProjectName = Add<Label>("lblProjectName");
  Frame& fraSearchFolder = AddCaptioned<Frame>(*this, "fraSearchFolder", "Search Folder");
  TextBox& txtSearchFolder = Add<TextBox>("txtSearchFolder");
  CommandButton& cmdChangePath = AddCaptioned<CommandButton>(*this, "cmdChangePath", "Change Path");
  CommandButton& cmdSearch = AddCaptioned<CommandButton>(*this, "cmdSearch", "Search");
  Frame& fraResults = AddCaptioned<Frame>(*this, "fraResults", "Search Results");
  ListView& lvwResults = Add<ListView>("lvwResults");
  Label& lblStatus = Add<Label>("lblStatus");
  Animation& aniSearch = Add<Animation>("aniSearch");
  CommandButton& cmdOK = Add<CommandButton>("cmdOK");
  CommandButton& cmdCancel = AddCaptioned<CommandButton>(*this, "cmdCancel", "Cancel");
  CommandButton& cmdHelp = AddCaptioned<CommandButton>(*this, "cmdHelp", "Help");

 protected:
  void Form_Activate() override;
  void Form_QueryUnload(bool& cancel, int unload_mode) override;

 private:
  void UpdateOKButton();
  void cmdChangePath_Click();
  void cmdOK_Click();
  void cmdCancel_Click();
  void cmdHelp_Click();

  int mode_ = kSearchFindAll;
  ProjectSearchSpec spec_;
  // The folder searched; the text box only shows it.
  std::string folder_;
  bool start_at_once_ = false;
  bool activated_ = false;
  bool busy_ = false;
  bool accepted_ = false;
  std::string selected_name_;
  std::string selected_folder_;
};

}  // namespace pds
