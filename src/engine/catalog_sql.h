// Pieces of SQL and name handling shared by the catalog's loading
// (catalog.cpp) and its schema changes (catalog_schema.cpp). Internal to the
// catalog.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "pds/db/catalog.h"

struct sqlite3_stmt;

namespace pds::db::catalog_sql {

// Separators inside the packed list columns of the hidden tables; names never
// contain control characters.
inline constexpr char kListSeparator = '\x1f';
inline constexpr char kPairSeparator = '\x1e';
inline constexpr char kDescendingMark = '\x1d';

// The table a rebuild writes before it replaces the original.
inline constexpr const char* kRebuildTable = "__pds_rebuild";
// SQLite's name of an index the catalog created: prefix, table, ".", index
// (table names cannot contain a point, so the names never collide).
inline constexpr const char* kIndexPrefix = "__pds_ix.";

bool SameName(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);
std::vector<std::string> Split(const std::string& s, char sep);
std::string ColumnText(sqlite3_stmt* stmt, int col);
void BindText(sqlite3_stmt* stmt, int index, std::string_view text);
// A column value of a row of the hidden tables: text or a whole number
// (flags are stored as 0 and 1).
using MetaValue = std::variant<std::string_view, std::int64_t>;
// Runs a one-row INSERT with values bound in order as ?1, ?2 ...
void InsertMetaRow(Connection& conn, const char* sql, std::initializer_list<MetaValue> values);
std::string PackIndexFields(const IndexMeta& index);
std::string PackRelationFields(const RelationMeta& relation);
std::string UpperAscii(std::string s);
// The CREATE TABLE statement for `t` under the SQLite name `sql_name`.
std::string CreateTableSql(const TableMeta& t, const std::string& sql_name);
void SortByOrdinal(std::vector<FieldMeta>& fields);
bool ReferencesTable(const RelationMeta& r, std::string_view table);

}  // namespace pds::db::catalog_sql
