#include "core/db/catalog.h"

#include <sqlite3.h>

#include <algorithm>

#include "core/db/field_values.h"
#include "core/db/jet_errors.h"
#include "core/db/sqlite_connection.h"
#include "pds/Variant.h"

namespace pds::db {

namespace {

// Separators inside the packed list columns of the hidden tables; names never
// contain control characters.
constexpr char kListSeparator = '\x1f';
constexpr char kPairSeparator = '\x1e';
constexpr char kDescendingMark = '\x1d';

constexpr const char* kRebuildTable = "__pds_rebuild";
constexpr const char* kIndexPrefix = "__pds_ix.";

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

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

std::string UpperAscii(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

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

}  // namespace

bool IsHiddenTableName(std::string_view name) {
  return StartsWithNoCase(name, "__pds_") || StartsWithNoCase(name, "sqlite_");
}

const FieldMeta* TableMeta::FindField(std::string_view n) const {
  for (const FieldMeta& f : fields) {
    if (SameName(f.name, n)) return &f;
  }
  return nullptr;
}

const IndexMeta* TableMeta::FindIndex(std::string_view n) const {
  for (const IndexMeta& i : indexes) {
    if (SameName(i.name, n)) return &i;
  }
  return nullptr;
}

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

const TableMeta* Catalog::FindTable(std::string_view name) {
  EnsureLoaded();
  for (const TableMeta& t : tables_) {
    if (SameName(t.name, name)) return &t;
  }
  return nullptr;
}

const std::vector<RelationMeta>& Catalog::Relations() {
  EnsureLoaded();
  return relations_;
}

const RelationMeta* Catalog::FindRelation(std::string_view name) {
  EnsureLoaded();
  for (const RelationMeta& r : relations_) {
    if (SameName(r.name, name)) return &r;
  }
  return nullptr;
}

std::uint64_t Catalog::generation() {
  EnsureLoaded();
  return generation_;
}

const TableMeta& Catalog::RequireTable(std::string_view name) {
  const TableMeta* t = FindTable(name);
  if (!t) RaiseJet(kErrItemNotFound);
  return *t;
}

void Catalog::Load() {
  tables_.clear();
  relations_.clear();
  has_meta_tables_ =
      conn_.QueryInt("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = '__pds_relations'", 0) > 0;

  struct Registered {
    std::string name;
    long attributes;
    std::string connect;
    std::string source;
  };
  std::vector<Registered> registered;
  if (has_meta_tables_) {
    sqlite3_stmt* stmt = conn_.Prepare("SELECT name, attributes, connect, source_table FROM __pds_tables");
    StatementScope scope(stmt);
    while (conn_.Step(stmt)) {
      registered.push_back({ColumnText(stmt, 0), static_cast<long>(sqlite3_column_int64(stmt, 1)),
                            ColumnText(stmt, 2), ColumnText(stmt, 3)});
    }
  }

  std::vector<std::string> physical;
  {
    sqlite3_stmt* stmt = conn_.Prepare("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid");
    StatementScope scope(stmt);
    while (conn_.Step(stmt)) {
      std::string name = ColumnText(stmt, 0);
      if (!IsHiddenTableName(name)) physical.push_back(std::move(name));
    }
  }

  for (const std::string& name : physical) {
    bool managed = false;
    TableMeta t;
    for (const Registered& r : registered) {
      if (SameName(r.name, name)) managed = true;
    }
    t = LoadTable(name, managed);
    for (const Registered& r : registered) {
      if (SameName(r.name, name)) {
        t.attributes = r.attributes;
        t.connect = r.connect;
        t.source_table = r.source;
      }
    }
    tables_.push_back(std::move(t));
  }
  // Linked tables live in the catalog only.
  for (const Registered& r : registered) {
    if ((r.attributes & (dbAttachedTable | dbAttachedODBC)) == 0) continue;
    bool exists = false;
    for (const TableMeta& t : tables_) exists = exists || SameName(t.name, r.name);
    if (exists) continue;
    TableMeta t;
    t.name = r.name;
    t.attributes = r.attributes;
    t.connect = r.connect;
    t.source_table = r.source;
    tables_.push_back(std::move(t));
  }

  if (has_meta_tables_) {
    sqlite3_stmt* stmt = conn_.Prepare("SELECT name, tbl, foreign_tbl, attributes, fields FROM __pds_relations");
    StatementScope scope(stmt);
    while (conn_.Step(stmt)) {
      RelationMeta r;
      r.name = ColumnText(stmt, 0);
      r.table = ColumnText(stmt, 1);
      r.foreign_table = ColumnText(stmt, 2);
      r.attributes = static_cast<long>(sqlite3_column_int64(stmt, 3));
      for (const std::string& pair : Split(ColumnText(stmt, 4), kListSeparator)) {
        std::size_t at = pair.find(kPairSeparator);
        r.fields.push_back({pair.substr(0, at), at == std::string::npos ? pair : pair.substr(at + 1)});
      }
      relations_.push_back(std::move(r));
    }
  }
  ++generation_;
  loaded_ = true;
}

TableMeta Catalog::LoadTable(const std::string& name, bool managed) {
  TableMeta t;
  t.name = name;
  std::vector<FieldMeta> stored;
  if (managed) {
    sqlite3_stmt* stmt = conn_.Prepare(
        "SELECT name, type, size, attributes, allow_zero_length, ordinal, required, default_value "
        "FROM __pds_fields WHERE tbl = ?1");
    StatementScope scope(stmt);
    BindText(stmt, 1, name);
    while (conn_.Step(stmt)) {
      FieldMeta f;
      f.name = ColumnText(stmt, 0);
      f.type = sqlite3_column_int(stmt, 1);
      f.size = static_cast<long>(sqlite3_column_int64(stmt, 2));
      f.attributes = static_cast<long>(sqlite3_column_int64(stmt, 3));
      f.allow_zero_length = sqlite3_column_int(stmt, 4) != 0;
      f.ordinal = sqlite3_column_int(stmt, 5);
      f.required = sqlite3_column_int(stmt, 6) != 0;
      f.default_value = ColumnText(stmt, 7);
      stored.push_back(std::move(f));
    }
  }

  bool declared_autoincrement = false;
  if (!managed) {
    sqlite3_stmt* stmt = conn_.Prepare("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?1");
    StatementScope scope(stmt);
    BindText(stmt, 1, name);
    if (conn_.Step(stmt)) declared_autoincrement = UpperAscii(ColumnText(stmt, 0)).find("AUTOINCREMENT") != std::string::npos;
  }

  std::string rowid_alias;
  {
    sqlite3_stmt* stmt = conn_.Prepare("SELECT name, type, \"notnull\", dflt_value, pk FROM pragma_table_info(?1)");
    StatementScope scope(stmt);
    BindText(stmt, 1, name);
    int position = 0;
    int pk_columns = 0;
    std::string pk_name, pk_type;
    while (conn_.Step(stmt)) {
      std::string column = ColumnText(stmt, 0);
      t.columns.push_back(column);
      if (sqlite3_column_int(stmt, 4) > 0) {
        ++pk_columns;
        pk_name = column;
        pk_type = UpperAscii(ColumnText(stmt, 1));
      }
      auto found = std::find_if(stored.begin(), stored.end(),
                                [&](const FieldMeta& f) { return SameName(f.name, column); });
      if (found != stored.end()) {
        t.fields.push_back(*found);
      } else {
        FieldMeta f;
        f.name = column;
        bool auto_increment = false;
        f.type = TypeFromDeclaration(ColumnText(stmt, 1), &f.size, &auto_increment);
        f.size = EffectiveFieldSize(f.type, f.size);
        f.attributes = DefaultFieldAttributes(f.type) | (auto_increment ? dbAutoIncrField : 0);
        f.allow_zero_length = IsTextType(f.type);
        f.required = sqlite3_column_int(stmt, 2) != 0;
        f.default_value = ColumnText(stmt, 3);
        f.ordinal = managed ? 1000 + position : position;
        t.fields.push_back(std::move(f));
      }
      ++position;
    }
    if (pk_columns == 1 && pk_type == "INTEGER") rowid_alias = pk_name;
  }
  if (!managed && !rowid_alias.empty() && declared_autoincrement) {
    for (FieldMeta& f : t.fields) {
      if (SameName(f.name, rowid_alias)) f.attributes = dbFixedField | dbAutoIncrField;
    }
  }
  SortByOrdinal(t.fields);

  if (managed) {
    sqlite3_stmt* stmt = conn_.Prepare(
        "SELECT name, fields, is_primary, is_unique, required, ignore_nulls FROM __pds_indexes WHERE tbl = ?1 "
        "ORDER BY rowid");
    StatementScope scope(stmt);
    BindText(stmt, 1, name);
    while (conn_.Step(stmt)) {
      IndexMeta ix;
      ix.name = ColumnText(stmt, 0);
      for (const std::string& f : Split(ColumnText(stmt, 1), kListSeparator)) {
        if (!f.empty() && f.front() == kDescendingMark) {
          ix.fields.push_back({f.substr(1), true});
        } else {
          ix.fields.push_back({f, false});
        }
      }
      ix.primary = sqlite3_column_int(stmt, 2) != 0;
      ix.unique = sqlite3_column_int(stmt, 3) != 0;
      ix.required = sqlite3_column_int(stmt, 4) != 0;
      ix.ignore_nulls = sqlite3_column_int(stmt, 5) != 0;
      ix.sql_name = kIndexPrefix + name + "." + ix.name;
      t.indexes.push_back(std::move(ix));
    }
  }

  // Indexes created by plain SQL are shown under their own names.
  std::vector<IndexMeta> plain;
  {
    sqlite3_stmt* stmt = conn_.Prepare("SELECT name, \"unique\", origin FROM pragma_index_list(?1)");
    StatementScope scope(stmt);
    BindText(stmt, 1, name);
    while (conn_.Step(stmt)) {
      IndexMeta ix;
      ix.sql_name = ColumnText(stmt, 0);
      if (StartsWithNoCase(ix.sql_name, kIndexPrefix)) continue;
      ix.unique = sqlite3_column_int(stmt, 1) != 0;
      ix.primary = ColumnText(stmt, 2) == "pk";
      ix.name = ix.primary ? "PrimaryKey" : ix.sql_name;
      plain.push_back(std::move(ix));
    }
  }
  for (IndexMeta& ix : plain) {
    sqlite3_stmt* stmt = conn_.Prepare("SELECT name, \"desc\" FROM pragma_index_xinfo(?1) WHERE key = 1");
    StatementScope scope(stmt);
    BindText(stmt, 1, ix.sql_name);
    while (conn_.Step(stmt)) ix.fields.push_back({ColumnText(stmt, 0), sqlite3_column_int(stmt, 1) != 0});
    t.indexes.push_back(std::move(ix));
  }
  if (!managed && !rowid_alias.empty()) {
    bool has_primary = std::any_of(t.indexes.begin(), t.indexes.end(), [](const IndexMeta& i) { return i.primary; });
    if (!has_primary) {
      IndexMeta ix;
      ix.name = "PrimaryKey";
      ix.primary = ix.unique = ix.required = true;
      ix.fields.push_back({rowid_alias, false});
      t.indexes.push_back(std::move(ix));
    }
  }
  return t;
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
  {
    sqlite3_stmt* stmt = conn_.Prepare("INSERT INTO __pds_tables VALUES (?1, ?2, ?3, ?4)");
    StatementScope scope(stmt);
    BindText(stmt, 1, t.name);
    sqlite3_bind_int64(stmt, 2, t.attributes);
    BindText(stmt, 3, t.connect);
    BindText(stmt, 4, t.source_table);
    conn_.Step(stmt);
  }
  for (const FieldMeta& f : t.fields) {
    sqlite3_stmt* stmt = conn_.Prepare("INSERT INTO __pds_fields VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
    StatementScope scope(stmt);
    BindText(stmt, 1, t.name);
    BindText(stmt, 2, f.name);
    sqlite3_bind_int(stmt, 3, f.type);
    sqlite3_bind_int64(stmt, 4, f.size);
    sqlite3_bind_int64(stmt, 5, f.attributes);
    sqlite3_bind_int(stmt, 6, f.allow_zero_length ? 1 : 0);
    sqlite3_bind_int(stmt, 7, f.ordinal);
    sqlite3_bind_int(stmt, 8, f.required ? 1 : 0);
    BindText(stmt, 9, f.default_value);
    conn_.Step(stmt);
  }
  for (const IndexMeta& ix : t.indexes) {
    if (!StartsWithNoCase(ix.sql_name, kIndexPrefix)) continue;  // a plain SQL index describes itself
    sqlite3_stmt* stmt = conn_.Prepare("INSERT INTO __pds_indexes VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    StatementScope scope(stmt);
    BindText(stmt, 1, t.name);
    BindText(stmt, 2, ix.name);
    BindText(stmt, 3, PackIndexFields(ix));
    sqlite3_bind_int(stmt, 4, ix.primary ? 1 : 0);
    sqlite3_bind_int(stmt, 5, ix.unique ? 1 : 0);
    sqlite3_bind_int(stmt, 6, ix.required ? 1 : 0);
    sqlite3_bind_int(stmt, 7, ix.ignore_nulls ? 1 : 0);
    conn_.Step(stmt);
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

// ---- tables

void Catalog::CreateTable(const TableMeta& table) {
  EnsureLoaded();
  if (table.name.empty()) RaiseJet(kErrInvalidOperation);
  if (FindTable(table.name) || IsHiddenTableName(table.name)) RaiseJet(kErrTableExists, table.name);
  TableMeta t = table;
  if (!t.linked()) {
    if (t.fields.empty()) RaiseJet(kErrNoFields);
    int autos = 0;
    for (std::size_t i = 0; i < t.fields.size(); ++i) {
      for (std::size_t j = 0; j < i; ++j) {
        if (SameName(t.fields[i].name, t.fields[j].name)) RaiseJet(kErrFieldDefinedTwice);
      }
      if (t.fields[i].auto_increment()) {
        if (t.fields[i].type != dbLong) RaiseJet(kErrInvalidOperation);
        ++autos;
      }
    }
    if (autos > 1) RaiseJet(kErrInvalidOperation);
    if (std::count_if(t.indexes.begin(), t.indexes.end(), [](const IndexMeta& i) { return i.primary; }) > 1) {
      RaiseJet(kErrPrimaryKeyExists);
    }
    for (std::size_t i = 0; i < t.indexes.size(); ++i) {
      for (std::size_t j = 0; j < i; ++j) {
        if (SameName(t.indexes[i].name, t.indexes[j].name)) RaiseJet(kErrIndexExists);
      }
      if (t.indexes[i].primary) t.indexes[i].unique = t.indexes[i].required = true;
    }
    SortByOrdinal(t.fields);
  }
  Savepoint sp(conn_, "pds_schema");
  EnsureMetaTables();
  if (!t.linked()) {
    conn_.Exec(CreateTableSql(t, t.name));
    for (IndexMeta& ix : t.indexes) CreateSqlIndex(t, ix);
  } else {
    t.fields.clear();
    t.indexes.clear();
  }
  WriteTableMeta(t);
  sp.Release();
  Invalidate();
}

void Catalog::DropTable(std::string_view name) {
  const TableMeta t = RequireTable(name);
  for (const RelationMeta& r : Relations()) {
    if (ReferencesTable(r, t.name)) RaiseJet(kErrUsedInRelation);
  }
  Savepoint sp(conn_, "pds_schema");
  EnsureMetaTables();
  if (!t.linked()) conn_.Exec("DROP TABLE " + QuoteName(t.name));
  DeleteTableMeta(t.name);
  sp.Release();
  Invalidate();
}

// ---- fields

void Catalog::AddField(std::string_view table, FieldMeta field) {
  const TableMeta t = RequireTable(table);
  if (t.linked()) RaiseJet(kErrInvalidOperation);
  if (field.name.empty()) RaiseJet(kErrInvalidOperation);
  if (t.FindField(field.name)) RaiseJet(kErrFieldDefinedTwice);
  if (field.auto_increment() && (t.AutoField() || field.type != dbLong)) RaiseJet(kErrInvalidOperation);
  TableMeta neu = t;
  // The new field takes its ordinal position; fields at or after it move up one.
  bool taken = std::any_of(neu.fields.begin(), neu.fields.end(),
                           [&](const FieldMeta& f) { return f.ordinal == field.ordinal; });
  if (taken) {
    for (FieldMeta& f : neu.fields) {
      if (f.ordinal >= field.ordinal) ++f.ordinal;
    }
  }
  neu.fields.push_back(std::move(field));
  SortByOrdinal(neu.fields);
  Rebuild(t, std::move(neu));
}

void Catalog::DropField(std::string_view table, std::string_view field) {
  const TableMeta t = RequireTable(table);
  const FieldMeta* f = t.FindField(field);
  if (!f) RaiseJet(kErrItemNotFound);
  for (const IndexMeta& ix : t.indexes) {
    for (const IndexFieldMeta& x : ix.fields) {
      if (SameName(x.name, field)) RaiseJet(kErrFieldInIndex);
    }
  }
  for (const RelationMeta& r : Relations()) {
    for (const RelationFieldMeta& x : r.fields) {
      if ((SameName(r.table, t.name) && SameName(x.name, field)) ||
          (SameName(r.foreign_table, t.name) && SameName(x.foreign_name, field))) {
        RaiseJet(kErrFieldInIndex);
      }
    }
  }
  TableMeta neu = t;
  neu.fields.erase(neu.fields.begin() + (f - t.fields.data()));
  if (neu.fields.empty()) RaiseJet(kErrNoFields);
  Rebuild(t, std::move(neu));
}

void Catalog::ChangeField(std::string_view table, const FieldMeta& field) {
  const TableMeta t = RequireTable(table);
  const FieldMeta* old = t.FindField(field.name);
  if (!old) RaiseJet(kErrItemNotFound);
  if (old->type != field.type) RaiseJet(kErrInvalidOperation);
  if (field.auto_increment() && !old->auto_increment() && (t.AutoField() || field.type != dbLong)) {
    RaiseJet(kErrInvalidOperation);
  }
  TableMeta neu = t;
  FieldMeta& target = neu.fields[static_cast<std::size_t>(old - t.fields.data())];
  const bool schema_change = EffectiveFieldSize(old->type, old->size) != EffectiveFieldSize(field.type, field.size) ||
                             old->allow_zero_length != field.allow_zero_length || old->required != field.required ||
                             old->default_value != field.default_value ||
                             old->auto_increment() != field.auto_increment() ||
                             (old->ordinal != field.ordinal);
  target = field;
  target.name = old->name;
  SortByOrdinal(neu.fields);
  if (schema_change) {
    Rebuild(t, std::move(neu));
    return;
  }
  Savepoint sp(conn_, "pds_schema");
  EnsureMetaTables();
  WriteTableMeta(neu);
  sp.Release();
  Invalidate();
}

// Copies the table under its new definition, keeping row ids where the new
// definition allows (a new auto-increment field numbers the rows in their
// order instead), then swaps the copy in.
void Catalog::Rebuild(const TableMeta& old_table, TableMeta neu) {
  Savepoint sp(conn_, "pds_rebuild");
  EnsureMetaTables();
  std::vector<RelationMeta> touching;
  for (const RelationMeta& r : Relations()) {
    if (ReferencesTable(r, old_table.name)) touching.push_back(r);
  }
  for (const RelationMeta& r : touching) DropTriggers(r);

  const bool has_sequence =
      conn_.QueryInt("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'sqlite_sequence'", 0) > 0;
  std::int64_t saved_sequence = 0;
  if (has_sequence) {
    sqlite3_stmt* stmt = conn_.Prepare("SELECT seq FROM sqlite_sequence WHERE name = ?1");
    StatementScope scope(stmt);
    BindText(stmt, 1, old_table.name);
    if (conn_.Step(stmt)) saved_sequence = sqlite3_column_int64(stmt, 0);
  }

  conn_.Exec(std::string("DROP TABLE IF EXISTS ") + QuoteName(kRebuildTable));
  conn_.Exec(CreateTableSql(neu, kRebuildTable));

  const FieldMeta* new_auto = neu.AutoField();
  std::string columns;
  bool auto_copied = false;
  for (const FieldMeta& f : neu.fields) {
    bool present = std::any_of(old_table.columns.begin(), old_table.columns.end(),
                               [&](const std::string& c) { return SameName(c, f.name); });
    if (!present) continue;
    if (!columns.empty()) columns += ", ";
    columns += QuoteName(f.name);
    if (new_auto && SameName(new_auto->name, f.name)) auto_copied = true;
  }
  std::string insert = std::string("INSERT INTO ") + QuoteName(kRebuildTable) + " (";
  std::string select = " SELECT ";
  if (!new_auto) {
    insert += "_rowid_";
    select += "_rowid_";
    if (!columns.empty()) {
      insert += ", ";
      select += ", ";
    }
  }
  (void)auto_copied;  // a copied auto-increment column carries the row ids itself
  insert += columns + ")";
  select += columns + " FROM " + QuoteName(old_table.name) + " ORDER BY _rowid_";
  if (!columns.empty() || !new_auto) conn_.Exec(insert + select);

  conn_.Exec("DROP TABLE " + QuoteName(old_table.name));
  // The legacy rename does not re-check other triggers against the schema,
  // which mid-rebuild still name tables in flux.
  conn_.Exec("PRAGMA legacy_alter_table = ON");
  try {
    conn_.Exec(std::string("ALTER TABLE ") + QuoteName(kRebuildTable) + " RENAME TO " + QuoteName(neu.name));
  } catch (...) {
    sqlite3_exec(conn_.handle(), "PRAGMA legacy_alter_table = OFF", nullptr, nullptr, nullptr);
    throw;
  }
  conn_.Exec("PRAGMA legacy_alter_table = OFF");

  if (new_auto && saved_sequence > 0) {
    sqlite3_stmt* stmt = conn_.Prepare("UPDATE sqlite_sequence SET seq = max(seq, ?2) WHERE name = ?1");
    StatementScope scope(stmt);
    BindText(stmt, 1, neu.name);
    sqlite3_bind_int64(stmt, 2, saved_sequence);
    conn_.Step(stmt);
    if (conn_.Changes() == 0) {
      sqlite3_stmt* ins = conn_.Prepare("INSERT INTO sqlite_sequence (name, seq) VALUES (?1, ?2)");
      StatementScope ins_scope(ins);
      BindText(ins, 1, neu.name);
      sqlite3_bind_int64(ins, 2, saved_sequence);
      conn_.Step(ins);
    }
  }
  neu.columns.clear();
  for (const FieldMeta& f : neu.fields) neu.columns.push_back(f.name);
  for (IndexMeta& ix : neu.indexes) CreateSqlIndex(neu, ix);
  WriteTableMeta(neu);
  for (const RelationMeta& r : touching) {
    if ((r.attributes & dbRelationDontEnforce) == 0) InstallTriggers(r);
  }
  sp.Release();
  Invalidate();
}

// ---- indexes

void Catalog::CreateIndex(std::string_view table, const IndexMeta& index) {
  const TableMeta t = RequireTable(table);
  if (t.linked()) RaiseJet(kErrInvalidOperation);
  if (index.name.empty()) RaiseJet(kErrInvalidOperation);
  if (t.FindIndex(index.name)) RaiseJet(kErrIndexExists);
  if (index.primary &&
      std::any_of(t.indexes.begin(), t.indexes.end(), [](const IndexMeta& i) { return i.primary; })) {
    RaiseJet(kErrPrimaryKeyExists);
  }
  TableMeta neu = t;
  IndexMeta ix = index;
  if (ix.primary) ix.unique = ix.required = true;
  Savepoint sp(conn_, "pds_schema");
  EnsureMetaTables();
  CreateSqlIndex(neu, ix);
  neu.indexes.push_back(std::move(ix));
  WriteTableMeta(neu);
  sp.Release();
  Invalidate();
}

void Catalog::DropIndex(std::string_view table, std::string_view index) {
  const TableMeta t = RequireTable(table);
  const IndexMeta* ix = t.FindIndex(index);
  if (!ix) RaiseJet(kErrItemNotFound);
  TableMeta neu = t;
  Savepoint sp(conn_, "pds_schema");
  EnsureMetaTables();
  if (!ix->sql_name.empty() && !StartsWithNoCase(ix->sql_name, "sqlite_autoindex")) {
    conn_.Exec("DROP INDEX IF EXISTS " + QuoteName(ix->sql_name));
  }
  neu.indexes.erase(neu.indexes.begin() + (ix - t.indexes.data()));
  WriteTableMeta(neu);
  sp.Release();
  Invalidate();
}

// ---- relations

void Catalog::CreateRelation(const RelationMeta& relation) {
  EnsureLoaded();
  if (relation.name.empty()) RaiseJet(kErrInvalidOperation);
  if (FindRelation(relation.name)) RaiseJet(kErrObjectExists, relation.name);
  const TableMeta primary = RequireTable(relation.table);
  const TableMeta foreign = RequireTable(relation.foreign_table);
  if (relation.fields.empty()) RaiseJet(kErrRelationNoFields);
  RelationMeta r = relation;
  r.table = primary.name;
  r.foreign_table = foreign.name;
  for (RelationFieldMeta& f : r.fields) {
    if (f.foreign_name.empty()) f.foreign_name = f.name;
    if (!primary.FindField(f.name) || !foreign.FindField(f.foreign_name)) RaiseJet(kErrItemNotFound);
  }
  Savepoint sp(conn_, "pds_schema");
  EnsureMetaTables();
  {
    sqlite3_stmt* stmt = conn_.Prepare("INSERT INTO __pds_relations VALUES (?1, ?2, ?3, ?4, ?5)");
    StatementScope scope(stmt);
    BindText(stmt, 1, r.name);
    BindText(stmt, 2, r.table);
    BindText(stmt, 3, r.foreign_table);
    sqlite3_bind_int64(stmt, 4, r.attributes);
    BindText(stmt, 5, PackRelationFields(r));
    conn_.Step(stmt);
  }
  if ((r.attributes & dbRelationDontEnforce) == 0) InstallTriggers(r);
  sp.Release();
  Invalidate();
}

void Catalog::DropRelation(std::string_view name) {
  const RelationMeta* found = FindRelation(name);
  if (!found) RaiseJet(kErrItemNotFound);
  const RelationMeta r = *found;
  Savepoint sp(conn_, "pds_schema");
  EnsureMetaTables();
  DropTriggers(r);
  sqlite3_stmt* stmt = conn_.Prepare("DELETE FROM __pds_relations WHERE name = ?1");
  {
    StatementScope scope(stmt);
    BindText(stmt, 1, r.name);
    conn_.Step(stmt);
  }
  sp.Release();
  Invalidate();
}

void Catalog::ForgetDroppedTables() {
  Invalidate();
  EnsureLoaded();
  if (!has_meta_tables_) return;
  Savepoint sp(conn_, "pds_schema");
  for (const RelationMeta& r : relations_) {
    if (FindTable(r.table) && FindTable(r.foreign_table)) continue;
    DropTriggers(r);
    sqlite3_stmt* stmt = conn_.Prepare("DELETE FROM __pds_relations WHERE name = ?1");
    StatementScope scope(stmt);
    BindText(stmt, 1, r.name);
    conn_.Step(stmt);
  }
  conn_.Exec(
      "DELETE FROM __pds_fields WHERE tbl NOT IN (SELECT name FROM sqlite_master WHERE type = 'table');"
      "DELETE FROM __pds_indexes WHERE tbl NOT IN (SELECT name FROM sqlite_master WHERE type = 'table');"
      "DELETE FROM __pds_tables WHERE (attributes & 1610612736) = 0 AND "
      "name NOT IN (SELECT name FROM sqlite_master WHERE type = 'table');");
  sp.Release();
  Invalidate();
}

namespace {

std::string TriggerName(const RelationMeta& r, const char* kind) { return QuoteName("__pds_rel." + r.name + "." + kind); }

// "child"."fk" = <row>."pk" AND ... : the foreign rows of a primary row.
std::string ForeignRowsOf(const RelationMeta& r, const char* row) {
  std::string s;
  for (const RelationFieldMeta& f : r.fields) {
    if (!s.empty()) s += " AND ";
    s += QuoteName(r.foreign_table) + "." + QuoteName(f.foreign_name) + " = " + row + "." + QuoteName(f.name);
  }
  return s;
}

// "parent"."pk" = NEW."fk" AND ... : the primary row of a foreign row.
std::string PrimaryRowOf(const RelationMeta& r) {
  std::string s;
  for (const RelationFieldMeta& f : r.fields) {
    if (!s.empty()) s += " AND ";
    s += QuoteName(r.table) + "." + QuoteName(f.name) + " = NEW." + QuoteName(f.foreign_name);
  }
  return s;
}

std::string RaiseStatement(long number, std::string_view table) {
  return "SELECT RAISE(ABORT, " + QuoteText(std::string(kTriggerErrorPrefix) + std::to_string(number) + ":" +
                                            JetErrorText(number, table)) +
         ")";
}

}  // namespace

void Catalog::InstallTriggers(const RelationMeta& r) {
  const std::string parent = QuoteName(r.table);
  const std::string child = QuoteName(r.foreign_table);
  std::string primary_columns, foreign_columns, foreign_present, key_changed, cascade_set;
  for (const RelationFieldMeta& f : r.fields) {
    auto add = [](std::string& s, const std::string& part, const char* sep) {
      if (!s.empty()) s += sep;
      s += part;
    };
    add(primary_columns, QuoteName(f.name), ", ");
    add(foreign_columns, QuoteName(f.foreign_name), ", ");
    add(foreign_present, "NEW." + QuoteName(f.foreign_name) + " IS NOT NULL", " AND ");
    add(key_changed, "NEW." + QuoteName(f.name) + " IS NOT OLD." + QuoteName(f.name), " OR ");
    add(cascade_set, QuoteName(f.foreign_name) + " = NEW." + QuoteName(f.name), ", ");
  }
  std::string sql;
  if (r.attributes & dbRelationDeleteCascade) {
    sql += "CREATE TRIGGER " + TriggerName(r, "del") + " AFTER DELETE ON " + parent + " BEGIN DELETE FROM " + child +
           " WHERE " + ForeignRowsOf(r, "OLD") + "; END;";
  } else {
    sql += "CREATE TRIGGER " + TriggerName(r, "del") + " BEFORE DELETE ON " + parent + " BEGIN " +
           RaiseStatement(kErrRelatedRecordsExist, r.foreign_table) + " WHERE EXISTS (SELECT 1 FROM " + child + " WHERE " +
           ForeignRowsOf(r, "OLD") + "); END;";
  }
  if (r.attributes & dbRelationUpdateCascade) {
    sql += "CREATE TRIGGER " + TriggerName(r, "upd") + " AFTER UPDATE OF " + primary_columns + " ON " + parent +
           " WHEN " + key_changed + " BEGIN UPDATE " + child + " SET " + cascade_set + " WHERE " +
           ForeignRowsOf(r, "OLD") + "; END;";
  } else {
    sql += "CREATE TRIGGER " + TriggerName(r, "upd") + " BEFORE UPDATE OF " + primary_columns + " ON " + parent +
           " WHEN " + key_changed + " BEGIN " + RaiseStatement(kErrRelatedRecordsExist, r.foreign_table) +
           " WHERE EXISTS (SELECT 1 FROM " + child + " WHERE " + ForeignRowsOf(r, "OLD") + "); END;";
  }
  const std::string check = RaiseStatement(kErrRelatedRecordRequired, r.table) + " WHERE NOT EXISTS (SELECT 1 FROM " + parent +
                            " WHERE " + PrimaryRowOf(r) + ")";
  sql += "CREATE TRIGGER " + TriggerName(r, "ins") + " BEFORE INSERT ON " + child + " WHEN " + foreign_present +
         " BEGIN " + check + "; END;";
  sql += "CREATE TRIGGER " + TriggerName(r, "chk") + " BEFORE UPDATE OF " + foreign_columns + " ON " + child +
         " WHEN " + foreign_present + " BEGIN " + check + "; END;";
  conn_.Exec(sql);
}

void Catalog::DropTriggers(const RelationMeta& r) {
  conn_.Exec("DROP TRIGGER IF EXISTS " + TriggerName(r, "del") + "; DROP TRIGGER IF EXISTS " + TriggerName(r, "upd") +
             "; DROP TRIGGER IF EXISTS " + TriggerName(r, "ins") + "; DROP TRIGGER IF EXISTS " +
             TriggerName(r, "chk") + ";");
}

}  // namespace pds::db
