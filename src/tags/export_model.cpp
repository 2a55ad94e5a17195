// The export set's collections. The keyed collection underneath folds letter
// case in its keys; this file adds the "K" & name keys, the reading of an
// index as a position or a name, and the refusal of a second entry of a name.
#include "pds/clsExportTags.h"

#include "pds/Controls.h"
#include "pds/Text.h"

namespace pds {

namespace {

// The designation of an application with its version: three characters of
// application code, two of version.
constexpr int kCodedDesignationLength = 5;

// Only the integer kinds stand for a position; a number given as text or as a
// floating-point value is a name, as the language's collections read it.
bool IsPosition(const Variant& index) {
  return index.kind() == Variant::Kind::Integer || index.kind() == Variant::Kind::Long;
}

template <class T>
std::shared_ptr<T> Lookup(const KeyedCollection<std::shared_ptr<T>>& entries, const Variant& index) {
  const std::shared_ptr<T>* found =
      IsPosition(index) ? entries.Find(static_cast<long>(index.AsLong())) : entries.Find(KeyOf(index.AsString()));
  return found ? *found : nullptr;
}

}  // namespace

// ---- clsExportTag

void clsExportTag::SetAppName(const std::string& value) { app_name_ = Trim(value); }
void clsExportTag::SetAppVersion(const std::string& value) { app_version_ = Trim(value); }
void clsExportTag::SetTagName(const std::string& value) { tag_name_ = Trim(value); }
void clsExportTag::SetStatusIndicator(const std::string& value) { status_indicator_ = Trim(value); }
void clsExportTag::SetLastModified(const std::string& value) { last_modified_ = Trim(value); }
void clsExportTag::SetTableName(const std::string& value) { table_name_ = Trim(value); }

ExportItemRef clsExportTag::Item(const Variant& vIndex) const { return Lookup(items_, vIndex); }

ExportItemRef clsExportTag::AddTagData(const std::string& sKey, const std::string& sValue, std::int32_t lSeqNumber) {
  if (Item(Variant(sKey))) return nullptr;
  auto item = std::make_shared<clsExportItem>();
  item->SetKey(sKey);
  item->SetValue(sValue);
  item->SetSequenceNumber(lSeqNumber);
  items_.TryAdd(item, KeyOf(sKey));
  return item;
}

bool clsExportTag::Clear() {
  while (items_.Count() > 0) items_.TryRemove(1L);
  return true;
}

bool clsExportTag::Delete(const Variant& vIndex) {
  const ExportItemRef item = Item(vIndex);
  return item && items_.TryRemove(KeyOf(item->Key()));
}

// ---- clsExportTags

ExportTagRef clsExportTags::Item(const Variant& vIndex) const { return Lookup(tags_, vIndex); }

ExportTagRef clsExportTags::AddTag(const std::string& sName, const std::string& sPdsg) {
  const std::string name = Trim(sName);
  const std::string designation = Trim(sPdsg);
  if (Item(Variant(name))) return nullptr;
  auto tag = std::make_shared<clsExportTag>();
  if (name.empty()) {
    tags_.TryAdd(tag);
  } else {
    tag->SetTagName(name);
    tags_.TryAdd(tag, KeyOf(name));
  }
  if (CharCount(designation) == kCodedDesignationLength) {
    const std::string code = CharPrefix(designation, 3);
    tag->SetAppName(code);
    tag->SetAppVersion(designation.substr(code.size()));
  }
  return tag;
}

bool clsExportTags::Clear() {
  while (tags_.Count() > 0) tags_.TryRemove(1L);
  return true;
}

bool clsExportTags::Delete(const Variant& vIndex) {
  const ExportTagRef tag = Item(vIndex);
  return tag && tags_.TryRemove(KeyOf(tag->TagName()));
}

}  // namespace pds
