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

#include "pds/Dialog.h"

namespace pds {

class clsProject;

// The choices Result() reports.
inline constexpr int kProjectInfoCancel = 1;
inline constexpr int kProjectInfoRetrieve = 2;
inline constexpr int kProjectInfoBrowse = 3;

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
  Label& lblGenName = Add<Label>("lblGenName");
  TextBox& txtGenName = Add<TextBox>("txtGenName");
  Label& lblArchiveVersion = Add<Label>("lblArchiveVersion");
  TextBox& txtArchiveVersion = Add<TextBox>("txtArchiveVersion");
  Label& lblArchiveCreated = Add<Label>("lblArchiveCreated");
  TextBox& txtArchiveCreated = Add<TextBox>("txtArchiveCreated");
  Label& lblArchiveModified = Add<Label>("lblArchiveModified");
  TextBox& txtArchiveModified = Add<TextBox>("txtArchiveModified");
  Label& lblApps = Add<Label>("lblApps");
  ListBox& lstApps = Add<ListBox>("lstApps");
  // "&Properties"
  Label& lblJobName = Add<Label>("lblJobName");
  TextBox& txtJobName = Add<TextBox>("txtJobName");
  Label& lblJobNumber = Add<Label>("lblJobNumber");
  TextBox& txtJobNumber = Add<TextBox>("txtJobNumber");
  Label& lblJobDate = Add<Label>("lblJobDate");
  TextBox& txtJobDate = Add<TextBox>("txtJobDate");
  Label& lblContactName = Add<Label>("lblContactName");
  TextBox& txtContactName = Add<TextBox>("txtContactName");
  Label& lblContactType = Add<Label>("lblContactType");
  TextBox& txtContactType = Add<TextBox>("txtContactType");
  Label& lblProjectManager = Add<Label>("lblProjectManager");
  TextBox& txtProjectManager = Add<TextBox>("txtProjectManager");
  Label& lblNotes = Add<Label>("lblNotes");
  TextBox& txtNotes = Add<TextBox>("txtNotes");
  Label& lblLastModified = Add<Label>("lblLastModified");
  TextBox& txtLastModified = Add<TextBox>("txtLastModified");
  // "&Item Data"
  Label& lblProperty = Add<Label>("lblProperty");
  ListBox& lstProperty = Add<ListBox>("lstProperty");
  Label& lblValue = Add<Label>("lblValue");
  TextBox& txtValue = Add<TextBox>("txtValue");

  CommandButton& cmdRetrieve = Add<CommandButton>("cmdRetrieve");
  CommandButton& cmdBrowse = Add<CommandButton>("cmdBrowse");
  CommandButton& cmdCancel = Add<CommandButton>("cmdCancel");
  CommandButton& cmdHelp = Add<CommandButton>("cmdHelp");

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
