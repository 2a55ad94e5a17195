// frmProject, the archive information dialog: what a chosen archive holds
// (the archived project's name and properties, the archive's version and
// dates, the applications with data in it) and the user's choice of
// Retrieve, Browse (another archive) or Cancel.
//
// The dialog only displays: the retrieve reads and checks the archive, fills
// the dialog, shows it and reads Result(). Any button hides the dialog; the
// close box hides it too (the caller destroys it) as a Cancel, and empties the
// application list. The "&Item Data" page holds (property, value) pairs that
// the caller may set; the retrieve itself leaves it empty.
//
// Three pages on one tab strip, keyed "TAB1".."TAB3"; selecting a tab shows
// the controls of its page and hides the others'. Nothing here throws.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dialogs/form_controls.h"
#include "pds/Dialog.h"

namespace pds {

class clsProject;

// The choices Result() reports.
enum ProjectInfoChoice : int { kProjectInfoCancel = 1, kProjectInfoRetrieve = 2, kProjectInfoBrowse = 3 };

class frmProject : public Dialog {
 public:
  frmProject();

  // ---- content, set before Show
  void ClearApps();
  void AddApp(const std::string& text, const std::string& key);
  int AppCount() const { return lstApps.ListCount(); }
  const std::vector<std::string>& AppKeys() const { return app_keys_; }
  void SetArchiveVersion(const std::string& version) { txtArchiveVersion.SetText(version); }
  void SetArchiveCreated(const std::string& when) { txtArchiveCreated.SetText(when); }
  void SetArchiveModified(const std::string& when) { txtArchiveModified.SetText(when); }
  // Takes the archived record (null keeps an empty one) and fills the pages from it.
  void SetProject(std::shared_ptr<clsProject> project);
  const std::shared_ptr<clsProject>& Project() const { return project_; }
  // Fills the "&General" and "&Properties" fields from the record.
  void FillPages();

  // ---- the "&Item Data" page
  // Empties the pairs, the property list and the value field.
  void ClearItemData();
  // Sets the value of the pair named property (names compared without regard
  // to case); without one, the first pair with an empty name takes it; else
  // a pair is appended.
  void SetItemData(const std::string& property, const std::string& value);
  const std::vector<std::pair<std::string, std::string>>& ItemData() const { return item_data_; }

  // The page now shown (1..3).
  int CurrentPage() const { return current_page_; }
  // kProjectInfoCancel, kProjectInfoRetrieve or kProjectInfoBrowse; 0 until a
  // button or the close box ends the dialog.
  int Result() const { return result_; }

  TabStrip& tabPages = Add<TabStrip>("tabPages");
  // "&General"
  Label& lblGenName = AddCaptioned<Label>(*this, "lblGenName", "Project Name:");
  TextBox& txtGenName = Add<TextBox>("txtGenName");
  Label& lblArchiveVersion = AddCaptioned<Label>(*this, "lblArchiveVersion", "Master Archive Version:");
  TextBox& txtArchiveVersion = Add<TextBox>("txtArchiveVersion");
  Label& lblArchiveCreated = AddCaptioned<Label>(*this, "lblArchiveCreated", "Archive Created:");
  TextBox& txtArchiveCreated = Add<TextBox>("txtArchiveCreated");
  Label& lblArchiveModified = AddCaptioned<Label>(*this, "lblArchiveModified", "Archive Last Modified:");
  TextBox& txtArchiveModified = Add<TextBox>("txtArchiveModified");
  Label& lblApps = AddCaptioned<Label>(*this, "lblApps", "Contains Data For:");
  ListBox& lstApps = Add<ListBox>("lstApps");
  // "&Properties"
  Label& lblJobName = AddCaptioned<Label>(*this, "lblJobName", "Project Name:");
  TextBox& txtJobName = Add<TextBox>("txtJobName");
  Label& lblJobNumber = AddCaptioned<Label>(*this, "lblJobNumber", "Project Number:");
  TextBox& txtJobNumber = Add<TextBox>("txtJobNumber");
  Label& lblJobDate = AddCaptioned<Label>(*this, "lblJobDate", "Project Date:");
  TextBox& txtJobDate = Add<TextBox>("txtJobDate");
  Label& lblContactName = AddCaptioned<Label>(*this, "lblContactName", "Contact Name:");
  TextBox& txtContactName = Add<TextBox>("txtContactName");
  Label& lblContactType = AddCaptioned<Label>(*this, "lblContactType", "Contact Type:");
  TextBox& txtContactType = Add<TextBox>("txtContactType");
  Label& lblProjectManager = AddCaptioned<Label>(*this, "lblProjectManager", "Project Manager:");
  TextBox& txtProjectManager = Add<TextBox>("txtProjectManager");
  Label& lblNotes = AddCaptioned<Label>(*this, "lblNotes", "Notes:");
  TextBox& txtNotes = Add<TextBox>("txtNotes");
  Label& lblLastModified = AddCaptioned<Label>(*this, "lblLastModified", "Last Modified:");
  TextBox& txtLastModified = Add<TextBox>("txtLastModified");
  // "&Item Data"
  Label& lblProperty = AddCaptioned<Label>(*this, "lblProperty", "Property:");
  ListBox& lstProperty = Add<ListBox>("lstProperty");
  Label& lblValue = AddCaptioned<Label>(*this, "lblValue", "Value:");
  TextBox& txtValue = Add<TextBox>("txtValue");

  CommandButton& cmdRetrieve = AddCaptioned<CommandButton>(*this, "cmdRetrieve", "&Retrieve");
  CommandButton& cmdBrowse = AddCaptioned<CommandButton>(*this, "cmdBrowse", "&Browse...");
  CommandButton& cmdCancel = AddCaptioned<CommandButton>(*this, "cmdCancel", "Cancel");
  CommandButton& cmdHelp = AddCaptioned<CommandButton>(*this, "cmdHelp", "&Help");

 protected:
  void Form_QueryUnload(bool& cancel, int unload_mode) override;

 private:
  void ShowPage(int page);
  void Finish(int result);
  void lstProperty_Click();

  std::vector<std::vector<Control*>> pages_;
  std::vector<std::string> app_keys_;
  std::vector<std::pair<std::string, std::string>> item_data_;
  std::shared_ptr<clsProject> project_;
  int current_page_ = 1;
  int result_ = 0;
};

}  // namespace pds
