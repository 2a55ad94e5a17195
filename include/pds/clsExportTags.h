// The export set: the tag data an application publishes into the shared
// TagIndex and TagData tables of a saved project's database. The application
// builds the tree (a clsExportTags of clsExportTag, each holding ordered
// clsExportItem key/value pairs) and hands it to
// clsProjectDataServer::ExportTagData, which writes one TagIndex row per tag
// and one TagData row per item.
//
// Plain value holders: nothing here touches a file or a database, and no
// member throws. Tags and items are shared by reference (std::shared_ptr), so
// an entry the caller keeps stays valid after it leaves its collection.
//
// Both collections key an entry by "K" & its name (a tag by its TagName, an
// item by its Key), compared without regard to case, so a name that looks
// like a number never collides with a position. Item(vIndex) reads a 16- or
// 32-bit integer as a 1-based position in insertion order and anything else
// as a name; a miss answers null. A tag added with an empty name has no key:
// it is counted and enumerated, but found by position only, and Delete cannot
// remove it (Delete removes under "K" & the entry's TagName or Key).
// Single-threaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pds/KeyedCollection.h"
#include "pds/Variant.h"

namespace pds {

// The zero date of a date property that was never set.
inline constexpr const char* kZeroDate = "1899-12-30 00:00:00";

class clsExportItem {
 public:
  const std::string& Key() const { return key_; }
  void SetKey(const std::string& value) { key_ = value; }
  // The item's value (the default property).
  const std::string& Value() const { return value_; }
  void SetValue(const std::string& value) { value_ = value; }
  std::int32_t SequenceNumber() const { return sequence_number_; }
  void SetSequenceNumber(std::int32_t value) { sequence_number_ = value; }

 private:
  std::string key_;
  std::string value_;
  std::int32_t sequence_number_ = 0;
};

using ExportItemRef = std::shared_ptr<clsExportItem>;

class clsExportTag {
 public:
  using const_iterator = KeyedCollection<ExportItemRef>::const_iterator;

  clsExportTag() = default;
  clsExportTag(const clsExportTag&) = delete;
  clsExportTag& operator=(const clsExportTag&) = delete;

  // The text properties are stored trimmed of blanks.
  const std::string& AppName() const { return app_name_; }
  void SetAppName(const std::string& value);
  const std::string& AppVersion() const { return app_version_; }
  void SetAppVersion(const std::string& value);
  const std::string& TagName() const { return tag_name_; }
  void SetTagName(const std::string& value);
  const std::string& StatusIndicator() const { return status_indicator_; }
  void SetStatusIndicator(const std::string& value);
  const std::string& LastModified() const { return last_modified_; }
  void SetLastModified(const std::string& value);
  const std::string& TableName() const { return table_name_; }
  void SetTableName(const std::string& value);
  double StreamVersion() const { return stream_version_; }
  void SetStreamVersion(double value) { stream_version_ = value; }
  std::int32_t LocalTagID() const { return local_tag_id_; }
  void SetLocalTagID(std::int32_t value) { local_tag_id_ = value; }
  std::int32_t EquipmentType() const { return equipment_type_; }
  void SetEquipmentType(std::int32_t value) { equipment_type_ = value; }
  // Date text "yyyy-mm-dd hh:mm:ss"; kZeroDate until set.
  const std::string& LastModifiedDate() const { return last_modified_date_; }
  void SetLastModifiedDate(const std::string& value) { last_modified_date_ = value; }

  std::int32_t ItemCount() const { return static_cast<std::int32_t>(items_.Count()); }
  // The item at a position (integer index) or of a key (any other index), or null.
  ExportItemRef Item(const Variant& vIndex) const;
  // Enumeration in insertion order (NewEnum).
  const_iterator begin() const { return items_.begin(); }
  const_iterator end() const { return items_.end(); }

  // A new item under "K" & sKey (the key is not trimmed), or null, changing
  // nothing, when the tag already has an item of that key.
  ExportItemRef AddTagData(const std::string& sKey, const std::string& sValue, std::int32_t lSeqNumber = 0);
  bool Clear();
  // Removes the item Item(vIndex) finds; false when none is found.
  bool Delete(const Variant& vIndex);

 private:
  std::string app_name_;
  std::string app_version_;
  std::string tag_name_;
  std::string status_indicator_;
  std::string last_modified_;
  std::string table_name_;
  double stream_version_ = 0;
  std::int32_t local_tag_id_ = 0;
  std::int32_t equipment_type_ = 0;
  std::string last_modified_date_ = kZeroDate;
  KeyedCollection<ExportItemRef> items_;
};

using ExportTagRef = std::shared_ptr<clsExportTag>;

class clsExportTags {
 public:
  using const_iterator = KeyedCollection<ExportTagRef>::const_iterator;

  clsExportTags() = default;
  clsExportTags(const clsExportTags&) = delete;
  clsExportTags& operator=(const clsExportTags&) = delete;

  std::int32_t Count() const { return static_cast<std::int32_t>(tags_.Count()); }
  // The tag at a position (integer index) or of a name (any other index), or null.
  ExportTagRef Item(const Variant& vIndex) const;
  const_iterator begin() const { return tags_.begin(); }
  const_iterator end() const { return tags_.end(); }

  // Both arguments are trimmed. A new tag named sName (under "K" & sName; an
  // empty name adds it without a key), or null, changing nothing, when a tag
  // of that name exists. A 5-character sPdsg gives AppName (its first three
  // characters) and AppVersion (the last two); any other length leaves both
  // empty.
  ExportTagRef AddTag(const std::string& sName = "", const std::string& sPdsg = "");
  bool Clear();
  // Removes the tag Item(vIndex) finds; false when none is found.
  bool Delete(const Variant& vIndex);

 private:
  KeyedCollection<ExportTagRef> tags_;
};

}  // namespace pds
