#include <algorithm>

#include "ui/messages.h"
#include "pds/PendingError.h"
#include "ui/handler_guard.h"
#include "pds/Dialog.h"
#include "pds/UiHost.h"

namespace pds {

namespace ui_detail {

bool RunGuarded(const std::string& handler_name, const std::function<void()>& fn) noexcept {
  try {
    fn();
    return true;
  } catch (...) {
    CatchToPending();
  }
  ShowError("", vbCritical, handler_name);
  return false;
}


}  // namespace ui_detail

using ui_detail::Quoted;

namespace {
bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Byte offset of character n (the end of the text when it has fewer).
std::size_t ByteOffset(const std::string& text, int n) {
  std::size_t i = 0;
  int seen = 0;
  while (i < text.size()) {
    if (!IsContinuationByte(text[i])) {
      if (seen == n) return i;
      ++seen;
    }
    ++i;
  }
  return text.size();
}
}  // namespace

int CharCount(const std::string& text) {
  int n = 0;
  for (char c : text) {
    if (!IsContinuationByte(c)) ++n;
  }
  return n;
}

std::string CharPrefix(const std::string& text, int n) {
  if (n <= 0) return {};
  return text.substr(0, ByteOffset(text, n));
}

const char* ControlKindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::kLabel: return "Label";
    case ControlKind::kTextBox: return "TextBox";
    case ControlKind::kCommandButton: return "CommandButton";
    case ControlKind::kCheckBox: return "CheckBox";
    case ControlKind::kOptionButton: return "OptionButton";
    case ControlKind::kComboBox: return "ComboBox";
    case ControlKind::kListBox: return "ListBox";
    case ControlKind::kListView: return "ListView";
    case ControlKind::kTabStrip: return "TabStrip";
    case ControlKind::kProgressBar: return "ProgressBar";
    case ControlKind::kFrame: return "Frame";
    case ControlKind::kAnimation: return "Animation";
  }
  return "Control";
}

// ---- Control

Control::Control(ControlKind kind, std::string name) : kind_(kind), name_(std::move(name)) {}
Control::~Control() = default;

bool Control::CanFocus() const {
  switch (kind_) {
    case ControlKind::kLabel:
    case ControlKind::kFrame:
    case ControlKind::kProgressBar:
    case ControlKind::kAnimation:
      return false;
    default:
      return true;
  }
}

void Control::Guard(const char* event, const std::function<void()>& fn) const {
  std::string where = (parent_ ? parent_->FormName() + "." : std::string()) + name_ + "_" + event;
  ui_detail::RunGuarded(where, fn);
}

void Control::FireClick() {
  if (Click) Guard("Click", Click);
}
void Control::FireDblClick() {
  if (DblClick) Guard("DblClick", DblClick);
}
void Control::FireChange() {
  if (Change) Guard("Change", Change);
}
void Control::FireGotFocus() {
  if (GotFocus) Guard("GotFocus", GotFocus);
}
void Control::FireLostFocus() {
  if (LostFocus) Guard("LostFocus", LostFocus);
}
void Control::FireKeyPress(int& key_ascii) {
  if (KeyPress) Guard("KeyPress", [&] { KeyPress(key_ascii); });
}
bool Control::FireValidate() {
  bool cancel = false;
  if (Validate) Guard("Validate", [&] { Validate(cancel); });
  return !cancel;
}

std::string Control::DescribeFlags() const {
  std::string s;
  if (!enabled_) s += " [disabled]";
  if (!visible_) s += " [hidden]";
  return s;
}

std::string Control::Describe() const {
  std::string s = name_ + " " + ControlKindName(kind_);
  if (!caption_.empty()) s += " " + Quoted(caption_);
  return s + DescribeFlags();
}

// ---- TextBox

void TextBox::SetText(std::string text) {
  sel_start_ = 0;
  sel_length_ = 0;
  if (text == text_) return;
  text_ = std::move(text);
  FireChange();
}

void TextBox::SetSelStart(int start) {
  int n = CharCount(text_);
  sel_start_ = std::clamp(start, 0, n);
  sel_length_ = std::min(sel_length_, n - sel_start_);
}

void TextBox::SetSelLength(int length) { sel_length_ = std::clamp(length, 0, CharCount(text_) - sel_start_); }

std::string TextBox::SelText() const {
  std::size_t b = ByteOffset(text_, sel_start_);
  std::size_t e = ByteOffset(text_, sel_start_ + sel_length_);
  return text_.substr(b, e - b);
}

void TextBox::SelectAll() {
  sel_start_ = 0;
  sel_length_ = CharCount(text_);
}

std::string TextBox::Describe() const {
  std::string s = Name() + " TextBox " + Quoted(text_);
  if (max_length_ > 0) s += " max " + std::to_string(max_length_);
  if (locked_) s += " [locked]";
  return s + DescribeFlags();
}

// ---- CommandButton

void CommandButton::SetDefault(bool is_default) {
  if (is_default && Parent()) {
    for (const auto& c : Parent()->Controls()) {
      if (auto* b = dynamic_cast<CommandButton*>(c.get())) b->default_ = false;
    }
  }
  default_ = is_default;
}

void CommandButton::SetCancel(bool is_cancel) {
  if (is_cancel && Parent()) {
    for (const auto& c : Parent()->Controls()) {
      if (auto* b = dynamic_cast<CommandButton*>(c.get())) b->cancel_ = false;
    }
  }
  cancel_ = is_cancel;
}

std::string CommandButton::Describe() const {
  std::string s = Name() + " CommandButton " + Quoted(Caption());
  if (default_) s += " default";
  if (cancel_) s += " cancel";
  return s + DescribeFlags();
}

// ---- CheckBox and OptionButton

bool CheckBox::SetValue(int value) {
  if (value != vbUnchecked && value != vbChecked && value != vbGrayed) return false;
  if (value == value_) return true;
  value_ = value;
  FireClick();
  return true;
}

std::string CheckBox::Describe() const {
  return Name() + " CheckBox " + Quoted(Caption()) + " = " + std::to_string(value_) + DescribeFlags();
}

void OptionButton::SetValue(bool value) {
  if (value == value_) return;
  value_ = value;
  if (!value) return;
  if (Parent()) {
    for (const auto& c : Parent()->Controls()) {
      auto* o = dynamic_cast<OptionButton*>(c.get());
      if (o && o != this && EqualsNoCase(o->group_, group_)) o->value_ = false;
    }
  }
  FireClick();
}

std::string OptionButton::Describe() const {
  return Name() + " OptionButton " + Quoted(Caption()) + (value_ ? " = on" : " = off") + DescribeFlags();
}

// ---- ListControl

std::string ListControl::List(int index) const {
  if (index < 0 || index >= ListCount()) return {};
  return items_[static_cast<std::size_t>(index)].text;
}

bool ListControl::SetList(int index, std::string text) {
  if (index < 0 || index >= ListCount()) return false;
  items_[static_cast<std::size_t>(index)].text = std::move(text);
  if (index == list_index_) OnListIndexChanged();
  return true;
}

long ListControl::ItemData(int index) const {
  if (index < 0 || index >= ListCount()) return 0;
  return items_[static_cast<std::size_t>(index)].data;
}

bool ListControl::SetItemData(int index, long data) {
  if (index < 0 || index >= ListCount()) return false;
  items_[static_cast<std::size_t>(index)].data = data;
  return true;
}

int ListControl::AddItem(std::string text, int index) {
  int at;
  if (sorted_) {
    std::string key = UCase(text);
    auto it = std::upper_bound(items_.begin(), items_.end(), key,
                               [](const std::string& k, const Item& item) { return k < UCase(item.text); });
    at = static_cast<int>(it - items_.begin());
  } else {
    at = (index < 0 || index > ListCount()) ? ListCount() : index;
  }
  items_.insert(items_.begin() + at, Item{std::move(text), 0, false});
  if (list_index_ >= at) ++list_index_;
  new_index_ = at;
  return at;
}

bool ListControl::RemoveItem(int index) {
  if (index < 0 || index >= ListCount()) return false;
  items_.erase(items_.begin() + index);
  if (index == list_index_) {
    list_index_ = -1;
    OnListIndexChanged();
  } else if (index < list_index_) {
    --list_index_;
  }
  return true;
}

void ListControl::Clear() {
  items_.clear();
  list_index_ = -1;
  new_index_ = -1;
  OnListIndexChanged();
}

int ListControl::FindItem(const std::string& text) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (EqualsNoCase(items_[i].text, text)) return static_cast<int>(i);
  }
  return -1;
}

bool ListControl::SetListIndex(int index) {
  if (index < -1 || index >= ListCount()) return false;
  if (index == list_index_) return true;
  list_index_ = index;
  OnListIndexChanged();
  FireClick();
  return true;
}

void ListControl::SetSorted(bool sorted) {
  sorted_ = sorted;
  if (!sorted) return;
  std::vector<std::size_t> order(items_.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [this](std::size_t a, std::size_t b) { return UCase(items_[a].text) < UCase(items_[b].text); });
  std::vector<Item> sorted_items;
  sorted_items.reserve(items_.size());
  int selected = -1;
  for (std::size_t k = 0; k < order.size(); ++k) {
    if (static_cast<int>(order[k]) == list_index_) selected = static_cast<int>(k);
    sorted_items.push_back(std::move(items_[order[k]]));
  }
  items_ = std::move(sorted_items);
  list_index_ = selected;
}

std::string ListControl::DescribeItems() const {
  std::string s;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    bool mark = static_cast<int>(i) == list_index_ || items_[i].selected;
    s += "\n    " + std::to_string(i) + (mark ? " * " : "   ") + Quoted(items_[i].text);
  }
  return s;
}

// ---- ComboBox

bool ComboBox::SetText(std::string text) {
  if (!Editable()) {
    int found = FindItem(text);
    if (found < 0) return false;
    return SetListIndex(found);
  }
  int match = -1;
  for (int i = 0; i < ListCount(); ++i) {
    if (List(i) == text) {
      match = i;
      break;
    }
  }
  list_index_ = match;
  if (text == text_) return true;
  text_ = std::move(text);
  FireChange();
  return true;
}

void ComboBox::OnListIndexChanged() { text_ = List(list_index_); }

std::string ComboBox::Describe() const {
  std::string s = Name() + " ComboBox " + Quoted(text_) + (Editable() ? "" : " list") +
                  " index " + std::to_string(list_index_);
  return s + DescribeFlags() + DescribeItems();
}

// ---- ListBox

bool ListBox::Selected(int index) const {
  if (index < 0 || index >= ListCount()) return false;
  if (multi_select_ == 0) return index == list_index_;
  return items_[static_cast<std::size_t>(index)].selected;
}

bool ListBox::SetSelected(int index, bool selected) {
  if (index < 0 || index >= ListCount()) return false;
  if (multi_select_ == 0) {
    if (selected) return SetListIndex(index);
    return index == list_index_ ? SetListIndex(-1) : true;
  }
  Item& item = items_[static_cast<std::size_t>(index)];
  if (item.selected == selected) return true;
  item.selected = selected;
  list_index_ = index;
  FireClick();
  return true;
}

int ListBox::SelCount() const {
  if (multi_select_ == 0) return list_index_ >= 0 ? 1 : 0;
  return static_cast<int>(std::count_if(items_.begin(), items_.end(), [](const Item& i) { return i.selected; }));
}

std::string ListBox::Describe() const {
  return Name() + " ListBox index " + std::to_string(list_index_) + DescribeFlags() + DescribeItems();
}

}  // namespace pds
