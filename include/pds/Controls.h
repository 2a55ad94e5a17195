// The controls of the component's dialog models: plain objects holding the
// state a dialog sets and a host renders (captions, texts, lists, check marks,
// enabled and visible states), with event slots named after the form events
// the dialogs handle (Click, Change, ItemCheck ...). Nothing here draws.
//
// Events follow the form toolkit the dialogs were designed against, because
// dialog behaviour relies on them: changing a text box's or an editable combo
// box's text fires Change; changing a list's ListIndex, a check box's Value,
// an option button's Value (to true) or a tab strip's selected tab fires
// Click; setting a list-view item's check mark or selection does not fire
// ItemCheck or ItemClick (only the user's actions, performed through Dialog,
// do). Events fire only when the value actually changes.
//
// A control belongs to one Dialog, which creates it (Dialog::Add) and owns
// it. Handlers run on the user-interface thread; a handler that raises is
// reported through the common error reporter and never propagates, so no
// member here throws. Text is UTF-8; lengths, limits and selections count
// characters (code points), not bytes.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace pds {

class Dialog;

enum class ControlKind {
  kLabel,
  kTextBox,
  kCommandButton,
  kCheckBox,
  kOptionButton,
  kComboBox,
  kListBox,
  kListView,
  kTabStrip,
  kProgressBar,
  kFrame,
  kAnimation,
};

// "Label", "TextBox" ... as shown in readable dumps.
const char* ControlKindName(ControlKind kind);

// Check box values.
enum CheckBoxValue : int { vbUnchecked = 0, vbChecked = 1, vbGrayed = 2 };

// Key codes of the keys dialogs react to.
inline constexpr int vbKeyReturn = 13;
inline constexpr int vbKeyEscape = 27;

// Combo box styles.
enum ComboBoxStyle : int { vbComboDropdown = 0, vbComboSimple = 1, vbComboDropdownList = 2 };

// List-view sort orders.
enum ListSortOrder : int { lvwAscending = 0, lvwDescending = 1 };

// Special column widths for ListView::SetColumnWidth: fit the contents, or fit
// the larger of the header and the contents.
inline constexpr int kColumnFitContents = -1;
inline constexpr int kColumnFitHeaderAndContents = -2;

// The number of characters (UTF-8 code points) in text.
int CharCount(const std::string& text);

// The first n characters of text.
std::string CharPrefix(const std::string& text, int n);

class Control {
 public:
  Control(ControlKind kind, std::string name);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlKind Kind() const { return kind_; }
  const std::string& Name() const { return name_; }
  // The dialog that owns the control; null until Dialog::Add registers it.
  Dialog* Parent() const { return parent_; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) { caption_ = std::move(caption); }
  const std::string& ToolTipText() const { return tool_tip_; }
  void SetToolTipText(std::string text) { tool_tip_ = std::move(text); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  bool Visible() const { return visible_; }
  void SetVisible(bool visible) { visible_ = visible; }
  int TabIndex() const { return tab_index_; }
  void SetTabIndex(int index) { tab_index_ = index; }
  // When false, moving the focus to this control does not validate the
  // control that loses it (typical for Cancel and Help buttons).
  bool CausesValidation() const { return causes_validation_; }
  void SetCausesValidation(bool causes) { causes_validation_ = causes; }

  // Whether the control can take the focus at all (labels, frames, progress
  // bars and animations cannot).
  bool CanFocus() const;

  // Event slots; an empty slot ignores the event.
  std::function<void()> Click;
  std::function<void()> DblClick;
  std::function<void()> Change;
  std::function<void()> GotFocus;
  std::function<void()> LostFocus;
  std::function<void(int& key_ascii)> KeyPress;  // set key_ascii to 0 to swallow the key
  std::function<void(bool& cancel)> Validate;    // set cancel to keep the focus

  // Run a slot; a handler that raises is reported, never propagated.
  void FireClick();
  void FireDblClick();
  void FireChange();
  void FireGotFocus();
  void FireLostFocus();
  void FireKeyPress(int& key_ascii);
  // True when the control may lose the focus.
  bool FireValidate();

  // The control's state in one or more readable lines, without a line end.
  virtual std::string Describe() const;

 protected:
  // Runs fn with failures reported under "form.control_event".
  void Guard(const char* event, const std::function<void()>& fn) const;
  std::string DescribeFlags() const;

 private:
  friend class Dialog;
  ControlKind kind_;
  std::string name_;
  Dialog* parent_ = nullptr;
  std::string caption_;
  std::string tool_tip_;
  bool enabled_ = true;
  bool visible_ = true;
  int tab_index_ = 0;
  bool causes_validation_ = true;
};

class Label : public Control {
 public:
  explicit Label(std::string name) : Control(ControlKind::kLabel, std::move(name)) {}
};

class Frame : public Control {
 public:
  explicit Frame(std::string name) : Control(ControlKind::kFrame, std::move(name)) {}
};

class TextBox : public Control {
 public:
  explicit TextBox(std::string name) : Control(ControlKind::kTextBox, std::move(name)) {}

  const std::string& Text() const { return text_; }
  // Replaces the text (not limited by MaxLength, as a program's assignment is
  // not), puts the caret at the start and fires Change when it differs.
  void SetText(std::string text);
  // The longest text the user can type; 0 means no limit.
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int max_length) { max_length_ = max_length < 0 ? 0 : max_length; }
  // A locked box shows its text but refuses the user's typing.
  bool Locked() const { return locked_; }
  void SetLocked(bool locked) { locked_ = locked; }
  bool MultiLine() const { return multi_line_; }
  void SetMultiLine(bool multi_line) { multi_line_ = multi_line; }

  // The selection, in characters; both are kept within the text.
  int SelStart() const { return sel_start_; }
  void SetSelStart(int start);
  int SelLength() const { return sel_length_; }
  void SetSelLength(int length);
  std::string SelText() const;
  void SelectAll();

  std::string Describe() const override;

 private:
  std::string text_;
  int max_length_ = 0;
  bool locked_ = false;
  bool multi_line_ = false;
  int sel_start_ = 0;
  int sel_length_ = 0;
};

class CommandButton : public Control {
 public:
  explicit CommandButton(std::string name) : Control(ControlKind::kCommandButton, std::move(name)) {}

  // The button Enter presses; making one button the default clears the flag
  // on the dialog's other buttons.
  bool Default() const { return default_; }
  void SetDefault(bool is_default);
  // The button Escape presses.
  bool Cancel() const { return cancel_; }
  void SetCancel(bool is_cancel);

  std::string Describe() const override;

 private:
  bool default_ = false;
  bool cancel_ = false;
};

class CheckBox : public Control {
 public:
  explicit CheckBox(std::string name) : Control(ControlKind::kCheckBox, std::move(name)) {}
  int Value() const { return value_; }
  // vbUnchecked, vbChecked or vbGrayed; other values are refused. Fires Click on a change.
  bool SetValue(int value);
  std::string Describe() const override;

 private:
  int value_ = vbUnchecked;
};

class OptionButton : public Control {
 public:
  explicit OptionButton(std::string name) : Control(ControlKind::kOptionButton, std::move(name)) {}
  bool Value() const { return value_; }
  // Setting true clears the other option buttons of the same group and fires Click.
  void SetValue(bool value);
  // Option buttons exclude each other within a group (their container); the
  // default group is the dialog itself.
  const std::string& Group() const { return group_; }
  void SetGroup(std::string group) { group_ = std::move(group); }
  std::string Describe() const override;

 private:
  bool value_ = false;
  std::string group_;
};

// What list boxes and combo boxes share: items with item data, the selected
// index (ListIndex, 0-based, -1 for none) and optional sorting.
class ListControl : public Control {
 public:
  int ListCount() const { return static_cast<int>(items_.size()); }
  // Empty text for an index out of range.
  std::string List(int index) const;
  bool SetList(int index, std::string text);
  long ItemData(int index) const;
  bool SetItemData(int index, long data);

  // Adds an item at index (the end for -1 or an index past it); a sorted list
  // puts it in its sorted place instead. Returns where it went (NewIndex).
  int AddItem(std::string text, int index = -1);
  int NewIndex() const { return new_index_; }
  bool RemoveItem(int index);
  void Clear();
  // The first item equal to text without regard to case, or -1.
  int FindItem(const std::string& text) const;

  int ListIndex() const { return list_index_; }
  // -1 or a valid index; false otherwise. Fires Click on a change.
  virtual bool SetListIndex(int index);

  // Sorted lists keep their items in order without regard to case.
  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);

 protected:
  ListControl(ControlKind kind, std::string name) : Control(kind, std::move(name)) {}
  struct Item {
    std::string text;
    long data = 0;
    bool selected = false;
  };
  virtual void OnListIndexChanged() {}
  std::string DescribeItems() const;

  std::vector<Item> items_;
  int list_index_ = -1;
  int new_index_ = -1;
  bool sorted_ = false;
};

class ComboBox : public ListControl {
 public:
  explicit ComboBox(std::string name) : ListControl(ControlKind::kComboBox, std::move(name)) {}

  int Style() const { return style_; }
  void SetStyle(int style) { style_ = style; }
  bool Editable() const { return style_ != vbComboDropdownList; }

  // The edit portion; in a drop-down list the selected item's text.
  const std::string& Text() const { return text_; }
  // Editable: replaces the text (Change on a difference) and points
  // ListIndex at an item of that text, or -1, without Click. Drop-down list:
  // selects the item of that text (Click), false when there is none.
  bool SetText(std::string text);

  std::string Describe() const override;

 protected:
  void OnListIndexChanged() override;

 private:
  int style_ = vbComboDropdown;
  std::string text_;
};

class ListBox : public ListControl {
 public:
  explicit ListBox(std::string name) : ListControl(ControlKind::kListBox, std::move(name)) {}

  // 0 single selection, 1 or 2 several items may be selected.
  int MultiSelect() const { return multi_select_; }
  void SetMultiSelect(int mode) { multi_select_ = mode; }
  bool Selected(int index) const;
  // In a single-selection list this is SetListIndex (index or -1).
  bool SetSelected(int index, bool selected);
  int SelCount() const;

  std::string Describe() const override;

 private:
  int multi_select_ = 0;
};

class ListView;

class ColumnHeader {
 public:
  int Index() const { return index_; }  // 1-based
  const std::string& Key() const { return key_; }
  const std::string& Text() const { return text_; }
  void SetText(std::string text) { text_ = std::move(text); }
  // In characters; the host adds its own margins.
  int Width() const { return width_; }
  void SetWidth(int width) { width_ = width < 0 ? 0 : width; }

 private:
  friend class ListView;
  int index_ = 0;
  std::string key_;
  std::string text_;
  int width_ = 0;
};

class ListItem {
 public:
  int Index() const { return index_; }  // 1-based, in display order
  const std::string& Key() const { return key_; }
  const std::string& Text() const { return text_; }
  void SetText(std::string text);
  const std::string& Tag() const { return tag_; }
  void SetTag(std::string tag) { tag_ = std::move(tag); }
  // The text of column i + 1 (i from 1); empty when never set.
  std::string SubItem(int i) const;
  void SetSubItem(int i, std::string text);
  // Column 0 is Text, column i is SubItem(i).
  std::string ColumnText(int column) const;

  bool Checked() const { return checked_; }
  void SetChecked(bool checked) { checked_ = checked; }
  bool Selected() const { return selected_; }
  // Selecting an item makes it the list's SelectedItem; no event fires.
  void SetSelected(bool selected);
  ListView* Owner() const { return owner_; }

 private:
  friend class ListView;
  ListView* owner_ = nullptr;
  int index_ = 0;
  std::string key_;
  std::string text_;
  std::string tag_;
  std::vector<std::string> sub_items_;
  bool checked_ = false;
  bool selected_ = false;
};

// A list view in report view: column headers, items with sub-items, optional
// check boxes, one selected item.
class ListView : public Control {
 public:
  explicit ListView(std::string name) : Control(ControlKind::kListView, std::move(name)) {}

  // ---- columns (1-based)
  // Null when the key is already taken (the pending error becomes 35602).
  ColumnHeader* AddColumn(std::string key, std::string text, int width = 0);
  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  ColumnHeader* Column(int index) const;
  ColumnHeader* Column(const std::string& key) const;
  void ClearColumns();
  // Sets the width of column index0 (0-based, as the list view's message
  // takes it); kColumnFitContents and kColumnFitHeaderAndContents size it to
  // the longest of its cells (and its header). False for a missing column.
  bool SetColumnWidth(int index0, int width);

  // ---- items (1-based)
  // Adds an item at index (0 or past the end: at the end); a sorted list puts
  // it in its sorted place. Keys are optional, unique, compared without
  // regard to case; a taken key gives null and sets the pending error 35602
  // ("Key is not unique in collection").
  ListItem* AddItem(std::string key, std::string text, int index = 0);
  int ItemCount() const { return static_cast<int>(items_.size()); }
  ListItem* Item(int index) const;
  ListItem* Item(const std::string& key) const;
  bool RemoveItem(int index);
  void ClearItems();

  // ---- selection
  ListItem* SelectedItem() const { return selected_; }
  // Selects item (null selects nothing); no event fires.
  void SetSelectedItem(ListItem* item);
  // The item under the pointer at the user's last click (null: empty space).
  ListItem* PointerItem() const { return pointer_item_; }
  void SetPointerItem(ListItem* item) { pointer_item_ = item; }
  // Scrolls item into view (hosts read it back).
  void EnsureVisible(ListItem* item) { visible_item_ = item; }
  ListItem* VisibleItem() const { return visible_item_; }
  int CheckedCount() const;

  // ---- appearance
  bool Checkboxes() const { return checkboxes_; }
  void SetCheckboxes(bool on) { checkboxes_ = on; }
  bool FullRowSelect() const { return full_row_select_; }
  void SetFullRowSelect(bool on) { full_row_select_ = on; }
  bool HideSelection() const { return hide_selection_; }
  void SetHideSelection(bool on) { hide_selection_ = on; }

  // ---- sorting: by the text of column SortKey (0-based) without regard to
  // case, ties in insertion order; item indexes follow the sorted order.
  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  int SortKey() const { return sort_key_; }
  void SetSortKey(int column0);
  int SortOrder() const { return sort_order_; }
  void SetSortOrder(int order);

  // Events of the user's actions on items and headers.
  std::function<void(ListItem&)> ItemCheck;
  std::function<void(ListItem&)> ItemClick;
  std::function<void(ColumnHeader&)> ColumnClick;
  void FireItemCheck(ListItem& item);
  void FireItemClick(ListItem& item);
  void FireColumnClick(ColumnHeader& column);

  std::string Describe() const override;

 private:
  friend class ListItem;
  void Sort();
  // Where a new item asked for at position `at` (0-based) goes in a sorted
  // list: among the items it ties with, the nearest place to `at`.
  std::size_t SortedPlace(const ListItem& item, std::size_t at) const;
  // Gives the items from position `from` (0-based) on their indexes.
  void Renumber(std::size_t from = 0);
  std::vector<std::unique_ptr<ColumnHeader>> columns_;
  std::vector<std::unique_ptr<ListItem>> items_;
  // The items that have a key, by the key in upper case.
  std::unordered_map<std::string, ListItem*> keyed_items_;
  ListItem* selected_ = nullptr;
  ListItem* pointer_item_ = nullptr;
  ListItem* visible_item_ = nullptr;
  bool checkboxes_ = false;
  bool full_row_select_ = false;
  bool hide_selection_ = true;
  bool sorted_ = false;
  int sort_key_ = 0;
  int sort_order_ = lvwAscending;
};

class TabStrip;

class Tab {
 public:
  int Index() const { return index_; }  // 1-based
  const std::string& Key() const { return key_; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) { caption_ = std::move(caption); }
  const std::string& Tag() const { return tag_; }
  void SetTag(std::string tag) { tag_ = std::move(tag); }

 private:
  friend class TabStrip;
  int index_ = 0;
  std::string key_;
  std::string caption_;
  std::string tag_;
};

class TabStrip : public Control {
 public:
  explicit TabStrip(std::string name) : Control(ControlKind::kTabStrip, std::move(name)) {}
  // The first tab added becomes the selected one (without Click).
  Tab* AddTab(std::string key, std::string caption);
  int TabCount() const { return static_cast<int>(tabs_.size()); }
  Tab* GetTab(int index) const;
  Tab* GetTab(const std::string& key) const;
  Tab* SelectedItem() const { return selected_; }
  // Selects tab index (1-based) and fires Click on a change; false for a missing tab.
  bool SetSelectedItem(int index);
  std::string Describe() const override;

 private:
  std::vector<std::unique_ptr<Tab>> tabs_;
  Tab* selected_ = nullptr;
};

class ProgressBar : public Control {
 public:
  explicit ProgressBar(std::string name) : Control(ControlKind::kProgressBar, std::move(name)) {}
  long Min() const { return min_; }
  long Max() const { return max_; }
  // The range; Value is pulled into it.
  void SetRange(long min, long max);
  long Value() const { return value_; }
  // Kept within Min..Max.
  void SetValue(long value);
  std::string Describe() const override;

 private:
  long min_ = 0;
  long max_ = 100;
  long value_ = 0;
};

// An animation area: which clip it shows and whether it plays.
class Animation : public Control {
 public:
  explicit Animation(std::string name) : Control(ControlKind::kAnimation, std::move(name)) {}
  void Open(std::string file) { file_ = std::move(file); }
  void Play() { playing_ = !file_.empty(); }
  void Stop() { playing_ = false; }
  void Close() {
    playing_ = false;
    file_.clear();
  }
  const std::string& File() const { return file_; }
  bool Playing() const { return playing_; }
  std::string Describe() const override;

 private:
  std::string file_;
  bool playing_ = false;
};

}  // namespace pds
