// The tag collections. The keyed collection underneath already folds letter
// case in its keys; what this file adds is the replace-on-add rule, the
// record set each collection keeps, and CurrentTag.
#include "pds/clsUnitTags.h"

#include "pds/db/db_helpers.h"

namespace pds {

// ---- clsUnitTags

clsUnitTags::~clsUnitTags() { clsUnitTags::Clear(); }

UnitTagRef clsUnitTags::Item(long position) const {
  const UnitTagRef* found = tags_.Find(position);
  return found ? *found : nullptr;
}

UnitTagRef clsUnitTags::Item(const std::string& name) const {
  const UnitTagRef* found = tags_.Find(KeyOf(name));
  return found ? *found : nullptr;
}

UnitTagRef clsUnitTags::Add(const std::string& name, std::int32_t index) {
  auto tag = std::make_shared<clsUnitTag>();
  const std::string key = KeyOf(name);
  tags_.TryRemove(key);
  tag->SetIndex(index);
  tag->SetName(name);
  tags_.TryAdd(tag, key);
  return tag;
}

bool clsUnitTags::RemoveKey(const std::string& name) { return tags_.TryRemove(KeyOf(name)); }

bool clsUnitTags::Remove(const std::string& name) { return Item(name) != nullptr && RemoveKey(name); }

bool clsUnitTags::Remove(long position) {
  // The position finds the entry, but the removal goes by the key the
  // position's text makes, so only a tag named like the number goes.
  return Item(position) != nullptr && Remove(std::to_string(position));
}

void clsUnitTags::Clear() {
  tags_.Clear();
  CloseRecordset(recordset_);
}

// ---- clsSelectedTags

clsSelectedTags::~clsSelectedTags() { clsSelectedTags::Clear(); }

UnitTagRef clsSelectedTags::Add(const std::string& sUnitTagName, std::int32_t lIndex) {
  current_ = clsUnitTags::Add(sUnitTagName, lIndex);
  return current_;
}

bool clsSelectedTags::Remove(const std::string& name) {
  if (Item(name) == nullptr) return false;
  if (current_ && current_->Name() == name) current_.reset();
  return RemoveKey(name);
}

void clsSelectedTags::Clear() {
  clsUnitTags::Clear();
  current_.reset();
}

}  // namespace pds
