#include "tags/tag_store.h"

#include "pds/clsDataDef.h"
#include "pds/clsUnitTags.h"
#include "pds/db/db_helpers.h"
#include "ui/messages.h"

namespace pds {

TagStore::TagStore()
    : selected_tags_(std::make_unique<clsSelectedTags>()),
      unit_tags_(std::make_unique<clsUnitTags>()),
      data_def_(std::make_unique<clsDataDef>()) {}

TagStore::~TagStore() = default;

void TagStore::ReleaseDataFiles() {
  CloseDatabase(db_tag_);
  CloseRecordset(tag_index_rs_);
}

void TagStore::SetTagIndexName(const std::string& value) {
  if (!value.empty()) tag_index_name_ = value;
}

void TagStore::SetDataDefTbl(const std::string& value) {
  std::string trimmed = Trim(value);
  if (!trimmed.empty()) data_def_tbl_ = trimmed;
}

void TagStore::SetDefTagType(std::string& value) {
  value = Trim(value);
  if (!value.empty()) def_tag_type_ = value;
}

void TagStore::SetTagNameLengthLimit(std::int16_t value) {
  if (value >= 1 && value <= 255) tag_name_length_limit_ = value;
}

}  // namespace pds
