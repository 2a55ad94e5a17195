// The collections of the database object model (TableDefs, Fields, Indexes,
// Relations): items in order, found by position (from 0) or by name without
// regard to case. A missing item is error 3265 ("Item not found in this
// collection."), as callers test for.
//
// The object that owns a collection decides what Append, Delete and Refresh
// do (create a table, add a column ...) through hooks it installs; a collection
// without a hook refuses that operation with 3219 (a record set's fields cannot
// be appended to). A sync hook, when installed, runs before every read so the
// collection reflects the database's current definitions.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pds/db/jet_errors.h"

namespace pds::db {

bool SameObjectName(std::string_view a, std::string_view b);

template <class T>
class Collection {
 public:
  using Items = std::vector<std::shared_ptr<T>>;

  int Count() {
    Sync();
    return static_cast<int>(items_.size());
  }

  // The item called `name`; throws 3265 when there is none.
  std::shared_ptr<T> Item(std::string_view name) {
    std::shared_ptr<T> found = Find(name);
    if (!found) RaiseJet(kErrItemNotFound);
    return found;
  }
  std::shared_ptr<T> Item(const char* name) { return Item(std::string_view(name)); }
  std::shared_ptr<T> Item(const std::string& name) { return Item(std::string_view(name)); }

  // The item at `index`, counting from 0; throws 3265 out of range.
  std::shared_ptr<T> Item(int index) {
    Sync();
    if (index < 0 || static_cast<std::size_t>(index) >= items_.size()) RaiseJet(kErrItemNotFound);
    return items_[static_cast<std::size_t>(index)];
  }

  // The item called `name`, or null.
  std::shared_ptr<T> Find(std::string_view name) {
    Sync();
    for (const auto& item : items_) {
      if (SameObjectName(item->Name(), name)) return item;
    }
    return nullptr;
  }

  void Append(std::shared_ptr<T> item) {
    if (!item) RaiseJet(kErrObjectInvalid);
    if (!append_) RaiseJet(kErrInvalidOperation);
    append_(std::move(item));
  }

  void Delete(std::string_view name) {
    if (!delete_) RaiseJet(kErrInvalidOperation);
    delete_(name);
  }

  void Refresh() {
    if (refresh_) refresh_();
  }

  // Iteration walks the items as they were when it began, so deleting the
  // current item (a table, a relation) inside the loop is safe.
  class iterator {
   public:
    iterator(std::shared_ptr<const Items> items, std::size_t at) : items_(std::move(items)), at_(at) {}
    std::shared_ptr<T> operator*() const { return (*items_)[at_]; }
    iterator& operator++() {
      ++at_;
      return *this;
    }
    bool operator!=(const iterator& other) const { return at_ != other.at_; }

   private:
    std::shared_ptr<const Items> items_;
    std::size_t at_;
  };
  iterator begin() {
    Sync();
    snapshot_ = std::make_shared<const Items>(items_);
    return iterator(snapshot_, 0);
  }
  iterator end() { return iterator(snapshot_, snapshot_ ? snapshot_->size() : 0); }

  // ---- for the owning object
  Items& items() { return items_; }
  void SetHooks(std::function<void(std::shared_ptr<T>)> append, std::function<void(std::string_view)> remove,
                std::function<void()> refresh, std::function<void()> sync) {
    append_ = std::move(append);
    delete_ = std::move(remove);
    refresh_ = std::move(refresh);
    sync_ = std::move(sync);
  }

 private:
  void Sync() {
    if (sync_) sync_();
  }

  Items items_;
  std::shared_ptr<const Items> snapshot_;
  std::function<void(std::shared_ptr<T>)> append_;
  std::function<void(std::string_view)> delete_;
  std::function<void()> refresh_;
  std::function<void()> sync_;
};

class Field;
class Index;
class TableDef;
class Relation;
using FieldCollection = Collection<Field>;
using IndexCollection = Collection<Index>;
using TableDefCollection = Collection<TableDef>;
using RelationCollection = Collection<Relation>;

}  // namespace pds::db
