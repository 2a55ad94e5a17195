#include "pds/db/catalog.h"

#include <sqlite3.h>

#include <algorithm>

#include "engine/catalog_sql.h"
#include "engine/field_values.h"
#include "pds/db/jet_errors.h"
#include "pds/db/sqlite_connection.h"
#include "pds/Variant.h"
#include "pds/Text.h"

namespace pds::db {

namespace catalog_sql {

bool SameName(std::string_view a, std::string_view b) { return EqualsNoCase(a, b); }

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && SameName(s.substr(0, prefix.size()), prefix);
}

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  if (s.empty()) return parts;
  std::size_t start = 0;
  while (true) {
    std::size_t at = s.find(sep, start);
    parts.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) break;
    start = at + 1;
  }
  return parts;
}

std::string ColumnText(sqlite3_stmt* stmt, int col) {
  const unsigned char* p = sqlite3_column_text(stmt, col);
  return p ? std::string(reinterpret_cast<const char*>(p)) : std::string();
}

void BindText(sqlite3_stmt* stmt, int index, std::string_view text) {
  sqlite3_bind_text64(stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void InsertMetaRow(Connection& conn, const char* sql, std::initializer_list<MetaValue> values) {
  sqlite3_stmt* stmt = conn.Prepare(sql);
  StatementScope scope(stmt);
  int index = 0;
  for (const MetaValue& value : values) {
    ++index;
    if (const auto* text = std::get_if<std::string_view>(&value)) {
      BindText(stmt, index, *text);
    } else {
      sqlite3_bind_int64(stmt, index, std::get<std::int64_t>(value));
    }
  }
  conn.Step(stmt);
}

std::string PackIndexFields(const IndexMeta& index) {
  std::string out;
  for (const IndexFieldMeta& f : index.fields) {
    if (!out.empty()) out.push_back(kListSeparator);
    if (f.descending) out.push_back(kDescendingMark);
    out += f.name;
  }
  return out;
}

std::string PackRelationFields(const RelationMeta& relation) {
  std::string out;
  for (const RelationFieldMeta& f : relation.fields) {
    if (!out.empty()) out.push_back(kListSeparator);
    out += f.name;
    out.push_back(kPairSeparator);
    out += f.foreign_name;
  }
  return out;
}

std::string UpperAscii(std::string s) { return UCase(s); }

namespace {

// The DEFAULT clause for a field's default value text, as the desktop engine
// reads it: a quoted text, a number, True/False/Yes/No, Now() or Date().
std::string DefaultClause(const FieldMeta& f) {
  std::string text = f.default_value;
  while (!text.empty() && text.front() == ' ') text.erase(text.begin());
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (text.empty()) return f.type == dbBoolean ? " DEFAULT 0" : "";
  const std::string upper = UpperAscii(text);
  if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front()) {
    return " DEFAULT " + QuoteText(text.substr(1, text.size() - 2));
  }
  if (upper == "TRUE" || upper == "YES") return " DEFAULT -1";
  if (upper == "FALSE" || upper == "NO") return " DEFAULT 0";
  if (upper == "NOW()") return " DEFAULT (strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime'))";
  if (upper == "DATE()") return " DEFAULT (strftime('%Y-%m-%d 00:00:00', 'now', 'localtime'))";
  if (IsNumericText(text) && !IsTextType(f.type)) return " DEFAULT " + text;
  return " DEFAULT " + QuoteText(text);
}

std::string ColumnSql(const std::string& table, const FieldMeta& f) {
  std::string s = QuoteName(f.name);
  if (f.auto_increment()) {
    s += " INTEGER PRIMARY KEY AUTOINCREMENT";
    return s;
  }
  s += " ";
  s += DeclaredColumnType(f.type);
  if (IsTextType(f.type) || f.type == dbGUID) s += " COLLATE NOCASE";
  if (f.required) s += " NOT NULL";
  s += DefaultClause(f);
  if (f.type == dbText || f.type == dbChar) {
    s += " CONSTRAINT " + QuoteName("pds_size:" + table + "." + f.name) + " CHECK (length(" + QuoteName(f.name) +
         ") <= " + std::to_string(EffectiveFieldSize(f.type, f.size)) + ")";
  }
  if (IsTextType(f.type) && !f.allow_zero_length) {
    s += " CONSTRAINT " + QuoteName("pds_zls:" + table + "." + f.name) + " CHECK (" + QuoteName(f.name) + " <> '')";
  }
  return s;
}

}  // namespace

std::string CreateTableSql(const TableMeta& t, const std::string& sql_name) {
  std::string s = "CREATE TABLE " + QuoteName(sql_name) + " (";
  bool first = true;
  for (const FieldMeta& f : t.fields) {
    if (!first) s += ", ";
    first = false;
    s += ColumnSql(t.name, f);
  }
  return s + ")";
}

void SortByOrdinal(std::vector<FieldMeta>& fields) {
  std::stable_sort(fields.begin(), fields.end(),
                   [](const FieldMeta& a, const FieldMeta& b) { return a.ordinal < b.ordinal; });
}

bool ReferencesTable(const RelationMeta& r, std::string_view table) {
  return SameName(r.table, table) || SameName(r.foreign_table, table);
}

}  // namespace catalog_sql

using namespace catalog_sql;

bool IsHiddenTableName(std::string_view name) {
  return StartsWithNoCase(name, "__pds_") || StartsWithNoCase(name, "sqlite_");
}

namespace {

// The entry of a catalog list named name (names compare without regard to case); null when none is.
template <class T>
const T* Named(const std::vector<T>& items, std::string_view name) {
  for (const T& item : items) {
    if (SameName(item.name, name)) return &item;
  }
  return nullptr;
}

}  // namespace

const FieldMeta* TableMeta::FindField(std::string_view n) const { return Named(fields, n); }

const IndexMeta* TableMeta::FindIndex(std::string_view n) const { return Named(indexes, n); }

const FieldMeta* TableMeta::AutoField() const {
  for (const FieldMeta& f : fields) {
    if (f.auto_increment()) return &f;
  }
  return nullptr;
}

// ---- loading

void Catalog::EnsureLoaded() {
  if (!loaded_) Load();
}

const std::vector<TableMeta>& Catalog::Tables() {
  EnsureLoaded();
  return tables_;
}

const TableMeta* Catalog::FindTable(std::string_view name) { return Named(Tables(), name); }

const std::vector<RelationMeta>& Catalog::Relations() {
  EnsureLoaded();
  return relations_;
}

const RelationMeta* Catalog::FindRelation(std::string_view name) { return Named(Relations(), name); }

std::uint64_t Catalog::generation() {
  EnsureLoaded();
  return generation_;
}

const TableMeta& Catalog::RequireTable(std::string_view name) {
  const TableMeta* t = FindTable(name);
  if (!t) RaiseJet(kErrItemNotFound);
  return *t;
}

void Catalog::InvalidateIfChanged() {
  if (loaded_ && conn_.QueryInt("PRAGMA schema_version", -1) != schema_version_) Invalidate();
}

// ---- persistence of the definitions

void Catalog::EnsureMetaTables() {
  if (has_meta_tables_) return;
  conn_.Exec(
      "CREATE TABLE IF NOT EXISTS __pds_tables (name TEXT NOT NULL COLLATE NOCASE PRIMARY KEY, "
      "attributes INTEGER NOT NULL DEFAULT 0, connect TEXT NOT NULL DEFAULT '', "
      "source_table TEXT NOT NULL DEFAULT '');"
      "CREATE TABLE IF NOT EXISTS __pds_fields (tbl TEXT NOT NULL COLLATE NOCASE, name TEXT NOT NULL COLLATE "
      "NOCASE, type INTEGER NOT NULL, size INTEGER NOT NULL, attributes INTEGER NOT NULL, allow_zero_length "
      "INTEGER NOT NULL, ordinal INTEGER NOT NULL, required INTEGER NOT NULL, default_value TEXT NOT NULL DEFAULT "
      "'', PRIMARY KEY (tbl, name));"
      "CREATE TABLE IF NOT EXISTS __pds_indexes (tbl TEXT NOT NULL COLLATE NOCASE, name TEXT NOT NULL COLLATE "
      "NOCASE, fields TEXT NOT NULL, is_primary INTEGER NOT NULL, is_unique INTEGER NOT NULL, required INTEGER "
      "NOT NULL, ignore_nulls INTEGER NOT NULL, PRIMARY KEY (tbl, name));"
      "CREATE TABLE IF NOT EXISTS __pds_relations (name TEXT NOT NULL COLLATE NOCASE PRIMARY KEY, tbl TEXT NOT "
      "NULL, foreign_tbl TEXT NOT NULL, attributes INTEGER NOT NULL, fields TEXT NOT NULL);");
  has_meta_tables_ = true;
}

void Catalog::DeleteTableMeta(std::string_view name) {
  for (const char* sql : {"DELETE FROM __pds_fields WHERE tbl = ?1", "DELETE FROM __pds_indexes WHERE tbl = ?1",
                          "DELETE FROM __pds_tables WHERE name = ?1"}) {
    sqlite3_stmt* stmt = conn_.Prepare(sql);
    StatementScope scope(stmt);
    BindText(stmt, 1, name);
    conn_.Step(stmt);
  }
}

void Catalog::WriteTableMeta(const TableMeta& t) {
  DeleteTableMeta(t.name);
  InsertMetaRow(conn_, "INSERT INTO __pds_tables VALUES (?1, ?2, ?3, ?4)",
                {t.name, t.attributes, t.connect, t.source_table});
  for (const FieldMeta& f : t.fields) {
    InsertMetaRow(conn_, "INSERT INTO __pds_fields VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)",
                  {t.name, f.name, f.type, f.size, f.attributes, f.allow_zero_length ? 1 : 0, f.ordinal,
                   f.required ? 1 : 0, f.default_value});
  }
  for (const IndexMeta& ix : t.indexes) {
    if (!StartsWithNoCase(ix.sql_name, kIndexPrefix)) continue;  // a plain SQL index describes itself
    InsertMetaRow(conn_, "INSERT INTO __pds_indexes VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)",
                  {t.name, ix.name, PackIndexFields(ix), ix.primary ? 1 : 0, ix.unique ? 1 : 0,
                   ix.required ? 1 : 0, ix.ignore_nulls ? 1 : 0});
  }
}

void Catalog::CreateSqlIndex(const TableMeta& t, IndexMeta& ix) {
  if (ix.fields.empty()) RaiseJet(kErrNoFields);
  std::string columns;
  for (const IndexFieldMeta& f : ix.fields) {
    if (!t.FindField(f.name)) RaiseJet(kErrItemNotFound);
    if (!columns.empty()) columns += ", ";
    columns += QuoteName(f.name);
    if (f.descending) columns += " DESC";
  }
  ix.sql_name = kIndexPrefix + t.name + "." + ix.name;
  conn_.Exec("CREATE " + std::string(ix.primary || ix.unique ? "UNIQUE " : "") + "INDEX " + QuoteName(ix.sql_name) +
             " ON " + QuoteName(t.name) + " (" + columns + ")");
}

}  // namespace pds::db
