// The structure of the project database (Project.mdb) that every application
// of a project shares: the check of its structure version and the upgrade of
// an older file to "1.3.0" (tables Config, TagData and TagIndex completed,
// the one relation rebuilt, linked tag tables dropped, the version row
// rewritten).
//
// The upgrade only ever adds: fields and indexes that exist stay as they are,
// except a TagData primary key that does not cover lIndex. Every step can run
// again on a file it has already changed, so a file whose version row could
// not be written is simply upgraded again on its next open.
#include <memory>
#include <string>
#include <vector>

#include "pds/db/dao_constants.h"
#include "pds/db/database.h"
#include "pds/db/db_helpers.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "pds/db/relation.h"
#include "pds/db/table_def.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "pds/UiHost.h"
#include "projects/project_db_version.h"
#include "projects/project_store.h"

namespace pds {

namespace {

constexpr const char* kTypeName = "clsProjectDataServer";
constexpr const char* kCurrentVersion = kProjectDbVersion;
// The release date and notes the upgrade writes into the version row.
constexpr const char* kReleaseDate = "2002-01-30 00:00:00";
constexpr const char* kUpgradeNotes = "Structure Changed";
constexpr const char* kPrimaryKey = "PrimaryKey";
constexpr const char* kRelation = "TagIndexTagData";
constexpr long kObjectNotSet = 91;

// One field the upgrade makes sure of. The attributes and the ordinal
// position are given to a field the upgrade creates; an existing field keeps
// its own.
struct FieldLayout {
  const char* name;
  int type;
  long size;
  long attributes;   // dbAutoIncrField for the table's auto-numbered key
  bool zero_length;  // allows zero-length text
  int ordinal;       // -1: after the fields already there
};

struct TableLayout {
  const char* table;
  const char* operation;                  // the procedure name in titles
  const char* invalid_database_message;
  std::vector<FieldLayout> fields;          // in the order they are checked
  std::vector<const char*> key;           // fields of the primary index
  // Zero-length text is allowed on existing fields too, not only new ones:
  // rows published by other applications may carry empty texts.
  bool zero_length_on_existing;
  // An existing primary index that lacks this field is replaced; null keeps
  // any existing primary index.
  const char* key_must_have;
};

using namespace db;

// clang-format off
const TableLayout& ConfigLayout() {
  static const TableLayout layout{
      "Config", "UpdateConfigTable", "Invalid Project database object.",
      {
          {"sPdsg",            dbText,   5,   0,               false, -1},
          {"sKey",             dbText,   50,  0,               false, -1},
          {"sValue",           dbText,   255, 0,               true,  -1},
      },
      {"sPdsg", "sKey"}, false, nullptr};
  return layout;
}

const TableLayout& TagDataLayout() {
  static const TableLayout layout{
      "TagData", "UpdateTagDataTable", "Project database not specified.",
      {
          {"lIndex",           dbLong,   0,   dbAutoIncrField, false, 0},
          {"lTagId",           dbLong,   0,   0,               false, -1},
          {"lSeqNumber",       dbLong,   0,   0,               false, -1},
          {"sKey",             dbText,   50,  0,               false, -1},
          {"sValue",           dbText,   255, 0,               true,  -1},
      },
      {"lIndex"}, false, "lIndex"};
  return layout;
}

const TableLayout& TagIndexLayout() {
  static const TableLayout layout{
      "TagIndex", "UpdateTagIndexTable", "Project database not specified.",
      {
          {"lTagId",           dbLong,   0,   dbAutoIncrField, false, -1},
          {"sApp",             dbText,   5,   0,               false, -1},
          {"sAppVer",          dbText,   5,   0,               false, -1},
          {"fStreamVersion",   dbDouble, 0,   0,               false, -1},
          {"sTagName",         dbText,   50,  0,               true,  -1},
          {"sStatusIndicator", dbText,   50,  0,               true,  -1},
          {"sLastModified",    dbText,   24,  0,               true,  -1},
          {"TableName",        dbText,   50,  0,               true,  -1},
          {"lLocalID",         dbLong,   0,   0,               false, -1},
          {"lEquipType",       dbLong,   0,   0,               false, -1},
          {"LastModifiedDate", dbDate,   0,   0,               false, -1},
      },
      {"lTagId"}, true, nullptr};
  return layout;
}
// clang-format on

std::string Title(const char* operation) { return std::string(kTypeName) + "." + operation; }

// Removes an existing primary index that does not cover `field`, so that the
// index made next is on the intended key.
void DropKeyWithout(TableDef& td, const char* field) {
  std::shared_ptr<Index> index = td.Indexes().Find(kPrimaryKey);
  if (!index || index->Fields().Count() < 1) return;
  std::string name;
  const bool read = TryStatement([&] { name = index->Fields().Item(field)->Name(); });
  if (!read) ClearError();  // the missing field is the finding, not a failure
  if (!read || name.empty()) td.Indexes().Delete(kPrimaryKey);
}

// Brings one table up to its layout. A refusal the procedure words itself
// returns false with its message; an engine failure throws.
bool ApplyTableLayout(const DbHandle& db, const TableLayout& layout, std::string& message) {
  if (!CheckDatabaseValid(db, false)) {
    message = layout.invalid_database_message;
    return false;
  }
  std::shared_ptr<TableDef> td;
  bool created = false;
  if (DoesTableExist(db, layout.table)) {
    td = db->TableDefs().Item(layout.table);
  } else {
    td = db->CreateTableDef(layout.table);
    created = true;
  }
  if (!td) {
    message = std::string("Could not create ") + layout.table + " table in Project.mdb database.";
    return false;
  }
  if (!td->Updatable()) {
    message = std::string("Could not update ") + layout.table + " table structure because the table is not updatable.";
    return false;
  }

  for (const FieldLayout& f : layout.fields) {
    if (!DoesFieldExist(td, f.name)) {
      std::shared_ptr<Field> field = td->CreateField(f.name, f.type, f.size);
      if (f.ordinal >= 0) field->SetOrdinalPosition(f.ordinal);
      if ((field->Attributes() & f.attributes) != f.attributes) field->SetAttributes(field->Attributes() | f.attributes);
      if (f.zero_length) field->SetAllowZeroLength(true);
      td->Fields().Append(field);
    } else if (f.zero_length && layout.zero_length_on_existing) {
      std::shared_ptr<Field> field = td->Fields().Item(f.name);
      if (!field->AllowZeroLength()) field->SetAllowZeroLength(true);
    }
  }
  td->Fields().Refresh();

  if (layout.key_must_have) DropKeyWithout(*td, layout.key_must_have);
  if (!DoesIndexExist(td, kPrimaryKey)) {
    std::shared_ptr<Index> index = td->CreateIndex(kPrimaryKey);
    for (const char* name : layout.key) index->Fields().Append(index->CreateField(name));
    index->SetPrimary(true);
    td->Indexes().Append(index);
  }
  td->Indexes().Refresh();

  if (created) db->TableDefs().Append(td);
  db->TableDefs().Refresh();
  return true;
}

// The procedures' boundary: reports a failure under the procedure's title.
bool UpdateTable(const DbHandle& db, const TableLayout& layout) {
  ClearError();
  std::string message;
  try {
    if (ApplyTableLayout(db, layout, message)) return true;
  } catch (...) {
    CatchToPending();
  }
  ShowError(message, vbCritical, Title(layout.operation));
  return false;
}

// Drops the linked tables through which older versions reached other
// applications' tag tables; failures leave a table in place and are no
// reason to stop the upgrade.
void DropLinkedTagTables(const DbHandle& db) {
  std::vector<std::string> doomed;
  TryStatement([&] {
    for (const std::shared_ptr<TableDef>& td : db->TableDefs()) {
      if ((td->Attributes() & dbAttachedTable) != 0 && td->Name().find("_TagData") != std::string::npos) {
        doomed.push_back(td->Name());
      }
    }
  });
  for (const std::string& name : doomed) TryStatement([&] { db->TableDefs().Delete(name); });
  ClearError();
}

}  // namespace

bool ProjectStore::VerifyDataStructure(const std::string& sProjectDb) {
  ClearError();
  DbHandle db;
  RsHandle rs;
  std::string message;
  bool verified = false;
  TryStatement([&] {
    if (OpenDbAndRecordset(db, rs, sProjectDb, "SELECT * FROM Version", dbOpenDynaset, true, false) != 0) {
      message = "Error opening Project database:  " + sProjectDb;
    } else if (rs->Bof() && rs->Eof()) {
      message = std::string("Project database version could not be determined because the Version table is empty; ") +
                "Expected Version " + kCurrentVersion;
    } else {
      rs->MoveFirst();
      const Variant version = rs->Fields("sVersion").Value();
      if (version.AsString() == kCurrentVersion) {
        verified = true;
      } else if (UpdateConfigTable(db) && UpdateTagDataTable(db) && UpdateTagIndexTable(db) &&
                 UpdateProjectDbRelationships(db)) {
        DropLinkedTagTables(db);
        if (rs->Bof() || rs->Eof()) {
          verified = true;
        } else {
          // A failure here leaves the structure upgraded and the version as
          // it was, so the next open repeats the (harmless) upgrade.
          TryStatement([&] {
            rs->Edit();
            rs->Fields("sVersion").SetValue(Variant(kCurrentVersion));
            rs->Fields("vReleaseDate").SetValue(Variant::Date(kReleaseDate));
            rs->Fields("mNotes").SetValue(Variant(kUpgradeNotes));
            rs->Update();
          });
          if (Err().number == 0) {
            verified = true;
          } else {
            message = "Error updating Version field in Version table of Project database." + std::string("\r\n") +
                      Err().description;
          }
        }
      }
    }
  });
  if (!verified) {
    if (message.empty()) message = "Error trying to verify Project database structure.";
    ShowError(message, vbCritical, Title("VerifyDataStructure"));
  }
  CloseRecordset(rs);
  CloseDatabase(db);
  return verified;
}

bool ProjectStore::UpdateConfigTable(DbHandle& db) { return UpdateTable(db, ConfigLayout()); }

bool ProjectStore::UpdateTagDataTable(DbHandle& db) { return UpdateTable(db, TagDataLayout()); }

bool ProjectStore::UpdateTagIndexTable(DbHandle& db) { return UpdateTable(db, TagIndexLayout()); }

bool ProjectStore::UpdateProjectDbRelationships(DbHandle& db) {
  ClearError();
  try {
    if (!db) Raise(kObjectNotSet, "Object variable or With block variable not set");
    RelationCollection& relations = db->Relations();
    // The project database keeps exactly one relation: every other goes.
    while (relations.Count() > 0) relations.Delete(relations.Item(0)->Name());
    if (!DoesRelationExist(db, kRelation)) {
      std::shared_ptr<Relation> relation = db->CreateRelation(kRelation, "TagIndex", "TagData", dbRelationDeleteCascade);
      std::shared_ptr<Field> field = relation->CreateField("lTagId");
      field->SetForeignName("lTagId");
      relation->Fields().Append(field);
      relations.Append(relation);
    }
    relations.Refresh();
    return true;
  } catch (...) {
    CatchToPending();
  }
  ShowError("", vbCritical, Title("UpdateProjectDbRelationships"));
  return false;
}

}  // namespace pds
