// frmSelect: the modal dialog through which the user picks one project of the
// projects list (the Job table of the user's projects database) to open,
// delete, archive or simply select, optionally filtered to the projects of
// one installed application. It reads the projects database only while it
// loads the list and never writes it; the not-found handling it starts may
// remove a project from the list (project_search.h).
//
// Use (SelectProject): create it, set the inputs, Show() it, read the
// results, UnloadDialog it. OK accepts the selected project only when its
// folder still holds it; otherwise the project-not-found dialog explains why
// and the select dialog stays open. New and Cancel close it without a project.
//
// Failures while loading the list are reported ("LoadProjectList()") and leave
// the list as far as it was filled; a projects database in use by someone
// else leaves it empty. Nothing here throws.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/form_controls.h"
#include "pds/Dialog.h"
#include "pds/Types.h"

namespace pds {

class TagStore;

class frmSelect : public Dialog {
 public:
  frmSelect();

  // ---- inputs, set before Show
  // Caption, OK button, its tool tip and the help topic follow the mode;
  // the New button needs OPEN_MODE as well as SetShowNewButton(true).
  void SetProjectMode(eProjectOperationMode mode) { mode_ = mode; }
  // A 5-character designation; the filter entry of that application is
  // preselected (trimmed, without regard to case). Blank or unknown: all projects.
  void SetDefaultType(const std::string& pdsg);
  void SetShowNewButton(bool show) { show_new_button_ = show; }
  // The service object the dialog works for: the list starts sorted when its
  // SortProjectsList is true (sorted when no service object is given).
  void SetServer(TagStore* server) { server_ = server; }
  // The list entry of this name (trimmed) is preselected.
  void SetCurrentProjectName(const std::string& name);
  // The projects database whose Job and JobUsage tables the list shows.
  void SetProjectsDb(const std::string& path) { projects_db_ = path; }
  // Shown in the heading when not empty (for installations that require a
  // user identity).
  void SetUserName(const std::string& user) { user_name_ = user; }

  // ---- results, read after Show
  // OK accepted a project whose folder holds it.
  bool Accepted() const { return accepted_; }
  // The user asked for a new project instead (Accepted stays false).
  bool NewPressed() const { return new_pressed_; }
  // The accepted project's name, folder (as listed) and key (lJobID); empty
  // and 0 unless Accepted.
  const std::string& SelectedName() const { return selected_name_; }
  const std::string& SelectedPath() const { return selected_path_; }
  std::int32_t SelectedJobID() const { return selected_job_id_; }
  // Whether the list is sorted; a click on a column header turns it on.
  bool SortProjectsList() const { return sort_projects_list_; }

  // Reloads the list from the projects database for the selected filter entry.
  void LoadProjectList();

  Label& lblHeading = Add<Label>("lblHeading");
  ListView& lvwProjects = Add<ListView>("lvwProjects");
  ComboBox& cboType = AddLabeled<ComboBox>(*this, "lblType", "List Projects of Type:", "cboType");
  CommandButton& cmdOK = Add<CommandButton>("cmdOK");
  CommandButton& cmdNew = AddCaptioned<CommandButton>(*this, "cmdNew", "New");
  CommandButton& cmdFind = AddCaptioned<CommandButton>(*this, "cmdFind", "Find");
  CommandButton& cmdCancel = Add<CommandButton>("cmdCancel");
  CommandButton& cmdHelp = Add<CommandButton>("cmdHelp");

 protected:
  void Form_Activate() override;

 private:
  struct Row {
    std::string name;
    std::int32_t job_id = 0;
    std::string path;
  };

  void FillTypeList();
  // The designation of the selected filter entry; empty for all projects.
  std::string SelectedType() const;
  // Selects the entry of this name (without regard to case) and scrolls it
  // into view; false when there is none.
  bool SelectProjectByName(const std::string& name);
  // The stored row of a list entry ("K" + its load position), or null.
  const Row* RowOf(const ListItem* item) const;
  void UpdateOKButton();
  // Searches for projects not yet on the list and adds the ones the user
  // picks; true when the list changed.
  bool FindAndAddProjects();

  void cboType_Click();
  void lvwProjects_ItemClick(ListItem& item);
  void lvwProjects_DblClick();
  void lvwProjects_ColumnClick(ColumnHeader& column);
  void cmdOK_Click();
  void cmdNew_Click();
  void cmdFind_Click();
  void cmdCancel_Click();
  void cmdHelp_Click();

  eProjectOperationMode mode_ = SELECT_MODE;
  std::string default_type_;
  bool show_new_button_ = false;
  TagStore* server_ = nullptr;
  std::string current_name_;
  std::string projects_db_;
  std::string user_name_;
  bool sort_projects_list_ = true;

  bool activated_ = false;
  std::vector<Row> rows_;

  bool accepted_ = false;
  bool new_pressed_ = false;
  std::string selected_name_;
  std::string selected_path_;
  std::int32_t selected_job_id_ = 0;
};

}  // namespace pds
