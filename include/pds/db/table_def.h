// Table definitions and indexes of the database object model.
//
// A TableDef made by Database::CreateTableDef is a definition under
// construction: fields and indexes are appended to it freely, and
// TableDefs().Append creates the table. A TableDef taken from a database's
// TableDefs collection stands for an existing table: appending or deleting a
// field or an index, or changing a field's definition, changes the table at
// once (catalog.h says how). It reflects the database's current definition and
// refuses use with 3420 once the table is gone or the database closed.
//
// A table definition with a Connect text (or an attached attribute) is a
// linked table: it is recorded in the database's catalog and recognised by its
// attributes (dbAttachedTable, dbAttachedODBC), but holds no rows here; its
// definition is not updatable and it cannot be opened as a record set.
//
// An Index is defined the same way: CreateIndex, set Primary/Unique, append
// fields (CreateField), then Indexes().Append. An appended index cannot change.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pds/db/catalog.h"
#include "pds/db/collection.h"
#include "pds/db/field.h"

namespace pds::db {

class Database;

class Index {
 public:
  explicit Index(std::string name = "");
  ~Index();
  Index(const Index&) = delete;
  Index& operator=(const Index&) = delete;

  const std::string& Name() const { return meta_.name; }
  void SetName(std::string name);
  bool Primary() const { return meta_.primary; }
  void SetPrimary(bool primary);
  bool Unique() const { return meta_.unique || meta_.primary; }
  void SetUnique(bool unique);
  bool Required() const { return meta_.required; }
  void SetRequired(bool required);
  bool IgnoreNulls() const { return meta_.ignore_nulls; }
  void SetIgnoreNulls(bool ignore);

  FieldCollection& Fields() { return fields_; }
  // A field to append to this index's Fields (dbDescending in its attributes
  // orders it downwards).
  std::shared_ptr<Field> CreateField(std::string name = "", int type = 0, long size = 0);

  // ---- for the engine
  IndexMeta BuildMeta() const;
  void MarkAppended(const IndexMeta& meta);
  bool appended() const { return appended_; }

 private:
  void RefuseWhenAppended() const;

  IndexMeta meta_;
  FieldCollection fields_;
  bool appended_ = false;
};

class TableDef {
 public:
  explicit TableDef(std::string name = "");
  ~TableDef();
  TableDef(const TableDef&) = delete;
  TableDef& operator=(const TableDef&) = delete;

  const std::string& Name() const { return meta_.name; }
  void SetName(std::string name);
  long Attributes() const;
  void SetAttributes(long attributes);
  const std::string& Connect() const { return meta_.connect; }
  void SetConnect(std::string connect);
  const std::string& SourceTableName() const { return meta_.source_table; }
  void SetSourceTableName(std::string name);
  // Whether the definition can be changed: false for a linked table and for a
  // table of a database opened read-only.
  bool Updatable() const;

  FieldCollection& Fields() { return fields_; }
  IndexCollection& Indexes() { return indexes_; }
  std::shared_ptr<Field> CreateField(std::string name = "", int type = dbText, long size = 0);
  std::shared_ptr<Index> CreateIndex(std::string name = "");

  // ---- for the engine
  bool appended() const { return !db_.expired() || bound_; }
  // The definition to create: this table's name, attributes and fields.
  TableMeta BuildMeta() const;
  // Makes this definition stand for the table now in `db`.
  void Bind(const std::shared_ptr<Database>& db);
  // Takes the catalog's current definition (TableDefs sync).
  void Reload(const TableMeta& meta);
  // The table is gone or the database closed: every use is 3420 from now on.
  void Orphan();
  void ChangeField(const FieldMeta& field);

 private:
  std::shared_ptr<Database> RequireDatabase() const;
  void SyncFromCatalog();
  // After a change this object made to the catalog: reads the table back whatever the generation says.
  void Resync();
  void AppendField(std::shared_ptr<Field> field);
  void DeleteField(std::string_view name);
  void AppendIndex(std::shared_ptr<Index> index);
  void DeleteIndex(std::string_view name);

  TableMeta meta_;
  std::weak_ptr<Database> db_;
  bool bound_ = false;
  bool orphaned_ = false;
  std::uint64_t generation_ = 0;
  FieldCollection fields_;
  IndexCollection indexes_;
};

}  // namespace pds::db
