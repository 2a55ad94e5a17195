#include "dialogs/frm_select.h"

#include <cstddef>

#include "pds/db/dao_constants.h"
#include "pds/db/db_helpers.h"
#include "pds/db/field.h"
#include "pds/db/jet_errors.h"
#include "pds/db/recordset.h"
#include "ui/dialog_messages.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "config/process_state.h"
#include "engine/sql_text.h"
#include "dialogs/project_search.h"
#include "pds/UiHost.h"
#include "tags/tag_store.h"
#include "dialogs/ok_cancel_form.h"

namespace pds {

namespace {

constexpr const char* kAllProjects = "Show All Projects (*.*)";
constexpr int kPdsgLength = 5;

// The last n characters of text (all of it when shorter).
std::string LastChars(const std::string& text, int n) {
  const int count = CharCount(text);
  if (count <= n) return text;
  return text.substr(CharPrefix(text, count - n).size());
}

struct ModeTexts {
  const char* caption;
  const char* ok_caption;
  const char* ok_tool_tip;
};

ModeTexts TextsFor(eProjectOperationMode mode) {
  switch (mode) {
    case OPEN_MODE: return {"Open Project", "Open", "Open the selected project"};
    case DELETE_MODE: return {"Delete Project", "Delete", "Delete the selected project"};
    case ARCHIVE_MODE: return {"Archive Project", "OK", ""};
    default: return {"Select Project", "OK", ""};
  }
}

}  // namespace

frmSelect::frmSelect() : Dialog("frmSelect") {
  SetCaption(TextsFor(SELECT_MODE).caption);
  lvwProjects.AddColumn("K0", "Name");
  lvwProjects.AddColumn("K1", "Location");
  lvwProjects.SetFullRowSelect(true);
  lvwProjects.SetHideSelection(false);
  cboType.SetStyle(vbComboDropdownList);
  SetUpOkCancelHelp(cmdOK, cmdCancel, cmdHelp);
  cmdOK.SetEnabled(false);
  cmdNew.SetVisible(false);

  cboType.Click = [this] { cboType_Click(); };
  lvwProjects.ItemClick = [this](ListItem& item) { lvwProjects_ItemClick(item); };
  lvwProjects.DblClick = [this] { lvwProjects_DblClick(); };
  lvwProjects.ColumnClick = [this](ColumnHeader& column) { lvwProjects_ColumnClick(column); };
  cmdOK.Click = [this] { cmdOK_Click(); };
  cmdNew.Click = [this] { cmdNew_Click(); };
  cmdFind.Click = [this] { cmdFind_Click(); };
  cmdCancel.Click = [this] { cmdCancel_Click(); };
  cmdHelp.Click = [this] { cmdHelp_Click(); };
}

void frmSelect::SetDefaultType(const std::string& pdsg) { default_type_ = Trim(pdsg); }

void frmSelect::SetCurrentProjectName(const std::string& name) { current_name_ = Trim(name); }

void frmSelect::Form_Activate() {
  // The dialog is activated again whenever a dialog it opened closes; the
  // set-up below must run once only, or it would reload and reselect.
  if (activated_) return;
  activated_ = true;

  cmdNew.SetVisible(mode_ == OPEN_MODE && show_new_button_);

  const ModeTexts texts = TextsFor(mode_);
  SetCaption(texts.caption);
  cmdOK.SetCaption(texts.ok_caption);
  cmdOK.SetToolTipText(texts.ok_tool_tip);
  SetHelpContextID(DialogHelpRequest(HelpDialog::kSelectProject, mode_).context);
  std::string heading = "Select Project:  ";
  if (!user_name_.empty()) heading += "  " + InBrackets("User:  " + user_name_);
  lblHeading.SetCaption(heading);

  if (server_) sort_projects_list_ = server_->SortProjectsList();
  FillTypeList();
  int preselect = 0;
  if (!default_type_.empty()) {
    for (int i = 0; i < cboType.ListCount(); ++i) {
      if (EqualsNoCase(LastChars(cboType.List(i), kPdsgLength), default_type_)) {
        preselect = i;
        break;
      }
    }
  }
  // Selecting the entry loads the list (cboType_Click).
  cboType.SetListIndex(preselect);

  if (lvwProjects.ItemCount() > 0 && !SelectProjectByName(current_name_)) {
    lvwProjects.SetSelectedItem(lvwProjects.Item(1));
    lvwProjects.EnsureVisible(lvwProjects.Item(1));
  }
  UpdateOKButton();
}

void frmSelect::FillTypeList() {
  cboType.Clear();
  cboType.AddItem(kAllProjects);
  for (const InstalledApp& app : Shared().installed_apps) {
    if (EqualsNoCase(app.Pdsg, kSharedPdsg) || (app.DataStyle & PROJECT_SUPPORT) == 0) continue;
    // The designation sits at the far end, out of sight behind the blanks,
    // and is read back as the entry's last five characters.
    cboType.AddItem(app.Name + "  " + app.Version + std::string(100, ' ') + app.Pdsg);
  }
}

std::string frmSelect::SelectedType() const {
  const int index = cboType.ListIndex();
  if (index <= 0) return {};
  return LastChars(cboType.List(index), kPdsgLength);
}

void frmSelect::LoadProjectList() {
  lvwProjects.ClearItems();
  // A sorted list view re-sorts on every added entry; the list is sorted once
  // when it is complete.
  lvwProjects.SetSorted(false);
  rows_.clear();
  const std::string type = SelectedType();
  const std::string sql = type.empty() ? std::string("SELECT * FROM Job")
                                       : "SELECT *  FROM Job WHERE lJobID IN (SELECT lJobID FROM JobUsage WHERE "
                                         "sPdsg = " + SqlTextLiteral(type) + ")";
  DbHandle db;
  RsHandle rs;
  if (!TryStatement([&] {
    if (OpenDbAndRecordset(db, rs, projects_db_, sql, db::dbOpenDynaset, true, true) != 0) {
      std::string message;
      const long number = Err().number;
      if (number == db::kErrOpenedExclusively || number == db::kErrFileInUse) {
        message = "Database File " + projects_db_ + " is currently in use.  " + "Please try again later.";
      }
      ShowError(message, vbCritical, "LoadProjectList()");
    } else {
      // One pass over one statement: the fields are looked up once, not per row.
      const db::Field& name = rs->Fields("sJobName");
      const db::Field& job_id = rs->Fields("lJobID");
      const db::Field& path = rs->Fields("sJobPath");
      while (!rs->Eof()) {
        Row row;
        row.name = name.Value().AsString();
        row.job_id = static_cast<std::int32_t>(job_id.Value().AsLong());
        row.path = path.Value().AsString();
        rows_.push_back(row);
        ListItem* item = lvwProjects.AddItem("K" + std::to_string(rows_.size()), row.name);
        if (item) item->SetSubItem(1, row.path);
        rs->MoveNext();
      }
    }
  })) {
    ShowError("", vbCritical, "LoadProjectList()");
  }
  CloseRecordset(rs);
  CloseDatabase(db);

  lvwProjects.SetSorted(sort_projects_list_);
  if (lvwProjects.ItemCount() > 0) {
    lvwProjects.SetSelectedItem(lvwProjects.Item(1));
    lvwProjects.EnsureVisible(lvwProjects.Item(1));
  }
  AutoSizeListColumns(lvwProjects);
  UpdateOKButton();
}

bool frmSelect::SelectProjectByName(const std::string& name) {
  if (name.empty()) return false;
  for (int i = 1; i <= lvwProjects.ItemCount(); ++i) {
    ListItem* item = lvwProjects.Item(i);
    if (EqualsNoCase(item->Text(), name)) {
      lvwProjects.SetSelectedItem(item);
      lvwProjects.EnsureVisible(item);
      return true;
    }
  }
  return false;
}

const frmSelect::Row* frmSelect::RowOf(const ListItem* item) const {
  if (!item) return nullptr;
  const std::string& key = item->Key();
  if (key.size() < 2 || (key[0] != 'K' && key[0] != 'k')) return nullptr;
  std::size_t number = 0;
  for (std::size_t i = 1; i < key.size(); ++i) {
    if (key[i] < '0' || key[i] > '9' || number > rows_.size()) return nullptr;
    number = number * 10 + static_cast<std::size_t>(key[i] - '0');
  }
  if (number < 1 || number > rows_.size()) return nullptr;
  return &rows_[number - 1];
}

void frmSelect::UpdateOKButton() { cmdOK.SetEnabled(lvwProjects.SelectedItem() != nullptr); }

bool frmSelect::FindAndAddProjects() {
  bool changed = false;
  pds::FindAndAddProjects(changed);
  return changed;
}

void frmSelect::cboType_Click() { LoadProjectList(); }

void frmSelect::lvwProjects_ItemClick(ListItem& /*item*/) { UpdateOKButton(); }

void frmSelect::lvwProjects_DblClick() {
  // A double click on empty space, or on an entry other than the selected
  // one, is not a choice.
  ListItem* pointed = lvwProjects.PointerItem();
  if (pointed && pointed == lvwProjects.SelectedItem()) cmdOK_Click();
}

void frmSelect::lvwProjects_ColumnClick(ColumnHeader& column) {
  const int key = column.Index() - 1;
  if (lvwProjects.Sorted() && lvwProjects.SortKey() == key) {
    lvwProjects.SetSortOrder(lvwProjects.SortOrder() == lvwAscending ? lvwDescending : lvwAscending);
  } else {
    lvwProjects.SetSortKey(key);
    lvwProjects.SetSortOrder(lvwAscending);
  }
  lvwProjects.SetSorted(true);
  sort_projects_list_ = true;
}

void frmSelect::cmdOK_Click() {
  const Row* row = RowOf(lvwProjects.SelectedItem());
  if (!row) return;
  // The list may be reloaded below, which replaces the stored rows.
  const Row chosen = *row;
  if (Trim(chosen.name).empty() || Trim(chosen.path).empty()) return;

  std::string message;
  if (DoesProjectExistInFolder(chosen.name, chosen.path, message)) {
    selected_name_ = chosen.name;
    selected_path_ = chosen.path;
    selected_job_id_ = chosen.job_id;
    accepted_ = true;
    Hide();
    return;
  }
  bool changed = false;
  ShowProjectNotFoundDialog(chosen.name, chosen.path, message, changed);
  if (changed) {
    LoadProjectList();
    SelectProjectByName(chosen.name);
    UpdateOKButton();
  }
}

void frmSelect::cmdNew_Click() {
  new_pressed_ = true;
  Hide();
}

void frmSelect::cmdFind_Click() {
  const ListItem* selected = lvwProjects.SelectedItem();
  const std::string noted = selected ? selected->Text() : std::string();
  if (FindAndAddProjects()) {
    LoadProjectList();
    SelectProjectByName(noted);
    UpdateOKButton();
  }
}

void frmSelect::cmdCancel_Click() { Hide(); }

void frmSelect::cmdHelp_Click() { ShowDialogHelp(*this, DialogHelpRequest(HelpDialog::kSelectProject, mode_)); }

}  // namespace pds
