// Reading a database file's catalog (catalog.h).
//
// A load is a fixed handful of queries over the whole file, whatever the
// number of tables: on a new connection each statement SQLite prepares, and
// each read transaction it starts, costs far more than the rows it returns.
//
// What SQLite itself says about the tables (their columns, declared types,
// NOT NULL, defaults, primary keys, and the indexes created by plain SQL) is
// the costly part: SQLite's pragma tables prepare a statement per table and
// per index. Two things spare it:
//   - a table the catalog made itself, whose statement in sqlite_master is
//     exactly the one the catalog writes for its stored fields and which has
//     no index but the catalog's own, has those fields as its columns, and
//     nothing else SQLite would say about it is used;
//   - everything else SQLite says follows from the file's schema text
//     (sqlite_master) alone, so it is kept process-wide, keyed by that exact
//     text: another connection to the same file, or to another file made the
//     same way, finds it as long as no definition changed. Any change to a
//     table or index changes the text, and with it the key.
// The engine's own definitions (the hidden __pds_ tables) are rows, not
// schema, and are read from the file on every load.
#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "pds/db/catalog.h"
#include "engine/catalog_sql.h"
#include "engine/field_values.h"
#include "pds/db/sqlite_connection.h"

namespace pds::db {

using namespace catalog_sql;

namespace {

// A table as SQLite describes it.
struct PhysicalTable {
  struct Column {
    std::string name;
    std::string declared;
    bool not_null = false;
    std::string default_value;
    bool primary_key = false;
  };
  std::string name;
  std::string sql;  // its CREATE TABLE statement
  std::vector<Column> columns;
  std::vector<IndexMeta> plain_indexes;  // indexes not created by the catalog
};

struct PhysicalSchema {
  std::vector<PhysicalTable> tables;  // the file's own tables, in their order
};

// The physical schemas read lately, by their schema text. Shared by every
// connection of the process; the entries are immutable once added.
class PhysicalSchemaCache {
 public:
  std::shared_ptr<const PhysicalSchema> Find(const std::string& text) {
    const std::size_t hash = std::hash<std::string>{}(text);
    std::lock_guard<std::mutex> lock(mutex_);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].hash != hash || entries_[i].text != text) continue;
      std::rotate(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(i),
                  entries_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
      return entries_.front().schema;
    }
    return nullptr;
  }

  void Add(std::string text, std::shared_ptr<const PhysicalSchema> schema) {
    const std::size_t hash = std::hash<std::string>{}(text);
    std::lock_guard<std::mutex> lock(mutex_);
    if (entries_.size() >= kEntries) entries_.pop_back();
    entries_.insert(entries_.begin(), Entry{hash, std::move(text), std::move(schema)});
  }

 private:
  // Enough for every file a session keeps in use; the least recently used
  // schema makes room.
  static constexpr std::size_t kEntries = 16;
  struct Entry {
    std::size_t hash;
    std::string text;
    std::shared_ptr<const PhysicalSchema> schema;
  };
  std::mutex mutex_;
  std::vector<Entry> entries_;  // most recently used first
};

PhysicalSchemaCache& SchemaCache() {
  // Never destroyed: connections may still load catalogs while exit runs.
  static PhysicalSchemaCache* cache = new PhysicalSchemaCache();
  return *cache;
}

// The queries leave out the hidden tables and the catalog's own indexes, so
// that SQLite's pragma tables are asked only about what is shown; the checks
// made on the rows decide.
std::shared_ptr<const PhysicalSchema> ReadPhysicalSchema(Connection& conn) {
  auto schema = std::make_shared<PhysicalSchema>();
  std::unordered_map<std::string, std::size_t> by_name;  // exact name -> schema->tables
  {
    sqlite3_stmt* stmt = conn.Prepare(
        "SELECT m.name, CASE WHEN p.cid = 0 THEN m.sql END, p.name, p.type, p.\"notnull\", p.dflt_value, p.pk "
        "FROM sqlite_master AS m LEFT JOIN pragma_table_info(m.name) AS p WHERE m.type = 'table' "
        "AND m.name NOT LIKE '\\_\\_pds\\_%' ESCAPE '\\' AND m.name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
        "ORDER BY m.rowid, p.cid");
    StatementScope scope(stmt);
    PhysicalTable* current = nullptr;
    std::string current_name;
    while (conn.Step(stmt)) {
      std::string name = ColumnText(stmt, 0);
      if (current == nullptr || name != current_name) {
        current_name = name;
        current = nullptr;
        if (IsHiddenTableName(name)) continue;
        by_name.emplace(name, schema->tables.size());
        current = &schema->tables.emplace_back();
        current->name = std::move(name);
        current->sql = ColumnText(stmt, 1);
      }
      if (current == nullptr || sqlite3_column_type(stmt, 2) == SQLITE_NULL) continue;
      PhysicalTable::Column& column = current->columns.emplace_back();
      column.name = ColumnText(stmt, 2);
      column.declared = ColumnText(stmt, 3);
      column.not_null = sqlite3_column_int(stmt, 4) != 0;
      column.default_value = ColumnText(stmt, 5);
      column.primary_key = sqlite3_column_int(stmt, 6) > 0;
    }
  }
  sqlite3_stmt* stmt = conn.Prepare(
      "SELECT m.name, il.name, il.\"unique\", il.origin, x.name, x.\"desc\" "
      "FROM sqlite_master AS m JOIN pragma_index_list(m.name) AS il "
      "LEFT JOIN pragma_index_xinfo(il.name) AS x ON x.key = 1 WHERE m.type = 'table' "
      "AND m.name NOT LIKE '\\_\\_pds\\_%' ESCAPE '\\' AND m.name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
      "AND il.name NOT LIKE '\\_\\_pds\\_ix.%' ESCAPE '\\' "
      "ORDER BY m.rowid, il.seq, x.seqno");
  StatementScope scope(stmt);
  while (conn.Step(stmt)) {
    auto found = by_name.find(ColumnText(stmt, 0));
    if (found == by_name.end()) continue;
    PhysicalTable& table = schema->tables[found->second];
    const std::string sql_name = ColumnText(stmt, 1);
    if (StartsWithNoCase(sql_name, kIndexPrefix)) continue;  // described by __pds_indexes
    if (table.plain_indexes.empty() || table.plain_indexes.back().sql_name != sql_name) {
      IndexMeta& ix = table.plain_indexes.emplace_back();
      ix.sql_name = sql_name;
      ix.unique = sqlite3_column_int(stmt, 2) != 0;
      ix.primary = ColumnText(stmt, 3) == "pk";
      ix.name = ix.primary ? "PrimaryKey" : ix.sql_name;
    }
    if (sqlite3_column_type(stmt, 4) == SQLITE_NULL && sqlite3_column_type(stmt, 5) == SQLITE_NULL) continue;
    table.plain_indexes.back().fields.push_back({ColumnText(stmt, 4), sqlite3_column_int(stmt, 5) != 0});
  }
  return schema;
}

// The engine's own rows about one table.
struct Definitions {
  bool managed = false;  // the table has its row in __pds_tables
  long attributes = 0;
  std::string connect;
  std::string source_table;
  std::vector<FieldMeta> fields;
  std::vector<IndexMeta> indexes;
};

// The definition of a table from what SQLite says about it and the engine's
// rows: the engine's fields where they name a column, the declarations for
// columns added by plain SQL.
TableMeta AssembleTable(const PhysicalTable& physical, const Definitions& defs) {
  TableMeta t;
  t.name = physical.name;
  t.attributes = defs.attributes;
  t.connect = defs.connect;
  t.source_table = defs.source_table;
  const bool managed = defs.managed;

  int pk_columns = 0;
  std::string pk_name, pk_type;
  int position = 0;
  for (const PhysicalTable::Column& column : physical.columns) {
    t.columns.push_back(column.name);
    if (column.primary_key) {
      ++pk_columns;
      pk_name = column.name;
      pk_type = UpperAscii(column.declared);
    }
    auto found = std::find_if(defs.fields.begin(), defs.fields.end(),
                              [&](const FieldMeta& f) { return SameName(f.name, column.name); });
    if (found != defs.fields.end()) {
      t.fields.push_back(*found);
    } else {
      FieldMeta f;
      f.name = column.name;
      bool auto_increment = false;
      f.type = TypeFromDeclaration(column.declared, &f.size, &auto_increment);
      f.size = EffectiveFieldSize(f.type, f.size);
      f.attributes = DefaultFieldAttributes(f.type) | (auto_increment ? dbAutoIncrField : 0);
      f.allow_zero_length = IsTextType(f.type);
      f.required = column.not_null;
      f.default_value = column.default_value;
      f.ordinal = managed ? 1000 + position : position;
      t.fields.push_back(std::move(f));
    }
    ++position;
  }
  // The row id alias of a table made by plain SQL is its auto-increment
  // field when declared AUTOINCREMENT, and its primary key in any case.
  const std::string rowid_alias = pk_columns == 1 && pk_type == "INTEGER" ? pk_name : std::string();
  if (!managed && !rowid_alias.empty() && UpperAscii(physical.sql).find("AUTOINCREMENT") != std::string::npos) {
    for (FieldMeta& f : t.fields) {
      if (SameName(f.name, rowid_alias)) f.attributes = dbFixedField | dbAutoIncrField;
    }
  }
  SortByOrdinal(t.fields);

  t.indexes = defs.indexes;
  for (IndexMeta& ix : t.indexes) ix.sql_name = kIndexPrefix + physical.name + "." + ix.name;
  // Indexes created by plain SQL are shown under their own names.
  t.indexes.insert(t.indexes.end(), physical.plain_indexes.begin(), physical.plain_indexes.end());
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

// Rows of the hidden tables, all read by one statement: which table, its row
// id, then the table's own columns.
enum class MetaRow { kTable = 0, kField = 1, kIndex = 2, kRelation = 3 };

constexpr const char* kReadMetaTables =
    "SELECT 0, rowid, name, attributes, connect, source_table, NULL, NULL, NULL, NULL, NULL FROM __pds_tables "
    "UNION ALL SELECT 1, rowid, tbl, name, type, size, attributes, allow_zero_length, ordinal, required, "
    "default_value FROM __pds_fields "
    "UNION ALL SELECT 2, rowid, tbl, name, fields, is_primary, is_unique, required, ignore_nulls, NULL, NULL "
    "FROM __pds_indexes "
    "UNION ALL SELECT 3, rowid, name, tbl, foreign_tbl, attributes, fields, NULL, NULL, NULL, NULL "
    "FROM __pds_relations";

IndexMeta ReadIndexRow(sqlite3_stmt* stmt) {
  IndexMeta ix;
  ix.name = ColumnText(stmt, 3);
  for (const std::string& f : Split(ColumnText(stmt, 4), kListSeparator)) {
    if (!f.empty() && f.front() == kDescendingMark) {
      ix.fields.push_back({f.substr(1), true});
    } else {
      ix.fields.push_back({f, false});
    }
  }
  ix.primary = sqlite3_column_int(stmt, 5) != 0;
  ix.unique = sqlite3_column_int(stmt, 6) != 0;
  ix.required = sqlite3_column_int(stmt, 7) != 0;
  ix.ignore_nulls = sqlite3_column_int(stmt, 8) != 0;
  return ix;
}

FieldMeta ReadFieldRow(sqlite3_stmt* stmt) {
  FieldMeta f;
  f.name = ColumnText(stmt, 3);
  f.type = sqlite3_column_int(stmt, 4);
  f.size = static_cast<long>(sqlite3_column_int64(stmt, 5));
  f.attributes = static_cast<long>(sqlite3_column_int64(stmt, 6));
  f.allow_zero_length = sqlite3_column_int(stmt, 7) != 0;
  f.ordinal = sqlite3_column_int(stmt, 8);
  f.required = sqlite3_column_int(stmt, 9) != 0;
  f.default_value = ColumnText(stmt, 10);
  return f;
}

RelationMeta ReadRelationRow(sqlite3_stmt* stmt) {
  RelationMeta r;
  r.name = ColumnText(stmt, 2);
  r.table = ColumnText(stmt, 3);
  r.foreign_table = ColumnText(stmt, 4);
  r.attributes = static_cast<long>(sqlite3_column_int64(stmt, 5));
  for (const std::string& pair : Split(ColumnText(stmt, 6), kListSeparator)) {
    std::size_t at = pair.find(kPairSeparator);
    r.fields.push_back({pair.substr(0, at), at == std::string::npos ? pair : pair.substr(at + 1)});
  }
  return r;
}

template <typename T>
void SortByRowId(std::vector<std::pair<std::int64_t, T>>& rows) {
  std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
}

// The rows of the hidden tables, each kind in the order it was written.
struct MetaRows {
  struct Registered {
    std::string name;
    long attributes = 0;
    std::string connect;
    std::string source;
  };
  std::vector<std::pair<std::int64_t, Registered>> registered;
  std::vector<std::pair<std::int64_t, std::pair<std::string, FieldMeta>>> fields;  // (table, field)
  std::vector<std::pair<std::int64_t, std::pair<std::string, IndexMeta>>> indexes;  // (table, index)
  std::vector<std::pair<std::int64_t, RelationMeta>> relations;
};

MetaRows ReadMetaRows(Connection& conn) {
  MetaRows rows;
  sqlite3_stmt* stmt = conn.Prepare(kReadMetaTables);
  StatementScope scope(stmt);
  while (conn.Step(stmt)) {
    const std::int64_t rowid = sqlite3_column_int64(stmt, 1);
    switch (static_cast<MetaRow>(sqlite3_column_int(stmt, 0))) {
      case MetaRow::kTable:
        rows.registered.emplace_back(rowid, MetaRows::Registered{ColumnText(stmt, 2),
                                                                 static_cast<long>(sqlite3_column_int64(stmt, 3)),
                                                                 ColumnText(stmt, 4), ColumnText(stmt, 5)});
        break;
      case MetaRow::kField:
        rows.fields.emplace_back(rowid, std::make_pair(ColumnText(stmt, 2), ReadFieldRow(stmt)));
        break;
      case MetaRow::kIndex:
        rows.indexes.emplace_back(rowid, std::make_pair(ColumnText(stmt, 2), ReadIndexRow(stmt)));
        break;
      case MetaRow::kRelation:
        rows.relations.emplace_back(rowid, ReadRelationRow(stmt));
        break;
    }
  }
  SortByRowId(rows.registered);
  SortByRowId(rows.fields);
  SortByRowId(rows.indexes);
  SortByRowId(rows.relations);
  return rows;
}

// The file's tables described without SQLite's pragma tables, when every one
// is a table the catalog made itself: registered, its statement exactly the
// one the catalog writes for its stored fields, and no index on it but the
// catalog's own. Then its columns are the stored fields, in their order, and
// nothing else of SQLite's description is used. Null when any table is not.
std::shared_ptr<const PhysicalSchema> DescribeOwnTables(const SchemaListing& listing, const MetaRows& rows) {
  auto schema = std::make_shared<PhysicalSchema>();
  for (const auto& [name, sql] : listing.tables) {
    const bool registered = std::any_of(rows.registered.begin(), rows.registered.end(),
                                        [&name = name](const auto& r) { return SameName(r.second.name, name); });
    if (!registered) return nullptr;
    for (const auto& [index, table] : listing.indexes) {
      if (SameName(table, name) && !StartsWithNoCase(index, kIndexPrefix)) return nullptr;
    }
    TableMeta t;
    t.name = name;
    for (const auto& [rowid, row] : rows.fields) {
      if (SameName(row.first, name)) t.fields.push_back(row.second);
    }
    SortByOrdinal(t.fields);
    if (t.fields.empty() || CreateTableSql(t, name) != sql) return nullptr;
    PhysicalTable& table = schema->tables.emplace_back();
    table.name = name;
    table.sql = sql;
    for (const FieldMeta& f : t.fields) table.columns.push_back(PhysicalTable::Column{f.name, {}, false, {}, false});
  }
  return schema;
}

}  // namespace

// Each value is length-prefixed, so that different schemas never give the
// same text.
void Catalog::ReadListing(std::int64_t schema_version) {
  text_version_ = -1;  // nothing valid if reading fails
  sqlite3_stmt* stmt = conn_.Prepare(
      "SELECT type, name, tbl_name, sql FROM sqlite_master WHERE type IN ('table', 'index') ORDER BY rowid");
  StatementScope scope(stmt);
  std::string text;
  SchemaListing listing;
  while (conn_.Step(stmt)) {
    for (int col = 0; col < 4; ++col) {
      if (sqlite3_column_type(stmt, col) == SQLITE_NULL) {
        text += "-;";
        continue;
      }
      const char* value = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
      const int bytes = sqlite3_column_bytes(stmt, col);
      text += std::to_string(bytes);
      text.push_back(':');
      text.append(value ? value : "", static_cast<std::size_t>(bytes));
    }
    text.push_back('\n');
    const std::string type = ColumnText(stmt, 0);
    std::string name = ColumnText(stmt, 1);
    if (type == "table") {
      if (name == "__pds_relations") listing.has_meta_tables = true;
      if (!IsHiddenTableName(name)) listing.tables.emplace_back(std::move(name), ColumnText(stmt, 3));
    } else {
      listing.indexes.emplace_back(std::move(name), ColumnText(stmt, 2));
    }
  }
  schema_text_ = std::move(text);
  listing_ = std::move(listing);
  text_version_ = schema_version;
  text_rollbacks_ = conn_.rollbacks();
}

const std::string& Catalog::ReadSchemaText() {
  // The statement stays on its row while the listing is read: one read of
  // the file for both.
  sqlite3_stmt* version = conn_.Prepare("PRAGMA schema_version");
  StatementScope version_scope(version);
  ReadListing(conn_.Step(version) ? sqlite3_column_int64(version, 0) : -1);
  return schema_text_;
}

// SQLite's schema version moves with every change of a definition, by any
// connection; a rollback may move it back to a number it had before, with
// other definitions.
bool Catalog::SchemaTextCurrent() {
  return text_version_ >= 0 && text_rollbacks_ == conn_.rollbacks() &&
         conn_.QueryInt("PRAGMA schema_version", -1) == text_version_;
}

const std::string& Catalog::SchemaText() { return SchemaTextCurrent() ? schema_text_ : ReadSchemaText(); }

void Catalog::Load() {
  tables_.clear();
  relations_.clear();
  // While this statement stays on its row, the connection keeps one read
  // transaction: the queries below see one state of the file and take the
  // file's read lock once instead of once each.
  sqlite3_stmt* version = conn_.Prepare("PRAGMA schema_version");
  StatementScope version_scope(version);
  schema_version_ = conn_.Step(version) ? sqlite3_column_int64(version, 0) : -1;

  if (text_version_ != schema_version_ || text_rollbacks_ != conn_.rollbacks()) ReadListing(schema_version_);
  has_meta_tables_ = listing_.has_meta_tables;
  MetaRows rows = has_meta_tables_ ? ReadMetaRows(conn_) : MetaRows();
  std::shared_ptr<const PhysicalSchema> physical = SchemaCache().Find(schema_text_);
  // What is made from the engine's rows depends on them, not on the schema
  // text alone, and is not kept.
  if (!physical) physical = DescribeOwnTables(listing_, rows);
  if (!physical) {
    physical = ReadPhysicalSchema(conn_);
    SchemaCache().Add(schema_text_, physical);
  }

  std::vector<Definitions> defs(physical->tables.size());
  std::unordered_map<std::string, std::size_t> by_name;  // upper-cased name -> defs
  for (std::size_t i = 0; i < physical->tables.size(); ++i) by_name.emplace(UpperAscii(physical->tables[i].name), i);
  auto find = [&](const std::string& name) -> Definitions* {
    auto it = by_name.find(UpperAscii(name));
    return it == by_name.end() ? nullptr : &defs[it->second];
  };
  for (const auto& [rowid, r] : rows.registered) {
    if (Definitions* d = find(r.name)) {
      d->managed = true;
      d->attributes = r.attributes;
      d->connect = r.connect;
      d->source_table = r.source;
    }
  }
  for (auto& [rowid, row] : rows.fields) {
    Definitions* d = find(row.first);
    if (d != nullptr && d->managed) d->fields.push_back(std::move(row.second));
  }
  for (auto& [rowid, row] : rows.indexes) {
    Definitions* d = find(row.first);
    if (d != nullptr && d->managed) d->indexes.push_back(std::move(row.second));
  }

  for (std::size_t i = 0; i < physical->tables.size(); ++i) {
    tables_.push_back(AssembleTable(physical->tables[i], defs[i]));
  }
  // Linked tables live in the catalog only.
  for (const auto& [rowid, r] : rows.registered) {
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
  for (auto& [rowid, r] : rows.relations) relations_.push_back(std::move(r));
  ++generation_;
  loaded_ = true;
}

}  // namespace pds::db
