// Changes to a database's definitions: tables, fields (by rebuilding the
// table), indexes and relations (as triggers). See catalog.h for the rules.
#include <sqlite3.h>

#include <algorithm>

#include "pds/db/catalog.h"
#include "engine/catalog_sql.h"
#include "engine/field_values.h"
#include "pds/db/jet_errors.h"
#include "pds/db/sqlite_connection.h"

namespace pds::db {

using namespace catalog_sql;

Catalog::SchemaChange::SchemaChange(Catalog& catalog, const char* name)
    : catalog_(catalog), savepoint_(catalog.conn_, name) {}

Catalog::SchemaChange::~SchemaChange() {
  if (committed_) return;
  // The savepoint undoes the change, the hidden tables' creation included:
  // everything is read from the file again.
  catalog_.has_meta_tables_ = false;
  catalog_.Invalidate();
}

void Catalog::SchemaChange::Commit() {
  savepoint_.Release();
  committed_ = true;
  catalog_.Invalidate();
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
  SchemaChange sp(*this, "pds_schema");
  EnsureMetaTables();
  if (!t.linked()) {
    conn_.Exec(CreateTableSql(t, t.name));
    for (IndexMeta& ix : t.indexes) CreateSqlIndex(t, ix);
  } else {
    t.fields.clear();
    t.indexes.clear();
  }
  WriteTableMeta(t);
  sp.Commit();
}

void Catalog::DropTable(std::string_view name) {
  const TableMeta t = RequireTable(name);
  for (const RelationMeta& r : Relations()) {
    if (ReferencesTable(r, t.name)) RaiseJet(kErrUsedInRelation);
  }
  SchemaChange sp(*this, "pds_schema");
  EnsureMetaTables();
  if (!t.linked()) conn_.Exec("DROP TABLE " + QuoteName(t.name));
  DeleteTableMeta(t.name);
  sp.Commit();
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
  SchemaChange sp(*this, "pds_schema");
  EnsureMetaTables();
  WriteTableMeta(neu);
  sp.Commit();
}

// Copies the table under its new definition, keeping row ids where the new
// definition allows (a new auto-increment field numbers the rows in their
// order instead), then swaps the copy in.
void Catalog::Rebuild(const TableMeta& old_table, TableMeta neu) {
  SchemaChange sp(*this, "pds_rebuild");
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
  sp.Commit();
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
  SchemaChange sp(*this, "pds_schema");
  EnsureMetaTables();
  CreateSqlIndex(neu, ix);
  neu.indexes.push_back(std::move(ix));
  WriteTableMeta(neu);
  sp.Commit();
}

void Catalog::DropIndex(std::string_view table, std::string_view index) {
  const TableMeta t = RequireTable(table);
  const IndexMeta* ix = t.FindIndex(index);
  if (!ix) RaiseJet(kErrItemNotFound);
  TableMeta neu = t;
  SchemaChange sp(*this, "pds_schema");
  EnsureMetaTables();
  if (!ix->sql_name.empty() && !StartsWithNoCase(ix->sql_name, "sqlite_autoindex")) {
    conn_.Exec("DROP INDEX IF EXISTS " + QuoteName(ix->sql_name));
  }
  neu.indexes.erase(neu.indexes.begin() + (ix - t.indexes.data()));
  WriteTableMeta(neu);
  sp.Commit();
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
  SchemaChange sp(*this, "pds_schema");
  EnsureMetaTables();
  InsertMetaRow(conn_, "INSERT INTO __pds_relations VALUES (?1, ?2, ?3, ?4, ?5)",
                {r.name, r.table, r.foreign_table, r.attributes, PackRelationFields(r)});
  if ((r.attributes & dbRelationDontEnforce) == 0) InstallTriggers(r);
  sp.Commit();
}

void Catalog::DropRelation(std::string_view name) {
  const RelationMeta* found = FindRelation(name);
  if (!found) RaiseJet(kErrItemNotFound);
  const RelationMeta r = *found;
  SchemaChange sp(*this, "pds_schema");
  EnsureMetaTables();
  DropTriggers(r);
  sqlite3_stmt* stmt = conn_.Prepare("DELETE FROM __pds_relations WHERE name = ?1");
  {
    StatementScope scope(stmt);
    BindText(stmt, 1, r.name);
    conn_.Step(stmt);
  }
  sp.Commit();
}

void Catalog::ForgetDroppedTables() {
  Invalidate();
  EnsureLoaded();
  if (!has_meta_tables_) return;
  SchemaChange sp(*this, "pds_schema");
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
  sp.Commit();
}

namespace {

std::string TriggerName(const RelationMeta& r, const char* kind) { return QuoteName("__pds_rel." + r.name + "." + kind); }

// The index on the foreign table's columns of a relation. It carries the
// catalog's index prefix, so no Indexes collection shows it, and no index
// definition names it: it lives and goes with the relation's triggers.
std::string ForeignIndexName(const RelationMeta& r) {
  return QuoteName(std::string(kIndexPrefix) + r.foreign_table + ".__rel." + r.name);
}

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
  // Deleting or changing a primary row looks up its foreign rows: without an
  // index on their columns each primary row costs a scan of the foreign table.
  sql += "CREATE INDEX IF NOT EXISTS " + ForeignIndexName(r) + " ON " + child + " (" + foreign_columns + ");";
  conn_.Exec(sql);
}

void Catalog::DropTriggers(const RelationMeta& r) {
  conn_.Exec("DROP TRIGGER IF EXISTS " + TriggerName(r, "del") + "; DROP TRIGGER IF EXISTS " + TriggerName(r, "upd") +
             "; DROP TRIGGER IF EXISTS " + TriggerName(r, "ins") + "; DROP TRIGGER IF EXISTS " +
             TriggerName(r, "chk") + "; DROP INDEX IF EXISTS " + ForeignIndexName(r) + ";");
}

}  // namespace pds::db
