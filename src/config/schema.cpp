#include "config/schema.h"

#include <charconv>
#include <memory>

#include "pds/db/dao_constants.h"
#include "pds/db/database.h"
#include "pds/db/engine.h"
#include "pds/db/field.h"
#include "pds/db/relation.h"
#include "pds/db/table_def.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "platform/env.h"

namespace pds::schema {

using namespace pds::db;

namespace {

// The tables below read as tables, one field per line:
//   {field name,            type,      size,         flags}
// clang-format off

// Sizes no behaviour fixes.
constexpr long kDesignation = 5;
constexpr long kName = 50;
constexpr long kPath = 255;

IndexSchema PrimaryKey(std::vector<std::string> fields) {
  return IndexSchema{"PrimaryKey", std::move(fields), true, true};
}

IndexSchema Index(std::string name, std::vector<std::string> fields, bool unique = false) {
  return IndexSchema{std::move(name), std::move(fields), false, unique};
}

// The lowest component version a database works with: the three fields the
// version check reads from the last row.
TableSchema VersionTable() {
  return {"Version",
          {
              {"lMinDLLMajorVersion",  dbLong,    0,            kPlain},
              {"lMinDLLMinorVersion",  dbLong,    0,            kPlain},
              {"lMinDLLRevision",      dbLong,    0,            kPlain},
          },
          {}};
}

// Configuration values keyed by designation and key; one row per pair. An
// empty value is written as one blank, but a zero-length one is not refused.
TableSchema ConfigValuesTable() {
  return {"Config",
          {
              {"sPdsg",                dbText,    kDesignation, kPlain},
              {"sKey",                 dbText,    kName,        kPlain},
              {"sValue",               dbText,    kPath,        kZeroLength},
          },
          {PrimaryKey({"sPdsg", "sKey"})}};
}

DatabaseSchema MakeConfigurationDatabase() {
  DatabaseSchema db;
  db.file = "TVXxycfg.mdb";
  db.tables = {
      {"Config",
       {
           {"sCompanyName",         dbText,    kName,        kPlain},
           {"nBrand",               dbInteger, 0,            kPlain},
           {"bUserIdRequired",      dbBoolean, 0,            kPlain},
       },
       {}},
      {"Installed",
       {
           {"sPdsg",                dbText,    kDesignation, kPlain},
           {"sName",                dbText,    kName,        kPlain},
           {"fVersion",             dbDouble,  0,            kPlain},
           {"nDataStyle",           dbInteger, 0,            kPlain},
       },
       {PrimaryKey({"sPdsg"})}},
      // Rows are read in table order; blank file names are skipped by the reader.
      {"ProgSpecification",
       {
           {"sPdsg",                dbText,    kDesignation, kPlain},
           {"sFileName",            dbText,    kPath,        kZeroLength},
       },
       {Index("sPdsg", {"sPdsg"})}},
      // Rows are read in table order per designation; the equal keys of the
      // index keep that order.
      {"DataSpecification",
       {
           {"sPdsg",                dbText,    kDesignation, kPlain},
           {"sFileName",            dbText,    kPath,        kPlain},
           {"bRequiredFlag",        dbBoolean, 0,            kPlain},
           {"bVerifyFlag",          dbBoolean, 0,            kPlain},
           {"bArchiveFlag",         dbBoolean, 0,            kPlain},
           {"bEraseFlag",           dbBoolean, 0,            kPlain},
           {"nCreateMethod",        dbInteger, 0,            kPlain},
           {"sSourceFileName",      dbText,    kPath,        kZeroLength},
       },
       {Index("sPdsg", {"sPdsg"})}},
      // No index: the names are listed in table order, which an index
      // covering the only column could replace by name order.
      {"ContactTypes",
       {
           {"sContactTypeName",     dbText,    kName,        kZeroLength},
       },
       {}},
      VersionTable(),
      // The ID is built from lIndex; a network name is registered once. The
      // name field holds what the 255-character logon-name buffer can return.
      {"UserRegistration",
       {
           {"lIndex",               dbLong,    0,            kAutoNumber},
           {"sNetworkUserID",       dbText,    kPath,        kPlain},
           {"sTVXUserID",           dbText,    3,            kZeroLength},
       },
       {PrimaryKey({"lIndex"}), Index("sNetworkUserID", {"sNetworkUserID"}, true)}},
  };
  return db;
}

DatabaseSchema MakeProjectsDatabase() {
  DatabaseSchema db;
  db.file = "Prjxy.ro";
  db.tables = {
      // The defined size of sJobName is the project-name limit; names are
      // unique per user, compared without regard to case.
      {"Job",
       {
           {"lJobID",               dbLong,    0,            kAutoNumber},
           {"sJobName",             dbText,    kName,        kPlain},
           {"sJobPath",             dbText,    kPath,        kPlain},
           {"sDOSJobPath",          dbText,    kPath,        kPlain},
       },
       {PrimaryKey({"lJobID"}), Index("sJobName", {"sJobName"}, true)}},
      // One row per application with data in a project.
      {"JobUsage",
       {
           {"lJobID",               dbLong,    0,            kPlain},
           {"sPdsg",                dbText,    kDesignation, kPlain},
       },
       {PrimaryKey({"lJobID", "sPdsg"})}},
      // Rows are reused in lIndex order; lJobID is null in a row holding no entry.
      {"MRUJobNames",
       {
           {"lIndex",               dbLong,    0,            kAutoNumber},
           {"sPdsg",                dbText,    kDesignation, kPlain},
           {"lJobID",               dbLong,    0,            kPlain},
       },
       {PrimaryKey({"lIndex"})}},
      ConfigValuesTable(),
      VersionTable(),
  };
  return db;
}

DatabaseSchema MakeProjectDatabase() {
  DatabaseSchema db;
  db.file = "Project.ro";
  db.tables = {
      {"Version",
       {
           {"sVersion",             dbText,    10,           kPlain},
           {"vReleaseDate",         dbDate,    0,            kPlain},
           {"mNotes",               dbMemo,    0,            kZeroLength},
       },
       {}},
      ConfigValuesTable(),
      // One row; empty properties are stored as one blank. Notes are free
      // text of any length.
      {"Properties",
       {
           {"sJobName",             dbText,    kName,        kPlain},
           {"sJobNumber",           dbText,    kName,        kZeroLength},
           {"sContactType",         dbText,    kName,        kZeroLength},
           {"sContactName",         dbText,    kName,        kZeroLength},
           {"sSalesperson",         dbText,    kName,        kZeroLength},
           {"sDate",                dbText,    kName,        kZeroLength},
           {"sNotes",               dbMemo,    0,            kZeroLength},
           {"sLastModified",        dbText,    kName,        kZeroLength},
       },
       {}},
      {"TagIndex",
       {
           {"lTagId",               dbLong,    0,            kAutoNumber},
           {"sApp",                 dbText,    5,            kPlain},
           {"sAppVer",              dbText,    5,            kPlain},
           {"fStreamVersion",       dbDouble,  0,            kPlain},
           {"sTagName",             dbText,    50,           kZeroLength},
           {"sStatusIndicator",     dbText,    50,           kZeroLength},
           {"sLastModified",        dbText,    24,           kZeroLength},
           {"TableName",            dbText,    50,           kZeroLength},
           {"lLocalID",             dbLong,    0,            kPlain},
           {"lEquipType",           dbLong,    0,            kPlain},
           {"LastModifiedDate",     dbDate,    0,            kPlain},
       },
       {PrimaryKey({"lTagId"})}},
      {"TagData",
       {
           {"lIndex",               dbLong,    0,            kAutoNumber},
           {"lTagId",               dbLong,    0,            kPlain},
           {"lSeqNumber",           dbLong,    0,            kPlain},
           {"sKey",                 dbText,    50,           kPlain},
           {"sValue",               dbText,    255,          kZeroLength},
       },
       {PrimaryKey({"lIndex"})}},
  };
  // Deleting a published tag deletes its key/value rows.
  db.relations = {
      {"TagIndexTagData", "TagIndex", "TagData", dbRelationDeleteCascade, {{"lTagId", "lTagId"}}},
  };
  return db;
}

TableSchema MakeDataDefinitionTable() {
  return {"DataDef",
          {
              {"TableName",            dbText,    kName,        kPlain},
              {"FieldName",            dbText,    64,           kPlain},
              {"FriendlyName",         dbText,    kName,        kZeroLength},
              {"ExternalName",         dbText,    kName,        kZeroLength},
              {"Min",                  dbText,    kName,        kZeroLength},
              {"Max",                  dbText,    kName,        kZeroLength},
              {"Default",              dbText,    kPath,        kZeroLength},
              {"UserDefault",          dbText,    kPath,        kZeroLength},
              {"Format",               dbText,    kName,        kZeroLength},
              {"FormatMetric",         dbText,    kName,        kZeroLength},
              {"Unit",                 dbLong,    0,            kPlain},
              {"DisplayNever",         dbLong,    0,            kPlain},
              {"User-Defined",         dbText,    kName,        kZeroLength},
              {"GroupID",              dbText,    kName,        kZeroLength},
          },
          {Index("TableField", {"TableName", "FieldName"}, true)}};
}

// clang-format on

template <class T>
const T* FindByName(const std::vector<T>& items, std::string_view name) {
  for (const T& item : items) {
    if (EqualsNoCase(item.name, std::string(name))) return &item;
  }
  return nullptr;
}

// ---- creating a file

void AppendTable(Database& db, const TableSchema& table) {
  std::shared_ptr<TableDef> def = db.CreateTableDef(table.name);
  for (const FieldSchema& f : table.fields) {
    std::shared_ptr<Field> field = def->CreateField(f.name, f.type, f.size);
    if (f.auto_number()) field->SetAttributes(field->Attributes() | dbAutoIncrField);
    if (f.allow_zero_length()) field->SetAllowZeroLength(true);
    if (f.required()) field->SetRequired(true);
    def->Fields().Append(field);
  }
  for (const IndexSchema& ix : table.indexes) {
    std::shared_ptr<pds::db::Index> index = def->CreateIndex(ix.name);
    index->SetPrimary(ix.primary);
    index->SetUnique(ix.unique || ix.primary);
    for (const std::string& name : ix.fields) index->Fields().Append(index->CreateField(name));
    def->Indexes().Append(index);
  }
  db.TableDefs().Append(def);
}

void AppendRelation(Database& db, const RelationSchema& rel) {
  std::shared_ptr<Relation> relation = db.CreateRelation(rel.name, rel.table, rel.foreign_table, rel.attributes);
  for (const auto& [primary, foreign] : rel.fields) {
    std::shared_ptr<Field> field = relation->CreateField(primary);
    field->SetForeignName(foreign);
    relation->Fields().Append(field);
  }
  db.Relations().Append(relation);
}

// A value as a literal of the statements the engine reads: text in
// apostrophes (embedded ones doubled), dates in # marks, flags as True/False.
std::string Literal(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Empty:
    case Variant::Kind::Null:
      return "Null";
    case Variant::Kind::Boolean:
      return v.AsBool() ? "True" : "False";
    case Variant::Kind::Integer:
    case Variant::Kind::Long:
    case Variant::Kind::BigInt:
      return std::to_string(v.AsLong());
    case Variant::Kind::Double: {
      char buf[32];
      auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v.AsDouble());
      return ec == std::errc() ? std::string(buf, end) : "0";
    }
    case Variant::Kind::Date:
      return "#" + v.AsString() + "#";
    default: {
      std::string out = "'";
      for (char c : v.AsString()) {
        out.push_back(c);
        if (c == '\'') out.push_back('\'');
      }
      return out + "'";
    }
  }
}

void InsertRows(Database& db, const TableRows& rows) {
  std::string head = "INSERT INTO [" + rows.table + "] (";
  for (std::size_t i = 0; i < rows.columns.size(); ++i) head += (i ? ", [" : "[") + rows.columns[i] + "]";
  head += ") VALUES (";
  for (const std::vector<Variant>& row : rows.rows) {
    if (row.size() != rows.columns.size()) {
      Raise(kErrTooFewParameters, "Row of table " + rows.table + " does not match its columns.");
    }
    std::string sql = head;
    for (std::size_t i = 0; i < row.size(); ++i) sql += (i ? ", " : "") + Literal(row[i]);
    db.Execute(sql + ")", dbFailOnError);
  }
}

}  // namespace

bool CreateDatabaseFile(const std::string& path, const DatabaseSchema& schema, const std::vector<TableRows>& rows,
                        std::string* error) {
  platform::FileAttributes attrs;
  if (platform::CurrentEnv()->GetAttributes(path, &attrs).ok()) {
    if (error) *error = "the file already exists";
    return false;
  }
  std::shared_ptr<Database> db;
  try {
    db = DBEngine().CreateDatabase(path);
    {
      // One transaction per file: the whole definition and its rows are
      // written at once, and a failure leaves nothing half made.
      Transaction trans;
      for (const TableSchema& table : schema.tables) AppendTable(*db, table);
      for (const RelationSchema& rel : schema.relations) AppendRelation(*db, rel);
      for (const TableRows& r : rows) InsertRows(*db, r);
      trans.Commit();
    }
    db->Close();
    return true;
  } catch (const RuntimeError& e) {
    if (error) *error = e.description() + " (" + std::to_string(e.number()) + ")";
  } catch (const std::exception& e) {
    if (error) *error = e.what();
  } catch (...) {
    if (error) *error = "unexpected failure";
  }
  if (db) {
    try {
      db->Close();
    } catch (...) {
      // The file is removed next; a failing close changes nothing for the caller.
    }
  }
  (void)platform::CurrentEnv()->DeleteFile(path);
  return false;
}

const FieldSchema* TableSchema::FindField(std::string_view field) const { return FindByName(fields, field); }

const TableSchema* DatabaseSchema::FindTable(std::string_view table) const { return FindByName(tables, table); }

const DatabaseSchema& ConfigurationDatabase() {
  static const DatabaseSchema db = MakeConfigurationDatabase();
  return db;
}

const DatabaseSchema& ProjectsDatabase() {
  static const DatabaseSchema db = MakeProjectsDatabase();
  return db;
}

const DatabaseSchema& ProjectDatabase() {
  static const DatabaseSchema db = MakeProjectDatabase();
  return db;
}

const TableSchema& DataDefinitionTable() {
  static const TableSchema table = MakeDataDefinitionTable();
  return table;
}

std::vector<FieldSchema> TagTableBaseFields() {
  return {
      {"lTagId",               dbLong,    0,            kAutoNumber},
      {"TagName",              dbText,    kPath,        kZeroLength},
      {"lOrder",               dbLong,    0,            kPlain},
  };
}

TableSchema TagTable(std::string name, std::vector<FieldSchema> app_fields) {
  TableSchema table;
  table.name = std::move(name);
  table.fields = TagTableBaseFields();
  for (FieldSchema& f : app_fields) table.fields.push_back(std::move(f));
  // Not unique: a table may arrive holding duplicate or empty names, which
  // opening a project repairs, so the file must be able to hold them.
  table.indexes = {PrimaryKey({"lTagId"}), Index("TagName", {"TagName"})};
  return table;
}

}  // namespace pds::schema
