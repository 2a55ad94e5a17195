// The tag collections: the tags of one tag type as an application sees them.
//
// clsUnitTag is one tag as an entry of a collection: a plain value holder.
// clsUnitTags holds the tags of one tag type (a table of the application's tag
// database), keyed by "K" & tag name with names compared without regard to
// case, so two names differing only in case are one entry (the later replaces
// the earlier). clsSelectedTags holds the tags the application has opened and
// remembers the most recently added one as CurrentTag.
//
// Entries are shared by reference (std::shared_ptr) between a collection and
// its callers: a caller that keeps an entry sees the component's later changes
// to it (a rename sets its Name) and may keep it after it left the
// collection. Each collection also keeps the record set its entries were
// loaded from (Recordset) and closes it when cleared or destroyed.
//
// The service object owns one clsUnitTags (UnitTags) and one clsSelectedTags
// (SelectedTags) for its whole life; the component's operations also make
// short-lived collections of their own. No member throws: a failed lookup
// answers null or False. Single-threaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pds/KeyedCollection.h"

namespace pds {

namespace db {
class Recordset;
}  // namespace db

class clsUnitTag {
 public:
  // The tag's name (the entry's default property).
  const std::string& Name() const { return name_; }
  void SetName(const std::string& value) { name_ = value; }
  // The tag's lTagId in its tag table.
  std::int32_t Index() const { return index_; }
  void SetIndex(std::int32_t value) { index_ = value; }
  // Display order.
  std::int32_t Order() const { return order_; }
  void SetOrder(std::int32_t value) { order_ = value; }
  // The tag's status, published as sStatusIndicator when the project is saved.
  std::int32_t Computed() const { return computed_; }
  void SetComputed(std::int32_t value) { computed_ = value; }
  // The tag has changes the application has not saved yet.
  bool Dirty() const { return dirty_; }
  void SetDirty(bool value) { dirty_ = value; }
  // The tag table (tag type) the entry came from.
  const std::string& Table() const { return table_; }
  void SetTable(const std::string& value) { table_ = value; }

 private:
  std::string name_;
  std::int32_t index_ = 0;
  std::int32_t order_ = 0;
  std::int32_t computed_ = 0;
  bool dirty_ = false;
  std::string table_;
};

using UnitTagRef = std::shared_ptr<clsUnitTag>;
using TagRecordset = std::shared_ptr<db::Recordset>;

class clsUnitTags {
 public:
  using const_iterator = KeyedCollection<UnitTagRef>::const_iterator;

  clsUnitTags() = default;
  virtual ~clsUnitTags();
  clsUnitTags(const clsUnitTags&) = delete;
  clsUnitTags& operator=(const clsUnitTags&) = delete;

  // The entry at a 1-based position in insertion order, or null.
  UnitTagRef Item(long position) const;
  // The entry of a tag name (without regard to case), or null. Item("2")
  // looks up the tag named "2", not the second entry.
  UnitTagRef Item(const std::string& name) const;
  long Count() const { return tags_.Count(); }
  // Enumeration in insertion order (NewEnum).
  const_iterator begin() const { return tags_.begin(); }
  const_iterator end() const { return tags_.end(); }
  // The record set the entries were loaded from; setting it replaces (does
  // not close) the one held before.
  const TagRecordset& Recordset() const { return recordset_; }
  void SetRecordset(const TagRecordset& rs) { recordset_ = rs; }

  // ---- for the component
  // A new entry with Index, then Name, set; an entry of the same name is
  // removed first. Returns the new entry.
  virtual UnitTagRef Add(const std::string& name, std::int32_t index);
  // Removes the entry of a name; False when there is none. Remove(position)
  // removes the key "K" & the position's digits when an entry stands at that
  // position, as the key text the caller gave, so it removes only a tag
  // named like the number.
  virtual bool Remove(const std::string& name);
  bool Remove(long position);
  // Removes every entry, then closes and releases Recordset.
  virtual void Clear();

 protected:
  bool RemoveKey(const std::string& name);

 private:
  KeyedCollection<UnitTagRef> tags_;
  TagRecordset recordset_;
};

class clsSelectedTags : public clsUnitTags {
 public:
  ~clsSelectedTags() override;

  // The most recently added or opened entry, or null.
  const UnitTagRef& CurrentTag() const { return current_; }
  void SetCurrentTag(const UnitTagRef& tag) { current_ = tag; }

  // As clsUnitTags::Add, and the new entry becomes CurrentTag. The arguments
  // are the caller's variables (in/out in the interface) and are not changed.
  UnitTagRef Add(const std::string& sUnitTagName, std::int32_t lIndex) override;
  using clsUnitTags::Remove;
  // As clsUnitTags::Remove; clears CurrentTag when its name equals the argument.
  bool Remove(const std::string& name) override;
  void Clear() override;

 private:
  UnitTagRef current_;
};

}  // namespace pds
