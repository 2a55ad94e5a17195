// The structure of every database the system ships or creates, in one place:
// the installation's configuration database (TVXxycfg.mdb), the projects
// database template (Prjxy.ro, copied into each user's Prjxy<id>.mdb), the
// project database template (Project.ro, copied into each project's
// Project.mdb), the data-definition table of an application database, and the
// fixed fields every tag table starts with.
//
// A schema is plain data (tables of fields with their data type codes, sizes
// and attributes, indexes, relations); CreateDatabaseFile turns one into a new
// file through the engine's table-definition interface, so the file reports
// the same definitions back (size, allow-zero-length, auto-increment, ordinal
// position) to every routine that reads them, such as the project-name limit
// taken from the defined size of Job.sJobName.
//
// Sizes that no behaviour fixes follow one rule: names 50 characters, paths
// and file names 255, designations 5.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pds/Variant.h"

namespace pds::schema {

// Field attribute flags of a schema entry (combinable).
enum FieldFlags : unsigned {
  kPlain = 0,
  kAutoNumber = 1,   // auto-increment long: numbered when a row is started
  kZeroLength = 2,   // zero-length text allowed
  kRequired = 4,     // null refused
};

struct FieldSchema {
  std::string name;
  int type = 0;       // the engine's data type code (dbText, dbLong ...)
  long size = 0;      // defined size of a text field; 0 for the fixed-width kinds and Memo
  unsigned flags = kPlain;

  bool auto_number() const { return (flags & kAutoNumber) != 0; }
  bool allow_zero_length() const { return (flags & kZeroLength) != 0; }
  bool required() const { return (flags & kRequired) != 0; }
};

struct IndexSchema {
  std::string name;
  std::vector<std::string> fields;  // in key order
  bool primary = false;             // a primary index is also unique
  bool unique = false;
};

struct TableSchema {
  std::string name;
  std::vector<FieldSchema> fields;  // in ordinal order
  std::vector<IndexSchema> indexes;

  // Looked up without regard to case, as the engine names them; null when absent.
  const FieldSchema* FindField(std::string_view field) const;
};

struct RelationSchema {
  std::string name;
  std::string table;          // primary table
  std::string foreign_table;  // the table whose rows depend on the primary's
  long attributes = 0;        // the engine's relation attribute bits
  std::vector<std::pair<std::string, std::string>> fields;  // (primary field, foreign field)
};

struct DatabaseSchema {
  std::string file;  // the file name it is shipped or copied under
  std::vector<TableSchema> tables;
  std::vector<RelationSchema> relations;

  const TableSchema* FindTable(std::string_view table) const;
};

// TVXxycfg.mdb: Config, Installed, ProgSpecification, DataSpecification,
// ContactTypes, Version, UserRegistration.
const DatabaseSchema& ConfigurationDatabase();

// Prjxy.ro, the template of each user's projects database: Job, JobUsage,
// MRUJobNames, Config, Version.
const DatabaseSchema& ProjectsDatabase();

// Project.ro, the template of every Project.mdb at the current structure
// "1.3.0": Version, Config, Properties, TagIndex, TagData and the relation
// TagIndexTagData.
const DatabaseSchema& ProjectDatabase();

// The current project database structure version, as the template's Version
// row carries it and the structure check compares it.
inline constexpr const char* kProjectStructureVersion = "1.3.0";
// Release date of that structure ("yyyy-mm-dd hh:mm:ss").
inline constexpr const char* kProjectStructureReleaseDate = "2002-01-30 00:00:00";

// The data-definition table of an application database, named "DataDef",
// with its index "TableField" on TableName then FieldName.
const TableSchema& DataDefinitionTable();

// The fields every tag table starts with: lTagId (auto-number), TagName
// (text 255, indexed as "TagName"), lOrder (long).
std::vector<FieldSchema> TagTableBaseFields();

// A tag table named `name`: the base fields, then `app_fields`, with the
// primary index on lTagId and the index on TagName. Names are unique by the
// tag operations' rules, not by the index, so a table can hold the duplicate
// or empty names that opening a project repairs.
TableSchema TagTable(std::string name, std::vector<FieldSchema> app_fields);

// Rows to store in one table: values in the order of `columns`, each
// converted to its field's type on the way in.
struct TableRows {
  std::string table;
  std::vector<std::string> columns;
  std::vector<std::vector<Variant>> rows;
};

// Creates a new database file at `path` holding every table (with its fields
// and indexes) and relation of `schema`, then stores `rows` in order (an
// auto-number field not among the columns is numbered by the database).
// Refuses a path where a file already exists. On failure returns false with
// the reason in *error and leaves no file behind.
[[nodiscard]] bool CreateDatabaseFile(const std::string& path, const DatabaseSchema& schema,
                                      const std::vector<TableRows>& rows, std::string* error);

}  // namespace pds::schema
