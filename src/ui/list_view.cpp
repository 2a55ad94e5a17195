#include <algorithm>

#include "ui/messages.h"
#include "pds/PendingError.h"
#include "ui/handler_guard.h"
#include "pds/Controls.h"

namespace pds {

using ui_detail::Quoted;

namespace {
void KeyNotUnique() { SetError(35602, "Key is not unique in collection"); }

// The 1-based item of a list view's columns or a tab strip's tabs; null out of range.
template <class T>
T* AtIndex(const std::vector<std::unique_ptr<T>>& items, int index) {
  if (index < 1 || index > static_cast<int>(items.size())) return nullptr;
  return items[static_cast<std::size_t>(index) - 1].get();
}

// The item whose key is key, compared without regard to case; an empty key names none.
template <class T>
T* WithKey(const std::vector<std::unique_ptr<T>>& items, const std::string& key) {
  for (const auto& item : items) {
    if (!item->Key().empty() && EqualsNoCase(item->Key(), key)) return item.get();
  }
  return nullptr;
}
}  // namespace

// ---- ListItem

void ListItem::SetText(std::string text) {
  text_ = std::move(text);
  if (owner_ && owner_->Sorted() && owner_->SortKey() == 0) owner_->Sort();
}

std::string ListItem::SubItem(int i) const {
  if (i < 1 || static_cast<std::size_t>(i) > sub_items_.size()) return {};
  return sub_items_[static_cast<std::size_t>(i) - 1];
}

void ListItem::SetSubItem(int i, std::string text) {
  if (i < 1) return;
  if (sub_items_.size() < static_cast<std::size_t>(i)) sub_items_.resize(static_cast<std::size_t>(i));
  sub_items_[static_cast<std::size_t>(i) - 1] = std::move(text);
  if (owner_ && owner_->Sorted() && owner_->SortKey() == i) owner_->Sort();
}

std::string ListItem::ColumnText(int column) const { return column == 0 ? text_ : SubItem(column); }

void ListItem::SetSelected(bool selected) {
  if (!owner_) {
    selected_ = selected;
  } else if (selected) {
    owner_->SetSelectedItem(this);
  } else if (owner_->SelectedItem() == this) {
    owner_->SetSelectedItem(nullptr);
  }
}

// ---- ListView columns

ColumnHeader* ListView::AddColumn(std::string key, std::string text, int width) {
  if (!key.empty() && Column(key)) {
    KeyNotUnique();
    return nullptr;
  }
  auto column = std::make_unique<ColumnHeader>();
  column->key_ = std::move(key);
  column->text_ = std::move(text);
  column->SetWidth(width);
  column->index_ = ColumnCount() + 1;
  columns_.push_back(std::move(column));
  return columns_.back().get();
}

ColumnHeader* ListView::Column(int index) const { return AtIndex(columns_, index); }

ColumnHeader* ListView::Column(const std::string& key) const { return WithKey(columns_, key); }

void ListView::ClearColumns() { columns_.clear(); }

bool ListView::SetColumnWidth(int index0, int width) {
  ColumnHeader* column = Column(index0 + 1);
  if (!column) return false;
  if (width != kColumnFitContents && width != kColumnFitHeaderAndContents) {
    column->SetWidth(width);
    return true;
  }
  int fit = width == kColumnFitHeaderAndContents ? CharCount(column->Text()) : 0;
  for (const auto& item : items_) fit = std::max(fit, CharCount(item->ColumnText(index0)));
  column->SetWidth(fit);
  return true;
}

// ---- ListView items

// Adding stays linear in the number of items added: the key is found by hash,
// a sorted list places the item by binary search (it is always kept sorted),
// and only the items after it are renumbered.
ListItem* ListView::AddItem(std::string key, std::string text, int index) {
  std::string folded = UCase(key);
  if (!folded.empty() && keyed_items_.count(folded) != 0) {
    KeyNotUnique();
    return nullptr;
  }
  auto item = std::make_unique<ListItem>();
  item->owner_ = this;
  item->key_ = std::move(key);
  item->text_ = std::move(text);
  ListItem* raw = item.get();
  std::size_t at = (index < 1 || index > ItemCount()) ? items_.size() : static_cast<std::size_t>(index) - 1;
  if (sorted_) at = SortedPlace(*raw, at);
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
  if (!folded.empty()) keyed_items_.emplace(std::move(folded), raw);
  Renumber(at);
  return raw;
}

ListItem* ListView::Item(int index) const {
  if (index < 1 || index > ItemCount()) return nullptr;
  return items_[static_cast<std::size_t>(index) - 1].get();
}

ListItem* ListView::Item(const std::string& key) const {
  if (key.empty()) return nullptr;
  auto it = keyed_items_.find(UCase(key));
  return it == keyed_items_.end() ? nullptr : it->second;
}

bool ListView::RemoveItem(int index) {
  ListItem* item = Item(index);
  if (!item) return false;
  if (selected_ == item) selected_ = nullptr;
  if (pointer_item_ == item) pointer_item_ = nullptr;
  if (visible_item_ == item) visible_item_ = nullptr;
  if (!item->key_.empty()) keyed_items_.erase(UCase(item->key_));
  items_.erase(items_.begin() + (index - 1));
  Renumber(static_cast<std::size_t>(index) - 1);
  return true;
}

void ListView::ClearItems() {
  items_.clear();
  keyed_items_.clear();
  selected_ = pointer_item_ = visible_item_ = nullptr;
}

void ListView::SetSelectedItem(ListItem* item) {
  if (item && item->owner_ != this) return;
  if (selected_) selected_->selected_ = false;
  selected_ = item;
  if (item) item->selected_ = true;
}

int ListView::CheckedCount() const {
  return static_cast<int>(std::count_if(items_.begin(), items_.end(), [](const auto& i) { return i->checked_; }));
}

// ---- sorting

void ListView::SetSorted(bool sorted) {
  sorted_ = sorted;
  if (sorted_) Sort();
}

void ListView::SetSortKey(int column0) {
  sort_key_ = column0 < 0 ? 0 : column0;
  if (sorted_) Sort();
}

void ListView::SetSortOrder(int order) {
  sort_order_ = order == lvwDescending ? lvwDescending : lvwAscending;
  if (sorted_) Sort();
}

void ListView::Sort() {
  // Each item's text is folded once, not at every comparison; the items move
  // only once every text is folded.
  struct Entry {
    std::string folded;
    std::unique_ptr<ListItem> item;
  };
  std::vector<Entry> entries(items_.size());
  for (std::size_t i = 0; i < items_.size(); ++i) entries[i].folded = UCase(items_[i]->ColumnText(sort_key_));
  for (std::size_t i = 0; i < items_.size(); ++i) entries[i].item = std::move(items_[i]);
  const bool descending = sort_order_ == lvwDescending;
  std::stable_sort(entries.begin(), entries.end(), [descending](const Entry& a, const Entry& b) {
    return descending ? b.folded < a.folded : a.folded < b.folded;
  });
  for (std::size_t i = 0; i < entries.size(); ++i) items_[i] = std::move(entries[i].item);
  Renumber();
}

std::size_t ListView::SortedPlace(const ListItem& item, std::size_t at) const {
  const std::string folded = UCase(item.ColumnText(sort_key_));
  const bool descending = sort_order_ == lvwDescending;
  // True when text a sorts strictly before text b.
  auto before = [descending](const std::string& a, const std::string& b) { return descending ? b < a : a < b; };
  auto lo = std::partition_point(items_.begin(), items_.end(),
                                 [&](const auto& i) { return before(UCase(i->ColumnText(sort_key_)), folded); });
  auto hi = std::partition_point(lo, items_.end(),
                                 [&](const auto& i) { return !before(folded, UCase(i->ColumnText(sort_key_))); });
  return std::clamp(at, static_cast<std::size_t>(lo - items_.begin()), static_cast<std::size_t>(hi - items_.begin()));
}

void ListView::Renumber(std::size_t from) {
  for (std::size_t i = from; i < items_.size(); ++i) items_[i]->index_ = static_cast<int>(i) + 1;
}

// ---- events

void ListView::FireItemCheck(ListItem& item) {
  if (ItemCheck) Guard("ItemCheck", [&] { ItemCheck(item); });
}

void ListView::FireItemClick(ListItem& item) {
  if (ItemClick) Guard("ItemClick", [&] { ItemClick(item); });
}

void ListView::FireColumnClick(ColumnHeader& column) {
  if (ColumnClick) Guard("ColumnClick", [&] { ColumnClick(column); });
}

std::string ListView::Describe() const {
  std::string s = Name() + " ListView columns";
  for (const auto& c : columns_) s += " " + Quoted(c->text_) + "(" + std::to_string(c->width_) + ")";
  if (checkboxes_) s += " [checkboxes]";
  if (sorted_) s += std::string(" sorted by ") + std::to_string(sort_key_) + (sort_order_ ? " desc" : " asc");
  s += DescribeFlags();
  for (const auto& i : items_) {
    s += "\n    " + std::to_string(i->index_);
    if (checkboxes_) s += i->checked_ ? " [x]" : " [ ]";
    s += i.get() == selected_ ? " * " : "   ";
    s += Quoted(i->text_);
    for (const std::string& sub : i->sub_items_) s += " | " + Quoted(sub);
  }
  return s;
}

// ---- TabStrip

Tab* TabStrip::AddTab(std::string key, std::string caption) {
  if (!key.empty() && GetTab(key)) {
    KeyNotUnique();
    return nullptr;
  }
  auto tab = std::make_unique<Tab>();
  tab->key_ = std::move(key);
  tab->caption_ = std::move(caption);
  tab->index_ = TabCount() + 1;
  tabs_.push_back(std::move(tab));
  if (!selected_) selected_ = tabs_.front().get();
  return tabs_.back().get();
}

Tab* TabStrip::GetTab(int index) const { return AtIndex(tabs_, index); }

Tab* TabStrip::GetTab(const std::string& key) const { return WithKey(tabs_, key); }

bool TabStrip::SetSelectedItem(int index) {
  Tab* tab = GetTab(index);
  if (!tab) return false;
  if (tab == selected_) return true;
  selected_ = tab;
  FireClick();
  return true;
}

std::string TabStrip::Describe() const {
  std::string s = Name() + " TabStrip";
  for (const auto& t : tabs_) s += (t.get() == selected_ ? " *" : " ") + Quoted(t->caption_);
  return s + DescribeFlags();
}

// ---- ProgressBar and Animation

void ProgressBar::SetRange(long min, long max) {
  min_ = min;
  max_ = std::max(min, max);
  value_ = std::clamp(value_, min_, max_);
}

void ProgressBar::SetValue(long value) { value_ = std::clamp(value, min_, max_); }

std::string ProgressBar::Describe() const {
  return Name() + " ProgressBar " + std::to_string(value_) + " of " + std::to_string(min_) + ".." +
         std::to_string(max_) + DescribeFlags();
}

std::string Animation::Describe() const {
  return Name() + " Animation " + Quoted(file_) + (playing_ ? " playing" : " stopped") + DescribeFlags();
}

}  // namespace pds
