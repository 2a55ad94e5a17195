#include "dialogs/frm_project.h"

#include <cstdlib>

#include "pds/Text.h"
#include "pds/clsProject.h"
#include "ui/dialog_messages.h"

namespace pds {

frmProject::frmProject() : Dialog("frmProject"), project_(std::make_shared<clsProject>()) {
  SetHelpContextID(DialogHelpRequest(HelpDialog::kArchiveInformation).context);
  tabPages.AddTab("TAB1", "&General");
  tabPages.AddTab("TAB2", "&Properties");
  tabPages.AddTab("TAB3", "&Item Data");

  txtNotes.SetMultiLine(true);

  pages_ = {
      {&lblGenName, &txtGenName, &lblArchiveVersion, &txtArchiveVersion, &lblArchiveCreated, &txtArchiveCreated,
       &lblArchiveModified, &txtArchiveModified, &lblApps, &lstApps},
      {&lblJobName, &txtJobName, &lblJobNumber, &txtJobNumber, &lblJobDate, &txtJobDate, &lblContactName,
       &txtContactName, &lblContactType, &txtContactType, &lblProjectManager, &txtProjectManager, &lblNotes,
       &txtNotes, &lblLastModified, &txtLastModified},
      {&lblProperty, &lstProperty, &lblValue, &txtValue},
  };
  // The dialog only displays: every field shows its text and takes no typing.
  for (const auto& page : pages_) {
    for (Control* c : page) {
      if (c->Kind() == ControlKind::kTextBox) static_cast<TextBox*>(c)->SetLocked(true);
    }
  }

  cmdRetrieve.SetToolTipText("Retrieve application data for this project.");
  cmdRetrieve.SetDefault(true);
  cmdBrowse.SetToolTipText("Select a different project to retrieve.");
  cmdCancel.SetToolTipText("Cancel Retrieve operation.");
  cmdCancel.SetCancel(true);
  cmdCancel.SetCausesValidation(false);
  cmdHelp.SetToolTipText("Help on this screen.");
  cmdHelp.SetCausesValidation(false);

  tabPages.Click = [this] {
    // The page number follows "TAB" in the selected tab's key.
    const Tab* tab = tabPages.SelectedItem();
    if (tab != nullptr && tab->Key().size() > 3) ShowPage(std::atoi(tab->Key().c_str() + 3));
  };
  lstProperty.Click = [this] { lstProperty_Click(); };
  cmdRetrieve.Click = [this] { Finish(kProjectInfoRetrieve); };
  cmdBrowse.Click = [this] { Finish(kProjectInfoBrowse); };
  cmdCancel.Click = [this] { Finish(kProjectInfoCancel); };
  cmdHelp.Click = [this] { ShowDialogHelp(*this, DialogHelpRequest(HelpDialog::kArchiveInformation)); };
  ShowPage(1);
}

void frmProject::ClearApps() {
  lstApps.Clear();
  app_keys_.clear();
}

void frmProject::AddApp(const std::string& text, const std::string& key) {
  lstApps.AddItem(text);
  app_keys_.push_back(key);
}

void frmProject::SetProject(std::shared_ptr<clsProject> project) {
  project_ = project ? std::move(project) : std::make_shared<clsProject>();
  FillPages();
}

void frmProject::FillPages() {
  const clsProject& p = *project_;
  txtGenName.SetText(p.JobName());
  txtJobName.SetText(p.JobName());
  txtJobNumber.SetText(p.JobNumber());
  txtJobDate.SetText(p.JobDate());
  txtContactName.SetText(p.ContactName());
  txtContactType.SetText(p.ContactType());
  txtProjectManager.SetText(p.SalesPerson());
  txtNotes.SetText(p.Notes());
  txtLastModified.SetText(p.LastModified());
}

void frmProject::ClearItemData() {
  item_data_.clear();
  lstProperty.Clear();
  txtValue.SetText("");
}

void frmProject::SetItemData(const std::string& property, const std::string& value) {
  std::size_t at = item_data_.size();
  for (std::size_t i = 0; i < item_data_.size() && at == item_data_.size(); ++i) {
    if (EqualsNoCase(item_data_[i].first, property)) at = i;
  }
  for (std::size_t i = 0; i < item_data_.size() && at == item_data_.size(); ++i) {
    if (item_data_[i].first.empty()) at = i;
  }
  const int index = static_cast<int>(at);
  if (at == item_data_.size()) {
    item_data_.emplace_back(property, value);
    lstProperty.AddItem(property);
  } else {
    item_data_[at] = {property, value};
    lstProperty.SetList(index, property);
  }
  if (lstProperty.ListIndex() == index) txtValue.SetText(value);
}

void frmProject::lstProperty_Click() {
  const int index = lstProperty.ListIndex();
  const bool valid = index >= 0 && index < static_cast<int>(item_data_.size());
  txtValue.SetText(valid ? item_data_[static_cast<std::size_t>(index)].second : std::string());
}

void frmProject::ShowPage(int page) {
  if (page < 1 || page > static_cast<int>(pages_.size())) return;
  current_page_ = page;
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    for (Control* c : pages_[i]) c->SetVisible(static_cast<int>(i) + 1 == page);
  }
}

void frmProject::Finish(int result) {
  result_ = result;
  Hide();
}

void frmProject::Form_QueryUnload(bool& cancel, int unload_mode) {
  // The close box is a Cancel; the dialog stays loaded for the caller, who
  // destroys it after reading the result.
  if (unload_mode == vbFormControlMenu) {
    cancel = true;
    ClearApps();
    Finish(kProjectInfoCancel);
  }
}

}  // namespace pds
