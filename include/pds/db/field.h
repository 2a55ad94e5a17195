// A field of the database object model. The same class serves the four places
// a field appears:
//   - a field being defined (CreateField), not yet in a table: every property
//     can be set;
//   - a field of a table definition in the database: setting AllowZeroLength,
//     Size, Required, DefaultValue, Attributes or OrdinalPosition changes the
//     table at once (see catalog.h for how); Name and Type are fixed (3219);
//   - a field of an index or a relation: only its name (and, for a relation,
//     ForeignName) matters;
//   - a column of a record set: Value reads the current record and, during
//     AddNew or Edit, writes the copy being edited; its definition properties
//     are read-only (3219).
// Value of a field that is not a record-set column is 3219; of a column whose
// record set or database has been closed, 3420.
#pragma once

#include <memory>
#include <string>

#include "pds/db/catalog.h"
#include "pds/Variant.h"

namespace pds::db {

class Recordset;
class TableDef;

class Field {
 public:
  Field() = default;
  Field(std::string name, int type, long size);
  ~Field();
  Field(const Field&) = delete;
  Field& operator=(const Field&) = delete;

  const std::string& Name() const { return meta_.name; }
  void SetName(std::string name);
  int Type() const { return meta_.type; }
  void SetType(int type);
  // The defined size: characters for Text, the byte width of numeric kinds.
  long Size() const;
  void SetSize(long size);
  long Attributes() const;
  void SetAttributes(long attributes);
  bool AllowZeroLength() const { return meta_.allow_zero_length; }
  void SetAllowZeroLength(bool allow);
  int OrdinalPosition() const { return meta_.ordinal; }
  void SetOrdinalPosition(int position);
  bool Required() const { return meta_.required; }
  void SetRequired(bool required);
  const std::string& DefaultValue() const { return meta_.default_value; }
  void SetDefaultValue(std::string value);
  // The field's name in the foreign table (fields of a relation).
  const std::string& ForeignName() const { return foreign_name_; }
  void SetForeignName(std::string name);
  // The table and field a record-set column comes from; empty for an expression.
  const std::string& SourceTable() const { return source_table_; }
  const std::string& SourceField() const { return source_field_; }

  Variant Value() const;
  void SetValue(const Variant& value);

  // ---- for the engine
  const FieldMeta& meta() const { return meta_; }
  bool ordinal_set() const { return ordinal_set_; }
  void AttachToTable(TableDef* table) { table_ = table; }
  void AttachToRecordset(Recordset* rs, int column, bool updatable, std::string source_table,
                         std::string source_field);
  void Detach();
  void ReplaceMeta(const FieldMeta& meta) { meta_ = meta; }
  bool in_table() const { return table_ != nullptr; }

 private:
  // Applies a changed definition: to the table when the field belongs to one.
  void Change(const FieldMeta& changed);
  void RefuseInRecordset() const;

  FieldMeta meta_;
  bool ordinal_set_ = false;
  std::string foreign_name_;
  TableDef* table_ = nullptr;
  Recordset* recordset_ = nullptr;
  int column_ = -1;
  bool updatable_ = false;
  bool detached_ = false;
  std::string source_table_;
  std::string source_field_;
};

}  // namespace pds::db
