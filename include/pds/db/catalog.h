// The catalog of one database file: its tables with their fields and indexes,
// its linked tables and its relations, kept in memory per open connection and
// persisted in hidden tables of the file itself:
//
//   __pds_tables    (name, attributes, connect, source_table)   one row per table
//   __pds_fields    (tbl, name, type, size, attributes, allow_zero_length,
//                    ordinal, required, default_value)            one row per field
//   __pds_indexes   (tbl, name, fields, is_primary, is_unique, required, ignore_nulls)
//   __pds_relations (name, tbl, foreign_tbl, attributes, fields)
//
// These carry what SQLite does not know (the field's data type code, size,
// attributes, allow-zero-length, ordinal position; index names per table;
// linked tables; relations), so a file read back gives the same definitions.
// A table created by plain SQL, without rows here, is described from its
// declared column types instead.
//
// How the file enforces the definitions:
//   - text columns are declared COLLATE NOCASE, so comparisons, sorting and
//     unique indexes ignore the case of ASCII letters;
//   - a field's size and allow-zero-length are named CHECK constraints
//     ("pds_size:table.field", "pds_zls:table.field") and Required is NOT NULL,
//     so every write, by record set or by statement, is refused as 3163, 3315
//     or 3314;
//   - the auto-increment field is the table's INTEGER PRIMARY KEY AUTOINCREMENT:
//     numbers are never reused, and SQLite's sqlite_sequence is the per-table
//     counter;
//   - a relation is a set of triggers created when it is appended (relations
//     come after their tables, and SQLite's own foreign keys exist only when a
//     table is created): deleting a primary row deletes its foreign rows
//     (dbRelationDeleteCascade) or is refused while they exist (3200); a foreign
//     row needs its primary row (3201) unless dbRelationDontEnforce. Existing
//     rows are not checked when a relation is appended.
// Because CHECK and NOT NULL are part of a table's SQL, changing a field of an
// existing table (adding, deleting, size, allow-zero-length, required) rebuilds
// the table: a copy is made under the new definition, with the same row ids,
// and replaces the old one, inside a savepoint, so a failure (existing data
// that breaks the new rule) leaves the table as it was. Triggers on the table
// other than the relations' are not carried over.
//
// Names compare without regard to case. The catalog is reloaded after each of
// its own changes and after Invalidate (a statement that changed the schema).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pds/db/dao_constants.h"
#include "pds/db/sqlite_connection.h"

namespace pds::db {

struct FieldMeta {
  std::string name;
  int type = dbText;
  long size = 0;
  long attributes = 0;
  bool allow_zero_length = false;
  int ordinal = 0;
  bool required = false;
  std::string default_value;

  bool auto_increment() const { return (attributes & dbAutoIncrField) != 0; }
};

struct IndexFieldMeta {
  std::string name;
  bool descending = false;
};

struct IndexMeta {
  std::string name;
  std::vector<IndexFieldMeta> fields;
  bool primary = false;
  bool unique = false;
  bool required = false;
  bool ignore_nulls = false;
  // The SQLite index's own name; empty for an index not yet created.
  std::string sql_name;
};

struct TableMeta {
  std::string name;
  long attributes = 0;
  std::string connect;
  std::string source_table;
  std::vector<FieldMeta> fields;  // in ordinal order
  std::vector<IndexMeta> indexes;
  std::vector<std::string> columns;  // the SQLite table's columns, in their order

  bool linked() const { return (attributes & (dbAttachedTable | dbAttachedODBC)) != 0; }
  const FieldMeta* FindField(std::string_view name) const;
  const IndexMeta* FindIndex(std::string_view name) const;
  // The auto-increment field, or null.
  const FieldMeta* AutoField() const;
};

struct RelationFieldMeta {
  std::string name;          // in the primary table
  std::string foreign_name;  // in the foreign table
};

struct RelationMeta {
  std::string name;
  std::string table;          // primary table
  std::string foreign_table;  // the table whose rows depend on it
  long attributes = 0;
  std::vector<RelationFieldMeta> fields;
};

// True for the engine's own tables and SQLite's, which no collection shows.
bool IsHiddenTableName(std::string_view name);

// The tables and indexes sqlite_master lists, in their order.
struct SchemaListing {
  std::vector<std::pair<std::string, std::string>> tables;   // (name, sql), hidden ones left out
  std::vector<std::pair<std::string, std::string>> indexes;  // (name, table)
  bool has_meta_tables = false;
};

class Catalog {
 public:
  explicit Catalog(Connection& conn) : conn_(conn) {}

  // Every table and linked table, loading the catalog on first use.
  const std::vector<TableMeta>& Tables();
  const TableMeta* FindTable(std::string_view name);
  const std::vector<RelationMeta>& Relations();
  const RelationMeta* FindRelation(std::string_view name);

  // Changes whenever the catalog is reloaded, so objects built from it know
  // when to rebuild themselves.
  std::uint64_t generation();

  // The text of the file's table and index definitions as SQLite keeps them
  // (sqlite_master): equal texts mean equal tables, columns and indexes as
  // SQLite sees them. Read from the file again only when SQLite's schema
  // version moved or work was rolled back since the last reading.
  const std::string& SchemaText();
  // The same, always read from the file.
  const std::string& ReadSchemaText();

  // Forgets what was loaded; the next use reads the file again.
  void Invalidate() { loaded_ = false; }
  // Forgets what was loaded when another connection changed the file's
  // definitions since (SQLite's schema version moved).
  void InvalidateIfChanged();

  // Schema changes. Each either completes or leaves the file unchanged, and
  // throws the engine's error: 3010 table exists, 3264 no fields, 3191 field
  // twice, 3265 missing item, 3284/3283 index or primary key exists, 3012
  // relation exists, 3281 table used in a relation, 3280 field used in an index.
  void CreateTable(const TableMeta& table);
  void DropTable(std::string_view name);
  void AddField(std::string_view table, FieldMeta field);
  void DropField(std::string_view table, std::string_view field);
  // Replaces the definition of the field named field.name.
  void ChangeField(std::string_view table, const FieldMeta& field);
  void CreateIndex(std::string_view table, const IndexMeta& index);
  void DropIndex(std::string_view table, std::string_view index);
  void CreateRelation(const RelationMeta& relation);
  void DropRelation(std::string_view name);

  // Creates the hidden tables (a new file gets them at once).
  void EnsureMetaTables();

  // Removes the definitions (and relations) of tables that a statement
  // dropped behind the catalog's back.
  void ForgetDroppedTables();

 private:
  // One change to the definitions inside a savepoint: committed, it makes the
  // catalog read the file again; abandoned (a failure), it rolls back and
  // forgets what the catalog believed about the file.
  class SchemaChange {
   public:
    SchemaChange(Catalog& catalog, const char* name);
    ~SchemaChange();
    SchemaChange(const SchemaChange&) = delete;
    SchemaChange& operator=(const SchemaChange&) = delete;
    void Commit();

   private:
    Catalog& catalog_;
    Savepoint savepoint_;
    bool committed_ = false;
  };

  void EnsureLoaded();
  void Load();
  // Reads sqlite_master into schema_text_ and listing_; `schema_version` is
  // SQLite's schema version in the same read of the file.
  void ReadListing(std::int64_t schema_version);
  // Whether the schema text read last is still the file's (see SchemaText).
  bool SchemaTextCurrent();
  void WriteTableMeta(const TableMeta& table);
  void DeleteTableMeta(std::string_view name);
  void CreateSqlIndex(const TableMeta& table, IndexMeta& index);
  void Rebuild(const TableMeta& old_table, TableMeta new_table);
  void InstallTriggers(const RelationMeta& relation);
  void DropTriggers(const RelationMeta& relation);
  const TableMeta& RequireTable(std::string_view name);

  Connection& conn_;
  bool loaded_ = false;
  bool has_meta_tables_ = false;
  std::uint64_t generation_ = 0;
  std::int64_t schema_version_ = -1;
  std::vector<TableMeta> tables_;
  std::vector<RelationMeta> relations_;
  // The schema text read last, what it lists, and the schema version and
  // rollback count of the connection when it was read.
  std::string schema_text_;
  SchemaListing listing_;
  std::int64_t text_version_ = -1;
  std::int64_t text_rollbacks_ = -1;
};

}  // namespace pds::db
