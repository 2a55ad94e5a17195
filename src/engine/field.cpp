#include "pds/db/field.h"

#include "engine/field_values.h"
#include "pds/db/jet_errors.h"
#include "pds/db/recordset.h"
#include "pds/db/table_def.h"

namespace pds::db {

Field::Field(std::string name, int type, long size) {
  meta_.name = std::move(name);
  meta_.type = type;
  meta_.size = size;
  meta_.attributes = DefaultFieldAttributes(type);
}

Field::~Field() = default;

void Field::AttachToRecordset(Recordset* rs, int column, bool updatable, std::string source_table,
                              std::string source_field) {
  recordset_ = rs;
  column_ = column;
  updatable_ = updatable;
  source_table_ = std::move(source_table);
  source_field_ = std::move(source_field);
}

void Field::Detach() {
  if (recordset_ || table_) detached_ = true;
  recordset_ = nullptr;
  table_ = nullptr;
}

void Field::RefuseInRecordset() const {
  if (detached_) RaiseJet(kErrObjectInvalid);
  if (recordset_) RaiseJet(kErrInvalidOperation);
}

void Field::Change(const FieldMeta& changed) {
  RefuseInRecordset();
  if (table_) {
    table_->ChangeField(changed);  // refreshes meta_ through the table's sync
    meta_ = changed;
    return;
  }
  meta_ = changed;
}

void Field::SetName(std::string name) {
  RefuseInRecordset();
  if (table_) RaiseJet(kErrInvalidOperation);
  meta_.name = std::move(name);
}

void Field::SetType(int type) {
  RefuseInRecordset();
  if (table_) RaiseJet(kErrInvalidOperation);
  // A field defined with another type keeps no attributes of the old one.
  if ((meta_.attributes & (dbFixedField | dbVariableField)) == DefaultFieldAttributes(meta_.type)) {
    meta_.attributes = (meta_.attributes & ~(dbFixedField | dbVariableField)) | DefaultFieldAttributes(type);
  }
  meta_.type = type;
}

long Field::Size() const { return EffectiveFieldSize(meta_.type, meta_.size); }

void Field::SetSize(long size) {
  FieldMeta m = meta_;
  m.size = size;
  Change(m);
}

long Field::Attributes() const { return meta_.attributes | (recordset_ && updatable_ ? dbUpdatableField : 0); }

void Field::SetAttributes(long attributes) {
  FieldMeta m = meta_;
  m.attributes = attributes & ~static_cast<long>(dbUpdatableField);
  Change(m);
}

void Field::SetAllowZeroLength(bool allow) {
  FieldMeta m = meta_;
  m.allow_zero_length = allow;
  Change(m);
}

void Field::SetOrdinalPosition(int position) {
  FieldMeta m = meta_;
  m.ordinal = position;
  Change(m);
  ordinal_set_ = true;
}

void Field::SetRequired(bool required) {
  FieldMeta m = meta_;
  m.required = required;
  Change(m);
}

void Field::SetDefaultValue(std::string value) {
  FieldMeta m = meta_;
  m.default_value = std::move(value);
  Change(m);
}

void Field::SetForeignName(std::string name) {
  RefuseInRecordset();
  foreign_name_ = std::move(name);
}

Variant Field::Value() const {
  if (detached_) RaiseJet(kErrObjectInvalid);
  if (!recordset_) RaiseJet(kErrInvalidOperation);
  return recordset_->ColumnValue(column_);
}

void Field::SetValue(const Variant& value) {
  if (detached_) RaiseJet(kErrObjectInvalid);
  if (!recordset_) RaiseJet(kErrInvalidOperation);
  if (!updatable_) RaiseJet(kErrFieldNotUpdatable);
  recordset_->SetColumnValue(column_, value);
}

}  // namespace pds::db
